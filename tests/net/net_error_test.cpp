#include "net/net_error.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <netdb.h>

#include <set>
#include <string>
#include <thread>

namespace {

TEST(NetError, ErrnoAndResolverResultsMapToWinsockNumbers) {
  struct Case {
    int error;
    int code;
  };
  const Case errnos[] = {{0, 0},          {EAGAIN, 10035},       {EINPROGRESS, 10036},
                         {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060}, {ECONNRESET, 10054},
                         {EPIPE, 10054},  {EADDRINUSE, 10048},   {EMSGSIZE, 10040},
                         {ENOTSOCK, 10038}, {EINVAL, 10022},     {EHOSTUNREACH, 10065}};
  for (const Case& c : errnos) EXPECT_EQ(qvl_net_error_from_errno(c.error), c.code) << c.error;
  const Case resolver[] = {{0, 0}, {EAI_NONAME, 11001}, {EAI_AGAIN, 11002}, {EAI_FAIL, 11003},
                           {EAI_FAMILY, 10047}};
  for (const Case& c : resolver)
    EXPECT_EQ(qvl_net_error_from_resolver(c.error, 0), c.code) << c.error;
  EXPECT_EQ(qvl_net_error_from_resolver(EAI_SYSTEM, ECONNREFUSED), 10061);
}

// An errno without a Winsock counterpart gets the one fallback, which no
// mapped errno and none of the layer's own codes share.
TEST(NetError, UnmappedErrnoGetsAFallbackThatCollidesWithNothing) {
  EXPECT_EQ(qvl_net_error_from_errno(EDOM), kNetErrorUnmapped);
  EXPECT_EQ(qvl_net_error_from_errno(ENOEXEC), kNetErrorUnmapped);
  std::set<int> mapped;
  for (int e = 1; e < 200; ++e) {
    int code = qvl_net_error_from_errno(e);
    if (code != kNetErrorUnmapped) mapped.insert(code);
  }
  for (int own : {kNetErrorTableFull, kNetErrorConnectTimedOut, kNetErrorHostNotFound})
    EXPECT_NE(own, kNetErrorUnmapped);
  EXPECT_EQ(mapped.count(kNetErrorUnmapped), 0u);
  EXPECT_NE(qvl_net_error_message(kNetErrorUnmapped), nullptr);
}

TEST(NetError, TextIsCodeAndFixedMessageOrEmpty) {
  qvl_net_set_error(10061);
  EXPECT_STREQ(qvl_net_error_text(), "10061 The connection was refused.");
  qvl_net_set_error(8);
  EXPECT_EQ(std::string(qvl_net_error_text()).rfind("8 ", 0), 0u);
  // Every code the layer reports has a text.
  for (int e = 0; e < 200; ++e)
    EXPECT_NE(qvl_net_error_message(qvl_net_error_from_errno(e)), nullptr) << e;
  qvl_net_set_error(12345);
  EXPECT_STREQ(qvl_net_error_text(), "");
}

TEST(NetError, LastErrorBelongsToEachThread) {
  qvl_net_set_error(10035);
  std::thread([] {
    EXPECT_EQ(qvl_net_last_error(), 0);
    qvl_net_set_error(10054);
  }).join();
  EXPECT_EQ(qvl_net_last_error(), 10035);
}

}  // namespace
