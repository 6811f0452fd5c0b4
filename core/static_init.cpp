#include "core/static_init.h"

#include "core/call_by_name.h"

void qvl_core_static_init() {
  // The loop runner's names. Their release at exit is registered here, after
  // the channel table's closer, so they go before the channels are closed.
  qvl_call_static_init();
}
