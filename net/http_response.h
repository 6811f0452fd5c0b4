// Reading an HTTP response as it arrives in chunks: the header is skipped
// up to its first empty line, whatever chunk boundaries fall inside it, and
// the body goes on to the caller, optionally copied into a text buffer.
//
// One field of the header is read: Content-Length, so that a transfer is
// complete once that many body bytes are in, whether or not the server
// closes the connection, and known to be cut short when it ends before.
// Without it (or beside a Transfer-Encoding, which this reader does not
// decode) the body ends when the server closes the connection.
#pragma once

#include <cstdint>
#include <string>

class HttpResponseReader {
 public:
  // buffer of buffer_size bytes receives the body's first buffer_size - 1
  // bytes as text (cut at a 0 byte of the body) and a NUL; null or a size
  // below 2 keeps nothing.
  HttpResponseReader(char* buffer, int buffer_size);

  // Takes one chunk; the part of it that belongs to the body is given back
  // in body / body_length (possibly empty; never past the announced
  // length). False when the transfer should end now: the announced length
  // is in, or a chunk after the first body piece filled the buffer.
  bool take(const char* chunk, int length, const char** body, int* body_length);

  bool in_body() const { return in_body_; }
  // The body bytes still due by the announced length; -1 when the header
  // gave none (or is not yet read).
  int64_t body_left() const { return in_body_ ? left_ : -1; }

 private:
  // Copies a body piece into the buffer; true when it left the room at 1 or
  // less.
  bool copy_to_buffer(const char* piece, int length);
  void header_line();

  char* buffer_;
  int buffer_size_;
  int room_;              // bytes of the buffer left, its final NUL's included
  int line_ends_ = 0;     // "\n" seen since the last byte that was not "\r"
  bool in_body_ = false;
  std::string line_;      // the header line being read (its start, at most)
  int64_t length_ = -1;   // the announced body length; -1 none
  bool length_unusable_ = false;  // lengths that disagree, or a transfer encoding
  int64_t left_ = -1;     // body bytes still due; -1 when no length counts
};
