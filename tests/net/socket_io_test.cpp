// Connecting, accepting, sending and receiving on loopback.
#include "net/sockets.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/net_error.h"
#include "net/socket_table.h"
#include "tests/net/net_test_support.h"

namespace {

using qvl_test::loopback;
using qvl_test::slot_port;

double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Time-outs outside 1 to 30000 ms wait 30 seconds.
TEST(SocketTimeouts, OutOfRangeTimeoutsCountAsThirtySeconds) {
  const int cases[][2] = {{0, 30000}, {-5, 30000}, {40000, 30000}, {30001, 30000},
                          {1, 1},     {2500, 2500}, {30000, 30000}};
  for (const auto& c : cases) EXPECT_EQ(qvl_net_clamp_timeout(c[0]), c[1]) << c[0];
}

class SocketIo : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(qvl_net_startup()); }
};

TEST_F(SocketIo, ConnectTimesOutWith10036AndARefusalFailsWith10061) {
  // A listener with a full accept queue drops further connection requests,
  // so a connect to it waits for its time-out.
  int port;
  int listener = qvl_test::plain_listener(&port, 0);
  int first = qvl_net_tcp_connect(loopback(2, port), 5000);
  ASSERT_GE(first, 0);
  std::vector<int> queued;
  auto t0 = std::chrono::steady_clock::now();
  int slot = qvl_net_tcp_connect(loopback(2, port), 300);
  for (int i = 0; i < 4 && slot >= 0; ++i) {  // a queue may hold a few more
    queued.push_back(slot);
    slot = qvl_net_tcp_connect(loopback(2, port), 300);
  }
  EXPECT_EQ(slot, -1);
  EXPECT_EQ(qvl_net_last_error(), 10036);
  EXPECT_LT(seconds_since(t0), 20.0);
  int free_before = qvl_net_find_free_slot();
  close(listener);

  // A refused connect polls as writable: it must still read as refused.
  slot = qvl_net_tcp_connect(loopback(2, qvl_test::unused_port()), 5000);
  EXPECT_EQ(slot, -1);
  EXPECT_EQ(qvl_net_last_error(), 10061);
  EXPECT_EQ(qvl_net_find_free_slot(), free_before);  // no slot kept

  qvl_net_set_error(11001);
  EXPECT_EQ(qvl_net_tcp_connect(net_none_address, 100), -1);
  EXPECT_EQ(qvl_net_last_error(), 11001);  // the resolution's reason stays
}

TEST_F(SocketIo, AcceptWithNothingPendingAndOnAUdpSlot) {
  int listener = qvl_net_tcp_listen(0);
  ASSERT_GE(listener, 0);
  EXPECT_NE(slot_port(listener), 0);  // the port the system picked
  EXPECT_EQ(qvl_net_tcp_accept(listener, nullptr), -1);
  EXPECT_EQ(qvl_net_last_error(), 10035);
  EXPECT_EQ(qvl_net_find_free_slot(), listener + 1);
  int udp = qvl_net_udp_open(0);
  qvl_net_set_error(99);
  EXPECT_EQ(qvl_net_tcp_accept(udp, nullptr), -1);
  EXPECT_EQ(qvl_net_last_error(), 0);

  // A second listener on a port in use fails.
  EXPECT_EQ(qvl_net_tcp_listen(slot_port(listener)), -1);
  EXPECT_EQ(qvl_net_last_error(), 10048);
}

TEST_F(SocketIo, AcceptGivesThePeerAndReceiveResultsFollowTheConnection) {
  for (int version : {4, 6}) {
    SCOPED_TRACE(version);
    int family = qvl_net_set_family(version);
    int listener = qvl_net_tcp_listen(0);
    int client = qvl_net_tcp_connect(loopback(family, slot_port(listener)), 5000);
    ASSERT_GE(client, 0);
    ASSERT_EQ(qvl_net_wait_readable(listener, 10000), 1);
    NetAddress peer{};
    int server = qvl_net_tcp_accept(listener, &peer);
    ASSERT_GE(server, 0);
    EXPECT_EQ(peer.family, family);
    EXPECT_EQ(std::string(qvl_net_address_text(peer)), family == 2 ? "127.0.0.1" : "::1");
    EXPECT_EQ(qvl_net_address_port(peer), slot_port(server));

    char buffer[16];
    EXPECT_EQ(qvl_net_receive(server, buffer, sizeof buffer, false), -2);
    EXPECT_EQ(qvl_net_last_error(), 10035);
    EXPECT_EQ(qvl_net_readable(server), -2);
    EXPECT_EQ(qvl_net_send(client, "ab\0cd", 5, nullptr), 5);
    EXPECT_EQ(qvl_net_wait_readable(server, 10000), 1);
    EXPECT_EQ(qvl_net_receive(server, buffer, 5, true), 5);
    EXPECT_EQ(std::string(buffer, 5), std::string("ab\0cd", 5));
    EXPECT_EQ(qvl_net_close(client), 0);
    EXPECT_EQ(qvl_net_wait_readable(server, 10000), 1);
    EXPECT_EQ(qvl_net_receive(server, buffer, sizeof buffer, false), 0);  // closed
    qvl_net_close(server);
    qvl_net_close(listener);
  }
}

TEST_F(SocketIo, AResetReadsAsAClose) {
  int port;
  int listener = qvl_test::plain_listener(&port);
  int client = qvl_net_tcp_connect(loopback(2, port), 5000);
  int peer = accept(listener, nullptr, nullptr);
  linger abort{1, 0};  // closing now sends a reset
  setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  close(peer);
  char buffer[8];
  ASSERT_EQ(qvl_net_wait_readable(client, 10000), 1);
  EXPECT_EQ(qvl_net_receive(client, buffer, sizeof buffer, false), 0);
  close(listener);
}

TEST_F(SocketIo, FillingReceiveWaitsForPiecesButNotForEver) {
  qvl_test::SlotPair p = qvl_test::connected_slots();
  char buffer[8];
  EXPECT_EQ(qvl_net_receive(p.server, buffer, 8, true), -2);  // nothing at all yet
  EXPECT_EQ(qvl_net_receive(p.server, buffer, 0, true), 0);
  std::thread late([&] {
    qvl_net_send(p.client, "abc", 3, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    qvl_net_send(p.client, "defgh", 5, nullptr);
  });
  ASSERT_EQ(qvl_net_wait_readable(p.server, 10000), 1);
  EXPECT_EQ(qvl_net_receive(p.server, buffer, 8, true), 8);
  EXPECT_EQ(std::string(buffer, 8), "abcdefgh");
  late.join();

  // Half a piece, then silence: the inactivity limit ends the wait.
  qvl_net_send(p.client, "xy", 2, nullptr);
  ASSERT_EQ(qvl_net_wait_readable(p.server, 10000), 1);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(qvl_net_receive(p.server, buffer, 8, true, 200), -1);
  EXPECT_EQ(qvl_net_last_error(), 10060);
  EXPECT_LT(seconds_since(t0), 10.0);
}

// A peer that takes nothing: the send gives up after its inactivity limit
// instead of spinning for ever.
TEST_F(SocketIo, SendToAStalledPeerEndsWith10060) {
  qvl_test::SlotPair p = qvl_test::connected_slots();
  std::vector<char> block(4 << 20, 'z');
  auto t0 = std::chrono::steady_clock::now();
  int result = 0;
  for (int i = 0; i < 256 && result >= 0; ++i)
    result = qvl_net_send(p.client, block.data(), static_cast<int>(block.size()), nullptr, 200);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(qvl_net_last_error(), 10060);
  EXPECT_LT(seconds_since(t0), 60.0);
}

// Closing a slot on which another thread waits in a send wakes that send
// and keeps the descriptor until it has let go.
TEST_F(SocketIo, CloseWakesASendThatWaits) {
  qvl_test::SlotPair p = qvl_test::connected_slots();
  std::atomic<int> result{1};
  std::thread sender([&] {
    std::vector<char> block(4 << 20, 'z');
    int r = 0;
    for (int i = 0; i < 256 && r >= 0; ++i)
      r = qvl_net_send(p.client, block.data(), static_cast<int>(block.size()), nullptr);
    result = r;
  });
  // Wait until the sender is stuck on a full socket.
  for (int i = 0; i < 500; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    SlotUse use(p.client);
    pollfd full{use.fd(), POLLOUT, 0};
    if (poll(&full, 1, 0) == 0) break;
  }
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(qvl_net_close(p.client), 0);
  sender.join();
  EXPECT_EQ(result.load(), -1);
  EXPECT_LT(seconds_since(t0), 10.0);
}

// Two threads sending blocks far larger than the socket's buffers on one
// slot, so each send goes out in many pieces: every block arrives whole.
TEST_F(SocketIo, SendsOfTwoThreadsDoNotInterleave) {
  qvl_test::SlotPair p = qvl_test::connected_slots();
  for (int slot : {p.client, p.server}) {
    SlotUse use(slot);
    int small = 16 << 10;
    setsockopt(use.fd(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    setsockopt(use.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  }
  constexpr int kBlock = 256 << 10;
  constexpr int kBlocks = 8;
  auto send_blocks = [&](char fill) {
    std::vector<char> block(kBlock, fill);
    for (int i = 0; i < kBlocks; ++i) EXPECT_EQ(qvl_net_send(p.client, block.data(), kBlock, nullptr), kBlock);
  };
  std::thread a(send_blocks, 'a');
  std::thread b(send_blocks, 'b');
  std::vector<char> got(static_cast<size_t>(kBlock) * kBlocks * 2);
  size_t have = 0;
  while (have < got.size()) {
    ASSERT_EQ(qvl_net_wait_readable(p.server, 10000), 1);
    int n = qvl_net_receive(p.server, got.data() + have, static_cast<int>(got.size() - have), false);
    ASSERT_GT(n, 0);
    have += static_cast<size_t>(n);
  }
  a.join();
  b.join();
  for (size_t block = 0; block < got.size() / kBlock; ++block) {
    const char* start = got.data() + block * kBlock;
    ASSERT_EQ(std::string(start, kBlock), std::string(kBlock, start[0])) << "block " << block;
  }
}

TEST_F(SocketIo, UdpOnBothFamiliesWithSenderAddressAndTruncation) {
  for (int version : {4, 6}) {
    SCOPED_TRACE(version);
    int family = qvl_net_set_family(version);
    int port = qvl_test::unused_port(SOCK_DGRAM);
    int receiver = qvl_net_udp_open(port);
    int sender = qvl_net_udp_open(0);
    ASSERT_GE(receiver, 0);
    ASSERT_GE(sender, 0);
    NetAddress to = loopback(family, port);
    EXPECT_EQ(qvl_net_send(sender, "hi\0there", 8, nullptr), -1);  // UDP needs a destination
    EXPECT_EQ(qvl_net_send(sender, "hi\0there", 8, &net_none_address), -1);
    EXPECT_EQ(qvl_net_send(sender, "hi\0there", 8, &to), 8);

    char buffer[64];
    ASSERT_EQ(qvl_net_wait_readable(receiver, 10000), 1);
    EXPECT_EQ(qvl_net_receive(receiver, buffer, sizeof buffer, false), 8);
    EXPECT_EQ(std::string(buffer, 8), std::string("hi\0there", 8));
    NetAddress from = qvl_net_peer_address(receiver);
    EXPECT_EQ(from.family, family);
    EXPECT_STREQ(qvl_net_address_text(from), family == 2 ? "127.0.0.1" : "::1");

    // The answer goes back to where the datagram came from.
    EXPECT_EQ(qvl_net_send(receiver, "back", 4, &from), 4);
    ASSERT_EQ(qvl_net_wait_readable(sender, 10000), 1);
    EXPECT_EQ(qvl_net_receive(sender, buffer, sizeof buffer, false), 4);
    EXPECT_EQ(qvl_net_address_port(qvl_net_peer_address(sender)), port);

    // A datagram larger than the buffer: -1 and 10040, not a silent cut.
    std::string big(100, 'q');
    EXPECT_EQ(qvl_net_send(sender, big.data(), 100, &to), 100);
    ASSERT_EQ(qvl_net_wait_readable(receiver, 10000), 1);
    EXPECT_EQ(qvl_net_receive(receiver, buffer, 10, false), -1);
    EXPECT_EQ(qvl_net_last_error(), 10040);
    EXPECT_EQ(qvl_net_receive(receiver, buffer, 10, false), -2);  // it was consumed
    qvl_net_close(sender);
    qvl_net_close(receiver);
  }
}

// An IPv6 socket takes IPv6 only, so an IPv4 one can use the same port.
TEST_F(SocketIo, Ipv6ListenerLeavesTheIpv4PortFree) {
  qvl_net_set_family(6);
  int six = qvl_net_tcp_listen(0);
  ASSERT_GE(six, 0);
  qvl_net_set_family(4);
  int four = qvl_net_tcp_listen(slot_port(six));
  EXPECT_GE(four, 0);
}

}  // namespace
