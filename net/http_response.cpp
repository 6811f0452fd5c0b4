#include "net/http_response.h"

#include <cstring>
#include <strings.h>

namespace {

// Longer header lines are kept only this far: enough for every field name
// and any length.
constexpr size_t kLineKept = 256;

// The field's value when the line is that field ("Name: value", the name
// in any case), else null.
const char* field_value(const std::string& line, const char* name) {
  const size_t n = std::strlen(name);
  if (line.size() <= n || line[n] != ':' || strncasecmp(line.c_str(), name, n) != 0) return nullptr;
  return line.c_str() + n + 1;
}

// A Content-Length value: digits between optional blanks; -1 for anything
// else.
int64_t parse_length(const char* v) {
  while (*v == ' ' || *v == '\t') ++v;
  int64_t length = 0;
  const char* digits = v;
  for (; *v >= '0' && *v <= '9'; ++v) {
    if (length > (INT64_MAX - 9) / 10) return -1;
    length = length * 10 + (*v - '0');
  }
  if (v == digits) return -1;
  while (*v == ' ' || *v == '\t' || *v == '\r') ++v;
  return *v == 0 ? length : -1;
}

}  // namespace

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
      if (c == '\n') {
        ++line_ends_;
        header_line();
      } else if (c != '\r') {
        line_ends_ = 0;
      }
      if (c != '\n' && line_.size() < kLineKept) line_ += c;
    }
    if (line_ends_ < 2) {
      *body = chunk + length;
      *body_length = 0;
      return true;  // all header
    }
    in_body_ = true;
    left_ = length_unusable_ ? -1 : length_;
  }
  *body = chunk + start;
  *body_length = length - start;
  if (left_ >= 0 && *body_length > left_) *body_length = static_cast<int>(left_);
  if (left_ >= 0) left_ -= *body_length;
  bool full = copy_to_buffer(*body, *body_length);
  if (left_ == 0) return false;  // all of the body is in
  // A buffer filled by the first piece keeps the transfer going to its end;
  // one filled later ends it.
  return !(full && !first_piece);
}

void HttpResponseReader::header_line() {
  if (const char* v = field_value(line_, "content-length")) {
    const int64_t length = parse_length(v);
    if (length < 0 || (length_ >= 0 && length != length_)) length_unusable_ = true;
    else length_ = length;
  } else if (field_value(line_, "transfer-encoding")) {
    length_unusable_ = true;  // the length does not count beside an encoding
  }
  line_.clear();
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
