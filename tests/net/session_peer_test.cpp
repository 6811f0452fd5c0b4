// Two machines in two processes on loopback: this test process hosts, a
// forked peer process joins and reports what it sees line by line.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <string>
#include <thread>

#include "net/session_commands.h"
#include "net_test_support.h"
#include "session_test_support.h"

namespace {

using qvl_test::LineChannel;
using qvl_test::PeerProcess;

using qvl_test::next_departure;
using qvl_test::next_text;
using qvl_test::str;

// The peer joins, adds the named players and reports each line.
void join_and_add(LineChannel& c, int port, std::initializer_list<const char*> names) {
  if (c.read_line() != "go") return;
  c.write_line("join " + std::to_string(qvl_net_session_join(BasicString("127.0.0.1"), port)));
  for (const char* name : names)
    c.write_line("id " + std::to_string(qvl_net_session_add_player(BasicString(name))));
}

TEST(SessionPeers, TwoMachinesShareIdsNamesAndTexts) {
  const int port = qvl_test::unused_port();
  PeerProcess peer([port](LineChannel& c) {
    join_and_add(c, port, {"bob"});
    c.write_line("count " + std::to_string(qvl_net_session_player_count()));
    for (int i = 0; i < 4; ++i) {
      std::string t = next_text(104);
      c.write_line("text " + t + " from " + std::to_string(qvl_net_session_last_sender()));
    }
    c.write_line("sent " + std::to_string(qvl_net_session_send_text(104, 101, BasicString("pong"))));
    // The host ends its session: this side's thread ends on its own.
    int running = 1;
    for (int i = 0; i < 2000 && running; ++i, usleep(5000)) running = qvl_net_session_is_running();
    c.write_line("running " + std::to_string(running));
  });
  qvl_test::SessionRecord record;
  ASSERT_EQ(qvl_net_session_host(port), 1);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("alice")), 101);
  EXPECT_EQ(qvl_net_session_player_count(), 1);  // makes the query player, 102
  EXPECT_EQ(str(qvl_net_session_player_name(102)), "query");

  peer.write_line("go");
  EXPECT_EQ(peer.read_line(), "join 1");  // its query player took 103
  EXPECT_EQ(peer.read_line(), "id 104");
  EXPECT_EQ(peer.read_line(), "count 2");
  EXPECT_EQ(qvl_net_session_player_count(), 2);
  EXPECT_EQ(qvl_net_session_player_id(0), 101);
  EXPECT_EQ(qvl_net_session_player_id(1), 104);
  EXPECT_EQ(qvl_net_session_player_id(2), 0);
  EXPECT_EQ(str(qvl_net_session_player_name(104)), "bob");
  EXPECT_EQ(str(qvl_net_session_player_name(103)), "query");
  EXPECT_EQ(str(qvl_net_session_player_name(999)), "NO_DATA");

  for (const char* t : {"one", "two", "three"})
    EXPECT_EQ(qvl_net_session_send_text(101, 104, BasicString(t)), 1);
  EXPECT_EQ(qvl_net_session_send_text(101, 0, BasicString("all")), 1);  // to every player
  for (const char* t : {"one", "two", "three", "all"})
    EXPECT_EQ(peer.read_line(), std::string("text ") + t + " from 101");
  EXPECT_EQ(peer.read_line(), "sent 1");
  EXPECT_EQ(next_text(101), "pong");
  EXPECT_EQ(qvl_net_session_last_sender(), 104);
  EXPECT_EQ(str(qvl_net_session_next_message(101)), "");  // the text to all skips its sender

  EXPECT_EQ(qvl_net_session_end(), 101);
  EXPECT_EQ(peer.read_line(), "running 0");
  EXPECT_EQ(peer.read_line(), "<done>");
  EXPECT_EQ(peer.wait(), 0);
}

// A host that takes no new machines leaves the join unanswered: it fails
// after the wait for the query player's id, and the session is stopped.
TEST(SessionPeers, JoinFailsWhileTheHostRefusesNewMachines) {
  const int port = qvl_test::unused_port();
  PeerProcess peer([port](LineChannel& c) {
    join_and_add(c, port, {});
    c.write_line("running " + std::to_string(qvl_net_session_is_running()));
  });
  qvl_test::SessionRecord record;
  ASSERT_EQ(qvl_net_session_host(port), 1);
  EXPECT_EQ(qvl_net_session_allow_join(0), 0);
  peer.write_line("go");
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(peer.read_line(), "join 0");
  EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::seconds(4));
  EXPECT_EQ(peer.read_line(), "running 0");
  EXPECT_EQ(peer.wait(), 0);
}

// A joined machine killed outright: each of its real players leaves once,
// newest first, and its query player leaves without a departure.
TEST(SessionPeers, KilledMachineLeavesOneDepartureForEachRealPlayer) {
  const int port = qvl_test::unused_port();
  PeerProcess peer([port](LineChannel& c) {
    join_and_add(c, port, {"bob", "carol"});
    c.read_line();  // until killed
  });
  qvl_test::SessionRecord record;
  ASSERT_EQ(qvl_net_session_host(port), 1);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("alice")), 101);
  peer.write_line("go");
  EXPECT_EQ(peer.read_line(), "join 1");  // query player 102
  EXPECT_EQ(peer.read_line(), "id 103");
  EXPECT_EQ(peer.read_line(), "id 104");
  EXPECT_EQ(qvl_net_session_player_count(), 3);  // the host's query player: 105
  peer.kill9();

  EXPECT_EQ(next_departure(), 104);
  EXPECT_EQ(qvl_net_session_next_left_player(), 103);
  EXPECT_EQ(qvl_net_session_next_left_player(), 0);
  EXPECT_EQ(qvl_net_session_player_count(), 1);
  EXPECT_EQ(str(qvl_net_session_player_name(103)), "NO_DATA");
}

// The default port, where nothing else of these tests goes.
TEST(SessionPeers, DefaultPortIs27910) {
  int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_port = htons(27910);
  int one = 1;
  setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  bool free_port = bind(probe, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
  close(probe);
  if (!free_port) GTEST_SKIP() << "port 27910 is in use on this machine";

  PeerProcess peer([](LineChannel& c) { join_and_add(c, 0, {"bob"}); });
  qvl_test::SessionRecord record;
  ASSERT_EQ(qvl_net_session_host(0), 1);
  EXPECT_EQ(qvl_test::slot_port(record.s->server_slot), 27910);
  peer.write_line("go");
  EXPECT_EQ(peer.read_line(), "join 1");
  EXPECT_EQ(peer.read_line(), "id 102");
  EXPECT_EQ(peer.wait(), 0);
}

// 100,000 texts from the host's player to the peer's arrive all, once
// each, in order. The peer confirms every 1,000, and the host sends at
// most two batches ahead, so the queues stay small and the texts waiting
// for the peer's player within their bound.
TEST(SessionPeers, SoakOf100000TextsKeepsEveryTextInOrder) {
  constexpr int kTexts = 100000;
  constexpr int kBatch = 1000;
  const int port = qvl_test::unused_port();
  PeerProcess peer([port](LineChannel& c) {
    join_and_add(c, port, {"sink"});
    int expected = 0;
    std::string fault;
    while (expected < kTexts && fault.empty()) {
      BasicString t = qvl_net_session_next_message(103);
      if (t.length == 0) {
        if (!qvl_net_session_is_running()) fault = "session ended";
        usleep(200);
        continue;
      }
      if (str(t) != std::to_string(expected)) fault = "got " + str(t) + " for " + std::to_string(expected);
      ++expected;
      if (expected % kBatch == 0) qvl_net_session_send_text(103, 101, BasicString("ack"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    BasicString extra = qvl_net_session_next_message(103);
    c.write_line(fault.empty() ? "received " + std::to_string(expected) + " extra " + str(extra)
                               : fault);
  });
  qvl_test::SessionRecord record;
  ASSERT_EQ(qvl_net_session_host(port), 1);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("source")), 101);
  peer.write_line("go");
  ASSERT_EQ(peer.read_line(), "join 1");  // query 102
  ASSERT_EQ(peer.read_line(), "id 103");

  int acked = 0;
  for (int i = 0; i < kTexts; ++i) {
    if (i >= (acked + 2) * kBatch) {
      ASSERT_EQ(next_text(101), "ack");
      ++acked;
    }
    ASSERT_EQ(qvl_net_session_send_text(101, 103, BasicString(std::to_string(i).c_str())), 1);
  }
  EXPECT_EQ(peer.read_line(60000), "received 100000 extra ");
  EXPECT_EQ(peer.wait(), 0);
}

}  // namespace
