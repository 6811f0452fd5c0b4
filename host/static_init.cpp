#include "host/static_init.h"

#include "core/static_init.h"
#include "host/input_manager.h"
#include "net/static_init.h"

void qvl_runtime_static_init() {
  // 1. The two global network addresses.
  qvl_net_static_init();
  // The touch table and the optional pointer entries of the window unit.
  qvl_win_static_init();
  // 2. The virtual-resolution offsets and scale of the 2D graphics belong
  //    here once that unit exists.
  // 3. The file channel table and the registration of its exit-time closer
  //    belong here, before the core, so the core's state is released first.
  // 4. The runtime core (the loop runner's names).
  qvl_core_static_init();
}
