#include "net/static_init.h"

#include "net/net_address.h"

void qvl_net_static_init_sockets() {
  net_any_address.init(kNetFamilyAny, nullptr, 0);
  net_none_address.init(kNetFamilyNone, nullptr, 0);
}
