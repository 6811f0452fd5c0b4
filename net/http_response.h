// Reading an HTTP response as it arrives in chunks: the header is skipped
// up to its first empty line, whatever chunk boundaries fall inside it, and
// the body goes on to the caller, optionally copied into a text buffer.
//
// No field of the header is read: the status, the length and transfer
// encodings are the server's business, and the body ends when the server
// closes the connection.
#pragma once

class HttpResponseReader {
 public:
  // buffer of buffer_size bytes receives the body's first buffer_size - 1
  // bytes as text (cut at a 0 byte of the body) and a NUL; null or a size
  // below 2 keeps nothing.
  HttpResponseReader(char* buffer, int buffer_size);

  // Takes one chunk; the part of it that belongs to the body is given back
  // in body / body_length (possibly empty). False when the transfer should
  // end now: a chunk after the first body piece filled the buffer.
  bool take(const char* chunk, int length, const char** body, int* body_length);

  bool in_body() const { return in_body_; }

 private:
  // Copies a body piece into the buffer; true when it left the room at 1 or
  // less.
  bool copy_to_buffer(const char* piece, int length);

  char* buffer_;
  int buffer_size_;
  int room_;              // bytes of the buffer left, its final NUL's included
  int line_ends_ = 0;     // "\n" seen since the last byte that was not "\r"
  bool in_body_ = false;
};
