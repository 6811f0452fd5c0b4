#include "host/static_init.h"

#include "core/static_init.h"
#include "host/input_manager.h"
#include "net/static_init.h"

void qvl_runtime_static_init() {
  // The socket unit's any and none addresses.
  qvl_net_static_init_sockets();
  // The touch table and the optional pointer entries of the window unit.
  qvl_win_static_init();
  // The runtime core last (the loop runner's names). The 2D graphics'
  // virtual resolution and the file channel table are set up by their own
  // definitions and need no step here.
  qvl_core_static_init();
}
