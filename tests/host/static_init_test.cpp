// The ordered start-up of the runtime's process-wide state.
#include "host/static_init.h"

#include <gtest/gtest.h>

#include "net/net_address.h"

namespace {

TEST(StaticInit, MakesTheTwoGlobalAddresses) {
  net_any_address.family = 99;
  net_none_address.address[3] = 7;
  qvl_runtime_static_init();
  EXPECT_EQ(net_any_address.family, 0);
  EXPECT_EQ(net_none_address.family, -1);
  for (const NetAddress* a : {&net_any_address, &net_none_address}) {
    EXPECT_EQ(a->port, 0);
    for (uint8_t b : a->address) EXPECT_EQ(b, 0);
  }
}

}  // namespace
