#include "net/http_response.h"

#include <cstring>

HttpResponseReader::HttpResponseReader(char* buffer, int buffer_size)
    : buffer_(buffer), buffer_size_(buffer_size), room_(buffer_size) {
  if (buffer_ && buffer_size_ > 0) buffer_[0] = 0;
}

bool HttpResponseReader::take(const char* chunk, int length, const char** body,
                              int* body_length) {
  int start = 0;
  const bool first_piece = !in_body_;
  if (!in_body_) {
    // The header ends with the second line end in a row; "\r" does not
    // count either way, so "\r\n\r\n", "\n\n" and their mixtures all end it.
    while (start < length && line_ends_ < 2) {
      char c = chunk[start++];
      if (c == '\n') ++line_ends_;
      else if (c != '\r') line_ends_ = 0;
    }
    if (line_ends_ < 2) {
      *body = chunk + length;
      *body_length = 0;
      return true;  // all header
    }
    in_body_ = true;
  }
  *body = chunk + start;
  *body_length = length - start;
  bool full = copy_to_buffer(*body, *body_length);
  // A buffer filled by the first piece keeps the transfer going to its end;
  // one filled later ends it.
  return !(full && !first_piece);
}

bool HttpResponseReader::copy_to_buffer(const char* piece, int length) {
  if (!buffer_ || room_ <= 1) return false;
  int span = length < room_ - 1 ? length : room_ - 1;
  char* end = buffer_ + (buffer_size_ - room_);
  // Text up to a 0 byte of the body, zeros for the rest of the span.
  const void* nul = std::memchr(piece, 0, static_cast<size_t>(span));
  int text = nul ? static_cast<int>(static_cast<const char*>(nul) - piece) : span;
  std::memcpy(end, piece, static_cast<size_t>(text));
  std::memset(end + text, 0, static_cast<size_t>(span - text) + 1);
  room_ -= span;
  return room_ <= 1;
}
