// libFuzzer target for the HTTP response reader. The first byte sizes the
// text buffer, the second sets where the chunks are cut, the rest is the
// response. Whatever the cuts, the reader must find the same body, never
// give more than an announced length, never write outside the buffer, and
// leave the buffer a NUL-terminated prefix of the body's text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "net/http_response.h"

namespace {

struct Outcome {
  std::string body;
  bool ended_early = false;
};

Outcome feed(const char* data, int size, const std::vector<int>& cuts, char* buffer,
             int buffer_size) {
  HttpResponseReader reader(buffer, buffer_size);
  Outcome o;
  int at = 0;
  for (size_t i = 0; i <= cuts.size(); ++i) {
    int end = i < cuts.size() ? cuts[i] : size;
    const char* body;
    int length;
    bool more = reader.take(data + at, end - at, &body, &length);
    // The body piece lies inside the chunk and runs to its end, unless the
    // announced length ended the transfer inside it.
    if (length < 0 || body < data + at || body + length > data + end) std::abort();
    if (more && body + length != data + end) std::abort();
    if (reader.body_left() < -1) std::abort();  // more body than announced
    o.body.append(body, static_cast<size_t>(length));
    at = end;
    if (!more) {
      o.ended_early = true;
      break;
    }
  }
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 65536) return 0;
  const int buffer_size = data[0] % 64;
  const unsigned step = data[1] % 16 + 1;
  const char* response = reinterpret_cast<const char*>(data + 2);
  const int length = static_cast<int>(size - 2);

  std::vector<int> cuts;
  for (int at = static_cast<int>(step); at < length; at += static_cast<int>(step) + at % 3)
    cuts.push_back(at);

  // Exactly the buffer's size, so the sanitizer sees any write past it.
  std::vector<char> buffer(buffer_size > 0 ? buffer_size : 1);
  Outcome cut = feed(response, length, cuts, buffer_size > 0 ? buffer.data() : nullptr,
                     buffer_size);
  Outcome whole = feed(response, length, {}, nullptr, 0);
  if (!cut.ended_early && cut.body != whole.body) std::abort();
  if (cut.ended_early && whole.body.compare(0, cut.body.size(), cut.body) != 0) std::abort();

  if (buffer_size > 0) {
    const void* nul = std::memchr(buffer.data(), 0, buffer.size());
    if (!nul) std::abort();
    size_t text = static_cast<size_t>(static_cast<const char*>(nul) - buffer.data());
    if (whole.body.compare(0, text, buffer.data(), text) != 0) std::abort();
  }
  return 0;
}
