// The slot table and the socket library's references.
#include "net/socket_table.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <string>

#include "net/net_error.h"
#include "net/socket_commands.h"
#include "net/sockets.h"
#include "tests/net/net_test_support.h"
#include "tests/support/basic_string_text.h"

namespace {

TEST(SocketTable, The1025thSocketFailsWithError8AndTheLowestFreedSlotIsReused) {
  rlimit files;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &files), 0);
  if (files.rlim_cur < 1200) {
    files.rlim_cur = files.rlim_max < 1200 ? files.rlim_max : 1200;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &files), 0);
  }
  if (files.rlim_cur < 1100) GTEST_SKIP() << "the descriptor limit stays below the table's size";

  ASSERT_TRUE(qvl_net_startup());
  for (int i = 0; i < kSocketSlots; ++i) ASSERT_EQ(qvl_net_udp_open(0), i);
  EXPECT_EQ(qvl_net_udp_open(0), -1);
  EXPECT_EQ(qvl_net_last_error(), 8);
  EXPECT_EQ(qvl_net_tcp_listen(0), -1);
  EXPECT_EQ(qvl_net_tcp_connect(qvl_test::loopback(2, 1), 1000), -1);
  EXPECT_EQ(qvl_net_last_error(), 8);
  EXPECT_EQ(qvl_net_find_free_slot(), -1);
  EXPECT_EQ(qvl_test::str(qvl_net_sock_last_error()).rfind("8 ", 0), 0u);

  EXPECT_EQ(qvl_net_close(700), 0);
  EXPECT_EQ(qvl_net_close(500), 0);
  EXPECT_EQ(qvl_net_udp_open(0), 500);
  EXPECT_EQ(qvl_net_udp_open(0), 700);
  EXPECT_EQ(qvl_net_shutdown(), 0);
  EXPECT_EQ(qvl_net_find_free_slot(), 0);  // the last release closed every slot
}

TEST(SocketTable, TheLastReleaseClosesEverySocket) {
  ASSERT_TRUE(qvl_net_startup());
  ASSERT_TRUE(qvl_net_startup());
  int a = qvl_net_udp_open(0);
  int b = qvl_net_tcp_listen(0);
  ASSERT_EQ(a, 0);
  ASSERT_EQ(b, 1);
  EXPECT_EQ(qvl_net_shutdown(), 1);  // one reference left: all stay open
  EXPECT_EQ(qvl_net_readable(a), -2);
  EXPECT_EQ(qvl_net_shutdown(), 0);
  EXPECT_EQ(qvl_net_readable(a), -1);
  EXPECT_EQ(qvl_net_last_error(), kNetErrorNotSocket);
  EXPECT_EQ(qvl_net_find_free_slot(), 0);
  EXPECT_EQ(qvl_net_shutdown(), 0);  // none left: the count stays at 0
  EXPECT_EQ(qvl_net_startup_count(), 0);
}

// Each user holds at most one reference and gives back only its own, so
// the commands' shutdown cannot close the session's sockets.
TEST(SocketTable, EachUserHoldsAtMostOneReference) {
  NetLibraryRef session;
  ASSERT_TRUE(session.take());
  ASSERT_TRUE(session.take());
  EXPECT_EQ(qvl_net_startup_count(), 1);
  int session_socket = qvl_net_udp_open(0);
  ASSERT_GE(session_socket, 0);

  EXPECT_EQ(qvl_net_sock_startup(), 1);
  EXPECT_EQ(qvl_net_sock_startup(), 1);  // already started: no second reference
  EXPECT_EQ(qvl_net_startup_count(), 2);
  EXPECT_EQ(qvl_net_sock_shutdown(), 1);
  EXPECT_EQ(qvl_net_sock_shutdown(), 1);  // holds none: releases nothing
  EXPECT_EQ(qvl_net_readable(session_socket), -2);

  EXPECT_EQ(session.release(), 0);
  EXPECT_FALSE(session.held());
  EXPECT_EQ(qvl_net_readable(session_socket), -1);
  EXPECT_EQ(session.release(), 0);
}

TEST(SocketTable, NoSocketOpensWithoutAReference) {
  EXPECT_EQ(qvl_net_udp_open(0), -1);
  EXPECT_EQ(qvl_net_last_error(), kNetErrorNotStarted);
  EXPECT_EQ(qvl_net_tcp_listen(0), -1);
  EXPECT_EQ(qvl_net_last_error(), kNetErrorNotStarted);
}

// Indices from programs: outside the table they fail as a free slot does.
TEST(SocketTable, FreeAndOutOfRangeSlotsFailAlike) {
  ASSERT_TRUE(qvl_net_startup());
  char byte = 'x';
  for (int slot : {0, 5, -1, 1024, 1 << 30}) {
    SCOPED_TRACE(slot);
    EXPECT_EQ(qvl_net_close(slot), -1);
    EXPECT_EQ(qvl_net_last_error(), kNetErrorNotSocket);
    EXPECT_EQ(qvl_net_sock_close(slot), 0);
    EXPECT_EQ(qvl_net_send(slot, &byte, 1, nullptr), -1);
    EXPECT_EQ(qvl_net_receive(slot, &byte, 1, false), -1);
    EXPECT_EQ(qvl_net_readable(slot), -1);
    EXPECT_EQ(qvl_net_tcp_accept(slot, nullptr), -1);
    EXPECT_EQ(qvl_net_peer_address(slot).family, -1);
    EXPECT_EQ(qvl_test::str(qvl_net_sock_peer_address(slot)), std::string(4, '\0'));
    EXPECT_EQ(qvl_net_sock_peer_port(slot), 0);
    qvl_net_set_error(1234);
    EXPECT_EQ(qvl_net_set_blocking(slot, true), kNetErrorNotSocket);
  }
  int u = qvl_net_udp_open(0);
  EXPECT_EQ(qvl_net_sock_close(u), 1);
  EXPECT_EQ(qvl_net_sock_close(u), 0);  // already free
}

TEST(SocketTable, FamilySetting) {
  EXPECT_EQ(qvl_net_family(), 2);
  EXPECT_EQ(qvl_net_family_of(6), 23);
  EXPECT_EQ(qvl_net_family(), 2);  // the mapping alone stores nothing
  EXPECT_EQ(qvl_net_set_family(6), 23);
  EXPECT_EQ(qvl_net_family(), 23);
  EXPECT_EQ(qvl_net_set_family(5), 2);
}

}  // namespace
