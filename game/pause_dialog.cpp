#include "game/pause_dialog.h"

#include <algorithm>

#include "core/logs.h"
#include "files/plat_query.h"
#include "files/sys_process.h"
#include "game/options_file.h"
#include "gfx2d/render_target.h"
#include "gfx2d/viewport.h"
#include "kvgui/kvgui.h"

namespace {

bool built = false;

// The platform's name, asked once per program.
const BasicString& platform_name() {
  static const BasicString name = [] {
    BasicString key;
    return qvl_plat_query(key);
  }();
  return name;
}

BasicString number_text(int v) {
  BasicString s;
  s.init_int(v);
  return s;
}

void select(const char* id, int value) {
  kvgui_set_property(BasicString(id), BasicString("SELECT"), number_text(value));
}

int selected(const char* id) { return int(kvgui_get_number(BasicString(id), BasicString("SELECT"))); }

bool clicked(const char* id) { return kvgui_get_number(BasicString(id), BasicString("CLICKED")) != 0; }

void build(const Tplaygame& playgame, int level_count, int editor) {
  qvl_gfx_set_virtual_resolution(320, 320);
  qvl_log_print(BasicString("Init menu...\n"));
  built = true;
  qvl_fbo_use_target(-1);
  kvgui_push_dialog(0, 0, 300, 300, 1, 1);
  kvgui_set_property(BasicString(), BasicString("TEXT"), BasicString("Pause"));
  kvgui_add_frame(BasicString(), BasicString("Joystick"), 0);
  const bool web = platform_name().compare_text("JAVASCRIPT") == 0;
  kvgui_add_radio(BasicString("rd_ctrl"),
                  BasicString(web ? "WASD+1,IJKL+0|Gamepad" : "WASD,CRSR|Gamepad"), 0);
  kvgui_add_unframe();
  kvgui_add_spacer(10000, 0);
  kvgui_add_checkbox(BasicString("ch_auto"), BasicString("Autofire"), 0, 0);
  if (editor && level_count > 0) {
    kvgui_add_spacer(10000, 0);
    kvgui_add_widget(BasicString(), BasicString("Start: "), 0, 0);
    BasicString stages("Stage 1");
    for (int k = 2; k <= level_count; ++k) {
      stages.append_cstr("|Stage ");
      stages.append_int(k);
    }
    kvgui_add_combo(BasicString("cb_startlv"), stages, 0, 0);
    select("cb_startlv", playgame.start_level);
    kvgui_add_checkbox(BasicString("ch_trainer"), BasicString("Trainer"), 0, 0);
    select("ch_trainer", playgame.trainer);
  }
  kvgui_add_spacer(10000, 0);
  kvgui_add_button(BasicString("bt_ok"), BasicString("OK"), 0, 0);
  kvgui_add_button(BasicString("bt_stop"), BasicString(editor ? "Editor" : "Title"), 0, 0);
  kvgui_add_spacer(10000, 0);
  kvgui_add_button(BasicString("bt_web"), BasicString("Made with Z.E.M.O."), 0, 0);
  select("rd_ctrl", playgame.input);
  select("ch_auto", playgame.autofire);
  qvl_log_print(BasicString("Menu is set up\n"));
}

void close(Tplaygame& playgame) {
  qvl_gfx_set_virtual_resolution(0, 0);
  kvgui_pop_dialog_fade(1);
  built = false;
  playgame.paused = 0;
}

}  // namespace

bool menu_options_dialog_built() { return built; }

int menu_options_dialog(Tplaygame& playgame, int level_count, int editor) {
  if (!built) build(playgame, level_count, editor);
  kvgui_show(0);
  if (clicked("bt_stop")) {
    close(playgame);
    return 0;
  }
  if (clicked("bt_web")) {
    BasicString page(kKitWebPage);
    qvl_sys_shell_open(page);
  }
  if (!clicked("bt_ok")) return 1;
  playgame.input = selected("rd_ctrl");
  playgame.autofire = selected("ch_auto");
  playgame.start_level = 0;
  if (editor && level_count > 0)
    playgame.start_level = std::clamp(selected("cb_startlv"), 0, level_count - 1);
  // In the editor the trainer flag is taken too; a dialog built without
  // its check box reads 0.
  if (editor) playgame.trainer = selected("ch_trainer");
  options_load_save(playgame, 0);
  close(playgame);
  return 1;
}
