// The player's program entry: the runtime's state, the project settings, the
// start-up, the application and END.
#include "core/call_by_name.h"
#include "core/error_state.h"
#include "core/logs.h"
#include "game/call_table.h"
#include "game/entry.h"
#include "host/static_init.h"

namespace {

// The start-up steps that exist so far, in their order.
void startup() {
  // The error log holds one run: the previous one goes first.
  qvl_log_error_file_delete();
  qvl_log_error_file("Start new log...\n");
  qvl_call_enable_pause_hooks(1);
  // The runtime timer takes its first reading here once it exists.
  qvl_log_error_file("timer\n");
}

}  // namespace

int main() {
  qvl_runtime_static_init();
  qvl_call_set_table(game_call_table);

  game_project_settings();
  startup();
  qvl_err_state.error_line = 0;
  qvl_err_state.last_error = 0;
  qvl_err_state.current_line = 0;

  int result = game_entry();
  BasicString loop_hook("QVL_ON_LOOP");
  if (qvl_call_find_routine(loop_hook)) qvl_call_run_loop(loop_hook);

  // The application came back by itself: a normal END, whatever error it
  // raised and survived on the way.
  if (!qvl_err_state.ending) qvl_err_end_program();
  return result;
}
