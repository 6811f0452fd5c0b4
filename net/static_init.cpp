#include "net/static_init.h"

#include "net/net_address.h"

void qvl_net_static_init() {
  qvl_net_address_none.init(0, nullptr, 0);
  qvl_net_address_fallback.init(-1, nullptr, 0);
}
