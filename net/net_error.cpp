#include "net/net_error.h"

#include <errno.h>
#include <netdb.h>

#include <cstdio>

namespace {

thread_local int t_last_error = 0;
thread_local char t_error_text[512];

struct CodeText {
  int code;
  const char* text;
};

// Ordered by code.
constexpr CodeText kTexts[] = {
    {0, "The operation completed successfully."},
    {3, "The folder of the file does not exist."},
    {5, "Access is denied."},
    {8, "All 1024 sockets are in use."},
    {10000, "An unexpected system error occurred."},
    {10004, "The call was interrupted."},
    {10009, "The socket handle is not valid."},
    {10013, "Permission to use the socket was denied."},
    {10014, "An address pointed outside the program's memory."},
    {10022, "An invalid argument was given."},
    {10024, "Too many sockets are open."},
    {10035, "The operation would block: nothing is waiting."},
    {10036, "The connection did not complete within its time-out."},
    {10037, "An operation is already in progress on the socket."},
    {10038, "No socket is open in that slot."},
    {10039, "A destination address is required."},
    {10040, "The datagram was larger than the buffer and was cut."},
    {10041, "The protocol does not fit the socket type."},
    {10042, "The socket option is not known or not supported."},
    {10043, "The protocol is not supported."},
    {10044, "The socket type is not supported."},
    {10045, "The operation is not supported on this socket."},
    {10046, "The protocol family is not supported."},
    {10047, "The address family is not supported."},
    {10048, "The address is already in use."},
    {10049, "The address is not valid on this machine."},
    {10050, "The network is down."},
    {10051, "The network cannot be reached."},
    {10052, "The connection was dropped by a network reset."},
    {10053, "The connection was aborted on this machine."},
    {10054, "The connection was reset by the peer."},
    {10055, "No buffer space is available."},
    {10056, "The socket is already connected."},
    {10057, "The socket is not connected."},
    {10058, "The socket has been shut down."},
    {10060, "The peer did not answer in time."},
    {10061, "The connection was refused."},
    {10063, "The name is too long."},
    {10064, "The host is down."},
    {10065, "There is no route to the host."},
    {10093, "The socket library has not been started."},
    {10109, "The service is not known."},
    {11001, "No such host is known."},
    {11002, "The name server did not answer; try again later."},
    {11003, "The name server failed."},
    {11004, "The name has no address of the requested kind."},
};

}  // namespace

void qvl_net_set_error(int code) { t_last_error = code; }

int qvl_net_last_error() { return t_last_error; }

int qvl_net_error_from_errno(int error) {
  switch (error) {
    case 0: return 0;
    case EINTR: return 10004;
    case EBADF: return 10009;
    case EACCES:
    case EPERM: return 10013;
    case EFAULT: return 10014;
    case EINVAL: return 10022;
    case EMFILE:
    case ENFILE: return 10024;
    case EAGAIN: return 10035;  // EWOULDBLOCK is the same number here
    case EINPROGRESS: return 10036;
    case EALREADY: return 10037;
    case ENOTSOCK: return 10038;
    case EDESTADDRREQ: return 10039;
    case EMSGSIZE: return 10040;
    case EPROTOTYPE: return 10041;
    case ENOPROTOOPT: return 10042;
    case EPROTONOSUPPORT: return 10043;
    case ESOCKTNOSUPPORT: return 10044;
    case EOPNOTSUPP: return 10045;
    case EPFNOSUPPORT: return 10046;
    case EAFNOSUPPORT: return 10047;
    case EADDRINUSE: return 10048;
    case EADDRNOTAVAIL: return 10049;
    case ENETDOWN: return 10050;
    case ENETUNREACH: return 10051;
    case ENETRESET: return 10052;
    case ECONNABORTED: return 10053;
    case ECONNRESET:
    case EPIPE: return 10054;  // Winsock has no broken pipe: the peer reset
    case ENOBUFS:
    case ENOMEM: return 10055;
    case EISCONN: return 10056;
    case ENOTCONN: return 10057;
    case ESHUTDOWN: return 10058;
    case ETIMEDOUT: return 10060;
    case ECONNREFUSED: return 10061;
    case ENAMETOOLONG: return 10063;
    case EHOSTDOWN: return 10064;
    case EHOSTUNREACH: return 10065;
    default: return kNetErrorUnmapped;
  }
}

int qvl_net_error_from_resolver(int result, int saved_errno) {
  switch (result) {
    case 0: return 0;
    case EAI_NONAME: return 11001;
    case EAI_AGAIN: return 11002;
    case EAI_FAIL: return 11003;
#ifdef EAI_NODATA
    case EAI_NODATA: return 11004;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY: return 11004;
#endif
    case EAI_FAMILY: return 10047;
    case EAI_SOCKTYPE: return 10044;
    case EAI_SERVICE: return 10109;
    case EAI_BADFLAGS: return 10022;
    case EAI_MEMORY: return 10055;
    case EAI_SYSTEM: return qvl_net_error_from_errno(saved_errno);
    default: return kNetErrorUnmapped;
  }
}

int qvl_net_set_errno_error() {
  int code = qvl_net_error_from_errno(errno);
  t_last_error = code;
  return code;
}

const char* qvl_net_error_message(int code) {
  size_t lo = 0, hi = sizeof kTexts / sizeof kTexts[0];
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (kTexts[mid].code == code) return kTexts[mid].text;
    if (kTexts[mid].code < code) lo = mid + 1;
    else hi = mid;
  }
  return nullptr;
}

const char* qvl_net_format_error(int code) {
  const char* message = qvl_net_error_message(code);
  if (!message) {
    t_error_text[0] = 0;
    return t_error_text;
  }
  std::snprintf(t_error_text, sizeof t_error_text, "%d %s", code, message);
  return t_error_text;
}

const char* qvl_net_error_text() { return qvl_net_format_error(t_last_error); }
