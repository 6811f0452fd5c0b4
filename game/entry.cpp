#include "game/entry.h"

#include "core/call_by_name.h"
#include "core/error_state.h"
#include "core/logs.h"
#include "files/app_name.h"
#include "files/paths.h"
#include "files/plat_query.h"
#include "game/frame.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "game/run.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "host/window_proc.h"
#include "kvgui/globals.h"
#include "platform/video.h"

namespace {

const char* const kGameFile = "zzz_game.zemo";
// The exit status of a run whose game could not be read.
constexpr int kExitGameUnreadable = 2;

void print(const char* line) { qvl_log_print(BasicString(line)); }

// A line on standard output and the same text alone on the screen.
void announce(const char* text) {
  BasicString line(text);
  line.append_char('\n');
  qvl_log_print(line);
  qvl_font_print(BasicString(text), 0, 0, 0);
  qvl_win_show_screen();
}

}  // namespace

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

void game_init_globals() {
  kvgui_caret_color = 0;
  kvgui_font_scaling = 0;
  format_version = 33;
  frame_clock = 0;
  path_factor = 4;
}

int game_entry() {
  game_init_globals();
  game_main();
  return 0;
}

void game_main() {
  BasicString media("Media");
  qvl_file_set_current_dir(media);
  BasicString key("COMPILED");
  BasicString line("ZEMO player app - V");
  line.append(qvl_plat_query(key));
  line.append_cstr("\n.zemo file format: ");
  line.append_int(format_version);
  line.append_char('\n');
  qvl_log_print(line);

  print("Reading game...\n");
  qvl_font_print(BasicString("Loading..."), 0, 0, 0);
  qvl_win_show_screen();
  // Only the disk is looked at here; the reader also finds a game packed
  // into the program's archive.
  if (!qvl_file_exists(BasicString(kGameFile))) {
    announce("Game data not found");
    qvl_input_wait_click();
  }
  if (!gamefile_read(game, BasicString(kGameFile))) {
    // The run has failed, whatever error code the reading left behind and
    // however the program is now left: the click, Esc or the window closed.
    qvl_err_set_end_status(kExitGameUnreadable);
    announce("Load Error!");
    qvl_input_wait_click();
    qvl_err_end_program();
  }
  print("Reading is done...\n");
  game.file_name.assign_cstr(kGameFile);
  game_set_window_title(game.title);
  qvl_input_show_pointer(1);
  qvl_call_enable_pause_hooks(1);
  game_run(game, 0, 0, 0);
  qvl_call_run_loop(BasicString("ZEMO_PLAYER_APP"));
}

void game_player_app_frame() {
  game.exit_on_escape = 0;
  game_frame(game);
  qvl_win_show_screen();
}

void game_set_window_title(const BasicString& text) {
  // The host puts its caption back when a pause ends: it must be the
  // game's title too.
  qvl_win_caption().assign(text);
  plat_window_set_title(qvl_win_handle(), text.c_str());
}

void game_info_compiled(BasicString& out) {
  out.assign_cstr(__DATE__ "-" __TIME__);
}

void game_info_host_id(BasicString& out) { out.assign_cstr("3f9a2c7e"); }

void game_info_version(BasicString& out) { out.assign_cstr("123.456"); }
