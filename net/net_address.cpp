#include "net/net_address.h"

#include <arpa/inet.h>

#include <cstring>

NetAddress qvl_net_address_none{};
NetAddress qvl_net_address_fallback{};

void NetAddress::init(int family_value, const uint8_t* bytes, int port_value) {
  family = family_value;
  port = htons(static_cast<uint16_t>(port_value));
  if (!bytes) {
    std::memset(address, 0, sizeof address);
    return;
  }
  std::memcpy(address, bytes, family_value == 23 ? 16 : 4);
}
