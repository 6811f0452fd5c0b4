// The socket layer's last-error code and its text.
//
// Programs written for the original runtime test the Winsock numbers, so
// every failure is reported under the number Winsock gives for it: errno
// values and resolver results are translated here. The code is kept per
// thread, so the session thread's failures never overwrite the reason a
// command on the main thread is about to read.
#pragma once

// Codes the layer reports besides the translated ones.
enum : int {
  kNetErrorNone = 0,
  kNetErrorPathNotFound = 3,  // a download's file cannot be made there
  kNetErrorAccessDenied = 5,
  kNetErrorTableFull = 8,  // all 1024 socket slots are in use
  kNetErrorInvalidArgument = 10022,
  kNetErrorWouldBlock = 10035,
  kNetErrorConnectTimedOut = 10036,
  kNetErrorNotSocket = 10038,  // a free slot, or an index outside the table
  kNetErrorNeedDestination = 10039,
  kNetErrorMessageTooLong = 10040,  // a datagram larger than the buffer
  kNetErrorConnectionReset = 10054,
  kNetErrorTimedOut = 10060,  // a peer that stopped sending or receiving
  kNetErrorRefused = 10061,
  kNetErrorNotStarted = 10093,
  kNetErrorHostNotFound = 11001,
  kNetErrorNoAddress = 11004,  // the name exists but has no address of the kind
  // An errno without a Winsock counterpart. Winsock's numbering starts
  // above it, so it never reads as one of the reasons programs test for.
  kNetErrorUnmapped = 10000,
};

void qvl_net_set_error(int code);
int qvl_net_last_error();

// The Winsock number for an errno value (EAGAIN 10035, ECONNREFUSED 10061,
// EPIPE 10054, ...); kNetErrorUnmapped for one without a counterpart.
int qvl_net_error_from_errno(int error);
// The same for a getaddrinfo result (EAI_NONAME 11001, ...); EAI_SYSTEM
// takes errno.
int qvl_net_error_from_resolver(int result, int saved_errno);
// Stores the translation of errno and returns it.
int qvl_net_set_errno_error();

// The fixed English text of a code; null when the code has none.
const char* qvl_net_error_message(int code);
// "%d %s" of the thread's last error and its text, in a buffer of the
// thread's own that the next call overwrites; empty when the code has no
// text.
const char* qvl_net_error_text();
// The same for a given code, into that buffer.
const char* qvl_net_format_error(int code);
