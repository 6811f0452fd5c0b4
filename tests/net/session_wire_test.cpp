// The session on the wire: a hosted session talking to a plain socket that
// speaks the protocol byte by byte, and a joining session talking to a
// plain listener that plays the host.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "net/session_commands.h"
#include "net_test_support.h"
#include "raw_machine.h"
#include "session_test_support.h"

namespace {

using qvl_test::Bytes;
using qvl_test::plain_connect;
using qvl_test::read_bytes;
using qvl_test::send_bytes;
using qvl_test::wire;

// One byte per send, so the reader meets every partial header and payload.
void trickle(int fd, const Bytes& bytes) {
  for (uint8_t b : bytes) {
    ASSERT_EQ(send(fd, &b, 1, MSG_NOSIGNAL), 1);
    usleep(200);
  }
}

Bytes announcement(uint8_t query, const char* name) {
  return wire(qvl_test::announcement(query, name));
}

// A machine that speaks the protocol by hand to a hosted session: its
// announcement and requests arrive a byte at a time, and the answers are
// checked byte by byte. A header with a length above 1024 then costs it its
// connection, and its player leaves.
TEST(SessionWire, HostAnswersByteByByte) {
  qvl_test::SessionRecord record;
  const int port = qvl_test::unused_port();
  ASSERT_EQ(qvl_net_session_host(port), 1);
  int fd = plain_connect(port);

  trickle(fd, announcement(0, "raw"));
  EXPECT_EQ(read_bytes(fd, 7), (Bytes{2, 0, 0, 101, 0, 0, 0}));

  trickle(fd, {104, 0, 0, 0, 0, 101, 0});  // hello from 101
  EXPECT_EQ(read_bytes(fd, 9), (Bytes{104, 2, 0, 101, 0, 0, 0, 1, 0}));

  send_bytes(fd, {103, 2, 0, 0, 0, 101, 0, 0xE7, 0x03});  // the name of 999
  EXPECT_EQ(read_bytes(fd, 14),
            (Bytes{103, 7, 0, 101, 0, 0, 0, 'N', 'O', '_', 'D', 'A', 'T', 'A'}));

  send_bytes(fd, {103, 2, 0, 0, 0, 101, 0, 101, 0});
  EXPECT_EQ(read_bytes(fd, 10), (Bytes{103, 3, 0, 101, 0, 0, 0, 'r', 'a', 'w'}));

  send_bytes(fd, {3, 0x01, 0x04, 0, 0, 101, 0});  // 1025 payload bytes follow
  EXPECT_EQ(read_bytes(fd, 1), Bytes{});  // closed by the host
  EXPECT_EQ(qvl_test::next_departure(), 101);
  EXPECT_EQ(qvl_net_session_player_count(), 0);
  close(fd);
}

// A joining session's own packets, byte by byte: the query player's
// announcement, the hello, a named player's announcement, and its removal
// sent just before the session ends (as the shutdown does); answered by a
// plain listener playing the host.
TEST(SessionWire, JoinSendsTheAnnouncementsAndHello) {
  qvl_test::SessionRecord record;
  int port = 0;
  int listener = qvl_test::plain_listener(&port);
  Bytes query_announce, hello, bob_announce, removal;
  std::thread host([&] {
    int fd = accept(listener, nullptr, nullptr);
    query_announce = read_bytes(fd, 143);
    send_bytes(fd, {2, 0, 0, 103, 0, 0, 0});
    hello = read_bytes(fd, 7);
    send_bytes(fd, {104, 2, 0, 103, 0, 0, 0, 1, 0});
    bob_announce = read_bytes(fd, 143);
    send_bytes(fd, {2, 0, 0, 104, 0, 0, 0});
    removal = read_bytes(fd, 8);  // 7, then the end of the stream
    close(fd);
  });
  EXPECT_EQ(qvl_net_session_join(BasicString("127.0.0.1"), port), 1);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("bob")), 104);
  EXPECT_EQ(qvl_net_session_remove_player(104), 7);
  EXPECT_EQ(qvl_net_session_end(), 101);
  host.join();
  close(listener);

  EXPECT_EQ(query_announce, announcement(1, "query"));
  EXPECT_EQ(hello, (Bytes{104, 0, 0, 0, 0, 103, 0}));
  EXPECT_EQ(bob_announce, announcement(0, "bob"));
  EXPECT_EQ(removal, (Bytes{4, 0, 0, 0, 0, 104, 0}));
  EXPECT_EQ(qvl_net_session_is_running(), 0);
}

// The host keeps 128 joined connections, its own among them; a machine
// that comes when all are taken is let in and closed at once, and the
// others stay served.
TEST(SessionWire, HostTurnsAwayThe129thConnection) {
  qvl_test::SessionRecord record;
  const int port = qvl_test::unused_port();
  ASSERT_EQ(qvl_net_session_host(port), 1);
  std::vector<int> machines;
  for (int i = 0; i < 127; ++i) {
    int fd = plain_connect(port);
    send_bytes(fd, announcement(0, "m"));
    Bytes id = read_bytes(fd, 7);  // answered: accepted and served
    ASSERT_EQ(id.size(), 7u) << "machine " << i;
    EXPECT_EQ(id[3] | id[4] << 8, 101 + i);
    machines.push_back(fd);
  }
  int turned_away = plain_connect(port);
  send_bytes(turned_away, announcement(0, "late"));
  EXPECT_EQ(read_bytes(turned_away, 1), Bytes{});  // closed, unanswered
  close(turned_away);
  send_bytes(machines.back(), {104, 0, 0, 0, 0, 227, 0});
  EXPECT_EQ(read_bytes(machines.back(), 9), (Bytes{104, 2, 0, 227, 0, 0, 0, 1, 0}));
  for (int fd : machines) close(fd);
}

// A machine that stops reading while texts for it pile up loses its
// connection once a send to it stalls, and the others go on.
TEST(SessionWire, MachineThatTakesNothingIsDropped) {
  qvl_test::SessionRecord record;
  const int port = qvl_test::unused_port();
  ASSERT_EQ(qvl_net_session_host(port), 1);
  ASSERT_EQ(qvl_net_session_add_player(BasicString("sender")), 101);
  int stalled = plain_connect(port, 4096);
  send_bytes(stalled, announcement(0, "stalled"));
  ASSERT_EQ(read_bytes(stalled, 7), (Bytes{2, 0, 0, 102, 0, 0, 0}));

  const BasicString text(std::string(1000, 't').c_str());
  int left = 0;
  for (int i = 0; i < 100000 && left == 0; ++i) {
    ASSERT_EQ(qvl_net_session_send_text(101, 102, text), 1);
    if (i % 64 == 0) left = qvl_net_session_next_left_player();
  }
  if (left == 0) left = qvl_test::next_departure();
  EXPECT_EQ(left, 102);
  EXPECT_EQ(qvl_net_session_player_count(), 1);
  close(stalled);
}

// The host going away ends the session thread on its own while the main
// thread ends the session and frees the record: whichever comes first, the
// sockets close once and the record is freed only after the thread let go.
TEST(SessionWire, HostLeavingWhileTheSessionEnds) {
  int port = 0;
  int listener = qvl_test::plain_listener(&port);
  for (int round = 0; round < 20; ++round) {
    std::thread host([&] {
      int fd = accept(listener, nullptr, nullptr);
      read_bytes(fd, 143);
      send_bytes(fd, {2, 0, 0, 101, 0, 0, 0});
      read_bytes(fd, 7);
      send_bytes(fd, {104, 2, 0, 101, 0, 0, 0, 1, 0});
      usleep(static_cast<useconds_t>(round * 150));
      close(fd);
    });
    {
      qvl_test::SessionRecord record;
      ASSERT_EQ(qvl_net_session_join(BasicString("127.0.0.1"), port), 1);
      usleep(static_cast<useconds_t>((19 - round) * 150));
      qvl_net_session_end();
    }
    host.join();
    EXPECT_EQ(qvl_net_startup_count(), 0);
  }
  close(listener);
}

}  // namespace
