#include "net/net_address.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
