// The socket commands as programs use them: strings in, strings out.
#include "net/socket_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "core/error_state.h"
#include "net/net_error.h"
#include "net/net_resolve.h"
#include "net/socket_table.h"
#include "net/sockets.h"
#include "tests/net/net_test_support.h"
#include "tests/support/basic_string_text.h"

namespace {

using qvl_test::bytes;
using qvl_test::str;

const std::string kLoopback4("\x7f\0\0\x01", 4);
const std::string kLoopback6 = std::string(15, '\0') + '\x01';

TEST(SocketCommands, IpVersionOutsideFourAndSixRaisesError4AndSelectsIpv4) {
  EXPECT_EQ(qvl_net_sock_set_ip_version(6), 23);
  qvl_err_clear();
  EXPECT_EQ(qvl_net_sock_set_ip_version(5), 2);
  EXPECT_EQ(qvl_err_state.last_error, 4);
  EXPECT_EQ(qvl_net_family(), 2);
  qvl_err_clear();
  EXPECT_EQ(qvl_net_sock_set_ip_version(4), 2);
  EXPECT_EQ(qvl_err_state.last_error, 0);
}

TEST(SocketCommands, AddressTextOfRawBytes) {
  struct Case {
    std::string bytes;
    const char* text;
    int error;
  };
  const Case cases[] = {
      {std::string("\xc0\xa8\x00\x01", 4), "192.168.0.1", 0},
      {kLoopback6, "::1", 0},
      {"abc", "0.0.0.0", 4},  // the none address's text
      {"", "0.0.0.0", 4},
  };
  for (const Case& c : cases) {
    qvl_err_clear();
    EXPECT_EQ(str(qvl_net_sock_address_text(bytes(c.bytes))), c.text);
    EXPECT_EQ(qvl_err_state.last_error, c.error);
  }
}

TEST(SocketCommands, StreamExchangeKeepsZeroBytesAndReportsEveryState) {
  ASSERT_EQ(qvl_net_sock_startup(), 1);
  int listener = qvl_net_sock_listen(0);
  ASSERT_GE(listener, 0);
  BasicString peer = bytes("old");
  EXPECT_EQ(qvl_net_sock_accept(listener, peer), -1);  // nothing pending
  EXPECT_EQ(peer.length, 0);

  int client = qvl_net_sock_connect(BasicString("127.0.0.1"), qvl_net_sock_peer_port(listener), 5000);
  ASSERT_GE(client, 0);
  ASSERT_EQ(qvl_net_wait_readable(listener, 10000), 1);
  int server = qvl_net_sock_accept(listener, peer);
  ASSERT_GE(server, 0);
  EXPECT_EQ(str(peer), kLoopback4);
  EXPECT_EQ(str(qvl_net_sock_peer_address(client)), kLoopback4);
  EXPECT_EQ(qvl_net_sock_peer_port(client), qvl_net_sock_peer_port(listener));

  BasicString got = bytes("left over");
  EXPECT_EQ(qvl_net_sock_receive(server, got, 100), -2);
  EXPECT_EQ(got.length, 0);
  EXPECT_EQ(qvl_net_sock_send(client, BasicString()), 0);
  EXPECT_EQ(qvl_net_sock_send(client, bytes(std::string("a\0b\0", 4))), 4);
  ASSERT_EQ(qvl_net_wait_readable(server, 10000), 1);
  EXPECT_EQ(qvl_net_sock_receive(server, got, 100), 4);
  EXPECT_EQ(str(got), std::string("a\0b\0", 4));
  EXPECT_EQ(got.text[4], 0);
  EXPECT_EQ(qvl_net_sock_receive(server, got, 0), -1);  // no room asked: nothing read
  EXPECT_EQ(got.length, 0);

  EXPECT_EQ(qvl_net_sock_close(client), 1);
  ASSERT_EQ(qvl_net_wait_readable(server, 10000), 1);
  got = bytes("x");
  EXPECT_EQ(qvl_net_sock_receive(server, got, 100), 0);
  EXPECT_EQ(got.length, 0);
  EXPECT_EQ(qvl_net_sock_set_blocking(server, 1), 0);
  EXPECT_EQ(qvl_net_sock_shutdown(), 0);
}

TEST(SocketCommands, UdpSendTakesFourOrSixteenAddressBytes) {
  ASSERT_EQ(qvl_net_sock_startup(), 1);
  for (int version : {4, 6}) {
    qvl_net_sock_set_ip_version(version);
    const std::string& to = version == 4 ? kLoopback4 : kLoopback6;
    int port = qvl_test::unused_port(SOCK_DGRAM);
    int receiver = qvl_net_sock_udp_open(port);
    int sender = qvl_net_sock_udp_open(0);
    ASSERT_GE(receiver, 0);
    EXPECT_EQ(qvl_net_sock_send(sender, bytes("no address")), -1);  // always -1 on UDP
    EXPECT_EQ(qvl_net_sock_udp_send(sender, bytes("ping"), bytes(to), port), 4);
    ASSERT_EQ(qvl_net_wait_readable(receiver, 10000), 1);
    BasicString got;
    EXPECT_EQ(qvl_net_sock_receive(receiver, got, 64), 4);
    EXPECT_EQ(str(got), "ping");
    EXPECT_EQ(str(qvl_net_sock_peer_address(receiver)), to);
    EXPECT_NE(qvl_net_sock_peer_port(receiver), 0);
    qvl_err_clear();
    EXPECT_EQ(qvl_net_sock_udp_send(sender, bytes("ping"), bytes("12345"), port), -1);
    EXPECT_EQ(qvl_err_state.last_error, 4);
  }
}

TEST(SocketCommands, ResolveGivesRawBytesAndFourZeroBytesOnFailure) {
  EXPECT_EQ(str(qvl_net_sock_resolve(BasicString("localhost"))), kLoopback4);
  EXPECT_EQ(str(qvl_net_sock_resolve(BasicString("127.0.0.1"))), kLoopback4);
  // A label over 63 characters fails before any query leaves the machine.
  std::string bad = std::string(64, 'a') + ".invalid";
  EXPECT_EQ(str(qvl_net_sock_resolve(BasicString(bad.c_str()))), std::string(4, '\0'));
  EXPECT_EQ(qvl_net_last_error(), 11001);
  EXPECT_EQ(str(qvl_net_sock_last_error()), "11001 No such host is known.");
  qvl_net_sock_set_ip_version(6);
  EXPECT_EQ(str(qvl_net_sock_resolve(BasicString("::1"))), kLoopback6);
  qvl_net_sock_set_ip_version(4);
  // The machine's own address: whatever it is, an IPv4 one.
  EXPECT_EQ(qvl_net_sock_resolve(BasicString()).length, 4);
}

TEST(LocalAddresses, OthersFirstThenOneLoopbackAddress) {
  auto v4 = [](int a, int b, int c, int d) {
    NetAddress r;
    uint8_t bytes[4] = {static_cast<uint8_t>(a), static_cast<uint8_t>(b),
                        static_cast<uint8_t>(c), static_cast<uint8_t>(d)};
    r.init(2, bytes, 0);
    return r;
  };
  NetAddress own = v4(192, 0, 2, 7);
  struct Case {
    std::vector<NetAddress> resolved;
    const char* list;
    int count;
  };
  const Case cases[] = {
      {{own, v4(127, 0, 0, 1)}, "192.0.2.7|127.0.0.1|", 2},
      // Debian names the machine 127.0.1.1: still the loopback.
      {{v4(127, 0, 1, 1), own}, "192.0.2.7|127.0.0.1|", 2},
      {{own}, "192.0.2.7|", 1},
      {{v4(127, 0, 1, 1)}, "127.0.0.1|", 1},
      {{}, "", 0},
  };
  char list[2048];
  for (const Case& c : cases) {
    EXPECT_EQ(qvl_net_list_addresses(c.resolved.data(), static_cast<int>(c.resolved.size()), 2,
                                     "|", list, sizeof list),
              c.count);
    EXPECT_STREQ(list, c.list);
  }
  NetAddress six[2];
  uint8_t net6[16] = {0xfd, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
  six[0] = qvl_test::loopback(23, 0);
  six[1].init(23, net6, 0);
  EXPECT_EQ(qvl_net_list_addresses(six, 2, 23, ", ", list, sizeof list), 2);
  EXPECT_STREQ(list, "fd00::2, ::1, ");

  // The walk stops once the text would pass 2047 characters.
  std::vector<NetAddress> many(300, v4(192, 168, 100, 200));  // 15 + 1 each
  EXPECT_EQ(qvl_net_list_addresses(many.data(), 300, 2, "|", list, sizeof list), 127);
  EXPECT_EQ(std::string(list).size(), 127u * 16);
}

TEST(LocalAddresses, CommandDropsTheTrailingSeparatorAndGivesItsReferenceBack) {
  std::string list = str(qvl_net_local_address_list());
  if (!list.empty()) {
    EXPECT_NE(list.back(), '|');
  }
  EXPECT_EQ(qvl_net_startup_count(), 0);
}

}  // namespace
