#include "game/entry.h"

#include "core/error_state.h"
#include "core/logs.h"
#include "files/app_name.h"
#include "game/model.h"
#include "host/project_settings.h"

void game_project_settings() {
  qvl_win_project_settings.width = 1024;
  qvl_win_project_settings.height = 768;
  qvl_win_project_settings.full_screen = 0;
  qvl_win_project_settings.multisample = 0;
  qvl_win_project_settings.frame_rate = 60;
  qvl_win_project_settings.hide_pointer = 1;
  qvl_err_state.debug_mode = 0;
  qvl_sys_app_name().assign_cstr("ZemoAppName");
}

int game_entry() {
  // Until the game itself is built, the application announces its version
  // and returns, so the program entry goes straight on to END.
  BasicString line("ZEMO player app - V");
  BasicString compiled;
  game_info_compiled(compiled);
  line.append(compiled);
  line.append_cstr("\n.zemo file format: ");
  line.append_int(format_version);
  line.append_char('\n');
  qvl_log_print(line);
  return 0;
}

void game_player_app_frame() {
  // One frame of play and the show-screen join here with the game.
}

void game_info_compiled(BasicString& out) {
  out.assign_cstr(__DATE__ "-" __TIME__);
}

void game_info_host_id(BasicString& out) { out.assign_cstr("3f9a2c7e"); }

void game_info_version(BasicString& out) { out.assign_cstr("123.456"); }
