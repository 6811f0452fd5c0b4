#include "net/http_get.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "net/http_response.h"
#include "net/net_error.h"
#include "net/net_resolve.h"
#include "net/socket_table.h"
#include "net/sockets.h"
#include "platform/file_io.h"

namespace {

constexpr int kDefaultHttpPort = 80;
constexpr int kWorkBufferSize = 16384;
constexpr int kRequestFrame = 100;  // room for the request's fixed text

// A CR or LF would end the request line or the Host line early and let the
// rest pass as header lines of the caller's making.
bool header_safe(const char* text) { return std::strpbrk(text, "\r\n") == nullptr; }

// The same for a language string, whose stored bytes may hold a NUL that
// would cut the text the request carries.
bool header_safe(const BasicString& text) {
  return std::memchr(text.text, 0, static_cast<size_t>(text.length)) == nullptr &&
         header_safe(text.text);
}

// The reason a download's file cannot be made or kept.
int file_error(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return kNetErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY: return kNetErrorAccessDenied;
    default: return qvl_net_error_from_errno(error);
  }
}

// One transfer from the connected request on; true at its good end.
class Transfer {
 public:
  Transfer(const char* file_name, char* buffer, int buffer_size)
      : file_name_(file_name), reader_(buffer, buffer_size) {}
  // A transfer that did not finish leaves the old file as it was.
  ~Transfer() { plat_replace_abandon(replace_); }

  bool open_file() {
    if (!file_name_) return true;
    if (plat_replace_begin(file_name_, replace_)) return true;
    qvl_net_set_error(file_error(errno));
    return false;
  }

  // The whole exchange; the connection is closed when it returns, the
  // reason of a failure kept.
  bool run(const char* host, const char* path, int port, int timeout_ms) {
    bool ok = exchange(host, path, port, timeout_ms);
    if (slot_ >= 0) {
      const int reason = qvl_net_last_error();
      qvl_net_close(slot_);
      slot_ = -1;
      qvl_net_set_error(reason);
    }
    return ok;
  }

 private:
  bool exchange(const char* host, const char* path, int port, int timeout_ms) {
    const int limit = qvl_net_clamp_timeout(timeout_ms);
    NetAddress address = qvl_net_resolve(host, port == 0 ? kDefaultHttpPort : port);
    slot_ = qvl_net_tcp_connect(address, limit);
    if (slot_ < 0) return false;
    qvl_net_set_blocking(slot_, false);

    const size_t wanted = std::strlen(host) + std::strlen(path) + kRequestFrame;
    std::vector<char> work(wanted > kWorkBufferSize - 1 ? wanted : kWorkBufferSize);
    int length = std::snprintf(work.data(), work.size(),
                               "GET %s HTTP/1.1\r\nHost: %s\r\nAccept: */*\r\n"
                               "Connection: Close\r\nUser-Agent: Quarvel\r\n\r\n",
                               path, host);
    if (qvl_net_send(slot_, work.data(), length, nullptr, limit) <= 0) return false;

    for (;;) {
      int n = qvl_net_receive(slot_, work.data(), static_cast<int>(work.size()) - 1, false);
      if (n == 0) return ended();
      if (n == -1) return false;
      if (n == -2) {
        int waited = qvl_net_wait_readable(slot_, limit);
        if (waited < 0) return false;
        if (waited == 0) {
          qvl_net_set_error(kNetErrorTimedOut);
          return false;
        }
        continue;
      }
      const char* body;
      int body_length;
      bool more = reader_.take(work.data(), n, &body, &body_length);
      if (body_length > 0 && replace_.file &&
          !plat_file_write(replace_.file, body, static_cast<size_t>(body_length))) {
        qvl_net_set_error(file_error(errno));
        return false;
      }
      if (!more) return finish();
    }
  }

  // The server ended the connection. A reset breaks off the transfer, and
  // so does an end before the header is complete or before the announced
  // length is in: either way there is no whole body, and a download must
  // not replace the old file with it.
  bool ended() {
    if (qvl_net_last_error() == kNetErrorConnectionReset) return false;
    if (!reader_.in_body() || reader_.body_left() > 0) {
      qvl_net_set_error(kNetErrorConnectionReset);
      return false;
    }
    return finish();
  }

  // The good end: the whole body is in, the socket closed, the file put in
  // place of the target.
  bool finish() {
    qvl_net_close(slot_);
    slot_ = -1;
    qvl_net_set_error(0);
    if (!replace_.file) return true;
    if (plat_replace_commit(replace_)) return true;
    qvl_net_set_error(file_error(errno));
    return false;
  }

  const char* file_name_;
  HttpResponseReader reader_;
  PlatReplace replace_;
  int slot_ = -1;
};

}  // namespace

bool qvl_http_get(const char* host, const char* path, int port, const char* file_name,
                  char* buffer, int buffer_size, int timeout_ms) {
  if (!header_safe(host) || !header_safe(path)) {
    qvl_net_set_error(kNetErrorInvalidArgument);
    return false;
  }
  Transfer transfer(file_name, buffer, buffer_size);
  if (!transfer.open_file()) return false;
  NetLibraryRef library;
  library.take();
  bool ok = transfer.run(host, path, static_cast<uint16_t>(port), timeout_ms);
  // The reference goes back either way, and its release must not hide the
  // reason of a failure.
  const int reason = qvl_net_last_error();
  library.release();
  qvl_net_set_error(reason);
  return ok;
}

int qvl_http_get_to_file(const BasicString& host, const BasicString& path, int port,
                         const BasicString& file_name, int timeout_ms) {
  if (!header_safe(host) || !header_safe(path)) {
    qvl_net_set_error(kNetErrorInvalidArgument);
    return 0;
  }
  return qvl_http_get(host.text, path.text, port, file_name.text, nullptr, 0, timeout_ms) ? 1 : 0;
}

BasicString qvl_http_get_to_string(const BasicString& host, const BasicString& path, int port,
                                   int n, int timeout_ms) {
  BasicString r;
  if (!header_safe(host) || !header_safe(path)) {
    qvl_net_set_error(kNetErrorInvalidArgument);
    return r;
  }
  // n below 1 keeps nothing, but the request still goes out.
  char* buffer = nullptr;
  if (n >= 1 && n < INT32_MAX - 1) {
    r.reserve(n + 1, false);
    buffer = r.text;
  }
  qvl_http_get(host.text, path.text, port, nullptr, buffer, buffer ? n + 1 : 0, timeout_ms);
  if (buffer) r.sync_length();
  return r;
}
