// The ordered start-up of the runtime's process-wide state.
#include "host/static_init.h"

#include <gtest/gtest.h>

#include "net/net_address.h"

namespace {

TEST(StaticInit, MakesTheTwoGlobalAddresses) {
  qvl_net_address_none.family = 99;
  qvl_net_address_fallback.address[3] = 7;
  qvl_runtime_static_init();
  EXPECT_EQ(qvl_net_address_none.family, 0);
  EXPECT_EQ(qvl_net_address_fallback.family, -1);
  for (const NetAddress* a : {&qvl_net_address_none, &qvl_net_address_fallback}) {
    EXPECT_EQ(a->port, 0);
    for (uint8_t b : a->address) EXPECT_EQ(b, 0);
  }
}

}  // namespace
