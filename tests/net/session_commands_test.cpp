// The session commands in one process: without a session, and on a hosted
// session whose players talk over the host's connection to itself.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "net/net_error.h"
#include "net/session_commands.h"
#include "net_test_support.h"
#include "session_test_support.h"

namespace {

using qvl_test::next_text;
using qvl_test::str;

BasicString bytes(const std::string& s) {
  BasicString b;
  std::memcpy(b.buffer(static_cast<int>(s.size())), s.data(), s.size());
  b.text[s.size()] = 0;
  b.length = static_cast<int>(s.size());
  return b;
}

// Without a running session nothing waits: the count is 0 at once, and
// the query player that the id and name requests need cannot be made.
TEST(SessionCommands, WithoutASessionEverythingFails) {
  qvl_test::SessionRecord record;
  EXPECT_EQ(qvl_net_session_is_running(), 0);
  EXPECT_EQ(qvl_net_session_player_count(), 0);
  EXPECT_EQ(qvl_net_session_player_id(0), 0);
  EXPECT_EQ(str(qvl_net_session_player_name(101)), "NO_DATA");
  EXPECT_EQ(qvl_net_session_add_player(BasicString("x")), 0);
  EXPECT_EQ(record.s->local_players.count, 0);  // the player went again
  EXPECT_EQ(qvl_net_session_send_text(101, 0, BasicString("x")), 0);
  EXPECT_EQ(str(qvl_net_session_next_message(101)), "");
  EXPECT_EQ(qvl_net_session_next_left_player(), 0);
  EXPECT_EQ(qvl_net_session_end(), 101);
  // Ids outside 1 to 65279 come back unchanged and send nothing.
  for (int id : {0, 65280, -5, 70000}) EXPECT_EQ(qvl_net_session_remove_player(id), id);
  EXPECT_EQ(qvl_net_session_remove_player(101), -1);  // no connection
}

TEST(SessionCommands, HostedTextsArriveInOrderWithTheirBytes) {
  qvl_test::SessionRecord record;
  ASSERT_EQ(qvl_net_session_host(qvl_test::unused_port()), 1);
  EXPECT_EQ(qvl_net_session_is_running(), 1);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("a")), 101);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("b")), 102);

  const std::string with_nul("x\0y", 3);
  const std::string longest(1024, 'L');
  EXPECT_EQ(qvl_net_session_send_text(101, 102, BasicString("first")), 1);
  EXPECT_EQ(qvl_net_session_send_text(101, 102, bytes(with_nul)), 1);
  EXPECT_EQ(qvl_net_session_send_text(101, 102, bytes(longest)), 1);
  EXPECT_EQ(qvl_net_session_send_text(101, 102, bytes(longest + "!")), 0);  // no packet holds it
  EXPECT_EQ(qvl_net_session_send_text(102, 101, BasicString("back")), 1);

  EXPECT_EQ(next_text(102), "first");
  EXPECT_EQ(qvl_net_session_last_sender(), 101);
  EXPECT_EQ(next_text(102), with_nul);
  EXPECT_EQ(next_text(102), longest);
  EXPECT_EQ(next_text(101), "back");
  EXPECT_EQ(qvl_net_session_last_sender(), 102);
  // Nothing for an unknown player, and the last sender stays.
  EXPECT_EQ(str(qvl_net_session_next_message(555)), "");
  EXPECT_EQ(qvl_net_session_last_sender(), 102);

  // Removing a player: the host records its departure.
  EXPECT_EQ(qvl_net_session_remove_player(102), 7);
  EXPECT_EQ(qvl_test::next_departure(), 102);

  // The end returns only after the thread has ended.
  EXPECT_EQ(qvl_net_session_end(), 101);
  EXPECT_EQ(qvl_net_session_is_running(), 0);
  EXPECT_EQ(record.s->client_slot, -1);
  EXPECT_EQ(record.s->server_slot, -1);
}

// Hosting twice restarts the session: ids begin at 101 again.
TEST(SessionCommands, HostingAgainStartsOver) {
  qvl_test::SessionRecord record;
  const int port = qvl_test::unused_port();
  ASSERT_EQ(qvl_net_session_host(port), 1);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("a")), 101);
  ASSERT_EQ(qvl_net_session_host(port), 1);
  EXPECT_EQ(record.s->local_players.count, 0);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("a")), 101);
  EXPECT_EQ(qvl_net_startup_count(), 1);  // the session holds one reference
}

// Hosting on a port in use fails at the listener; joining where nobody
// listens fails at the connect. Neither leaves a thread running.
TEST(SessionCommands, HostAndJoinFailures) {
  qvl_test::SessionRecord record;
  int port = 0;
  int taken = qvl_test::plain_listener(&port);
  EXPECT_EQ(qvl_net_session_host(port), 0);
  EXPECT_EQ(qvl_net_session_is_running(), 0);
  close(taken);
  EXPECT_EQ(qvl_net_session_join(BasicString("127.0.0.1"), qvl_test::unused_port()), 0);
  EXPECT_EQ(qvl_net_last_error(), kNetErrorRefused);
  EXPECT_EQ(qvl_net_session_is_running(), 0);
}

// The session's end gives back only its own library reference: sockets the
// program opened under a reference of its own stay open.
TEST(SessionCommands, EndKeepsTheProgramsOwnSockets) {
  qvl_test::SessionRecord record;
  ASSERT_TRUE(qvl_net_startup());
  int listener = qvl_net_tcp_listen(0);
  ASSERT_GE(listener, 0);
  ASSERT_EQ(qvl_net_session_host(qvl_test::unused_port()), 1);
  EXPECT_EQ(qvl_net_session_end(), 101);
  EXPECT_EQ(qvl_net_session_end(), 101);  // nothing more to give back
  EXPECT_EQ(qvl_net_startup_count(), 1);
  EXPECT_NE(qvl_net_peer_address(listener).family, kNetFamilyNone);
  qvl_net_shutdown();
}

}  // namespace
