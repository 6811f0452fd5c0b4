// A network address as the socket commands keep it.
#pragma once

#include <cstdint>

struct NetAddress {
  int32_t family;       // 2 = IPv4, 23 = IPv6 (0 and -1 mark the two globals)
  uint8_t address[16];  // IPv4 uses the first four
  uint16_t port;        // network byte order

  // Stores family and port; a null address means "any" (all bytes 0), else
  // 16 bytes are copied for IPv6 and 4 for every other family.
  void init(int family, const uint8_t* address, int port);
};

// The two process-wide addresses made before the program starts: an empty
// one (family 0) and the fallback (family -1) that the network commands use
// after rejecting a raw address of the wrong size.
extern NetAddress qvl_net_address_none;
extern NetAddress qvl_net_address_fallback;
