// The player's program entry: the runtime's state and the call-by-name
// table, then the host's entry with the application's two routines.
#include "core/call_by_name.h"
#include "files/plat_query.h"
#include "game/call_table.h"
#include "game/entry.h"
#include "host/startup.h"
#include "host/static_init.h"
#include "platform/gl_leak_suppressions.h"

int main(int argc, char** argv) {
  qvl_runtime_static_init();
  qvl_call_set_table(game_call_table);
  qvl_plat_set_app_info(game_info_compiled, game_info_host_id, game_info_version);
  QvlApplication app{game_project_settings, game_entry};
  return qvl_win_main(app, nullptr, 1, argc, argv);
}
