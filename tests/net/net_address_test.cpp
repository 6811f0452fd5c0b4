#include "net/net_address.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/basic_string_text.h"

namespace {

TEST(NetAddress, InitCopiesBytesByFamilyAndStoresPortInNetworkOrder) {
  uint8_t bytes[16];
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<uint8_t>(i + 1);

  NetAddress a;
  std::memset(&a, 0xee, sizeof a);
  a.init(2, bytes, 27910);
  EXPECT_EQ(a.family, 2);
  EXPECT_EQ(a.port, htons(27910));
  EXPECT_EQ(std::memcmp(a.address, bytes, 4), 0);
  EXPECT_EQ(a.address[4], 0xee);  // IPv4 leaves the rest alone

  a.init(23, bytes, 1);
  EXPECT_EQ(std::memcmp(a.address, bytes, 16), 0);

  a.init(-1, nullptr, 0);
  EXPECT_EQ(a.family, -1);
  EXPECT_EQ(a.port, 0);
  for (uint8_t b : a.address) EXPECT_EQ(b, 0);
}

// Socket addresses carry the platform's family numbers; programs see
// Winsock's (23 for IPv6).
TEST(NetAddress, SocketAddressRoundTripKeepsFamilyBytesAndPort) {
  uint8_t v6[16] = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9};
  NetAddress six;
  six.init(23, v6, 443);
  sockaddr_storage s;
  EXPECT_EQ(six.to_sockaddr(s), sizeof(sockaddr_in6));
  EXPECT_EQ(s.ss_family, AF_INET6);
  NetAddress back;
  back.from_sockaddr(s);
  EXPECT_EQ(back.family, 23);
  EXPECT_EQ(std::memcmp(back.address, v6, 16), 0);
  EXPECT_EQ(qvl_net_address_port(back), 443);

  NetAddress four = qvl_net_make_ipv4_address(1, 0, 0, 127, 80);
  EXPECT_EQ(four.to_sockaddr(s), sizeof(sockaddr_in));
  EXPECT_EQ(reinterpret_cast<sockaddr_in&>(s).sin_addr.s_addr, htonl(0x7f000001));
  back.from_sockaddr(s);
  EXPECT_EQ(back.family, 2);
  EXPECT_STREQ(qvl_net_address_text(back), "127.0.0.1");  // d.c.b.a
  EXPECT_EQ(qvl_test::str(qvl_net_address_bytes(back)), std::string("\x7f\0\0\x01", 4));
  EXPECT_EQ(qvl_net_address_bytes(six).length, 16);
}

TEST(NetAddress, Ipv6TextTable) {
  struct Case {
    uint8_t bytes[16];
    const char* text;
  };
  const Case cases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "::1"},
      {{0}, "::"},
      // Of two equal zero runs the first is shortened.
      {{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1}, "2001:db8::1:0:0:1"},
      // A single zero group stays "0".
      {{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}, "2001:db8:0:1:1:1:1:1"},
      // The longer run wins over an earlier shorter one.
      {{0, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 3}, "1:0:0:2::3"},
      // A run at the end leaves the text ending in "::".
      {{0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "fe80::"},
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 192, 168, 0, 1}, "::ffff:192.168.0.1"},
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4}, "::1.2.3.4"},
      // Five zero groups without ffff: no dotted tail.
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 3, 4}, "::1:102:304"},
      {{0xab, 0xcd, 0, 0x0f, 0x10, 0, 0, 0, 0xff, 0xff, 0, 0, 0, 0, 0, 0x0a},
       "abcd:f:1000:0:ffff::a"},
  };
  for (const Case& c : cases) {
    char text[64];
    qvl_net_ipv6_text(c.bytes, text);
    EXPECT_STREQ(text, c.text);
    NetAddress a;
    a.init(23, c.bytes, 0);
    EXPECT_STREQ(qvl_net_address_text(a), c.text);
  }
}

}  // namespace
