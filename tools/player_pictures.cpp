// player-pictures: the player itself on the demo game, with scripted keys
// in place of a user, saving the README's pictures through the runtime's
// screenshot command: the title screen, play with both ships firing, then
// the pause dialog that a click into the window's top strip opens.
//
//   player-pictures <folder>      (writes <folder>/title.png, play.png, pause.png)
//
// It lives beside the player, whose "Media" folder it reads. Run it under
// a display (tools/readme-pictures.sh starts Xvfb for it).
#include <cstdio>
#include <string>

#include "core/call_by_name.h"
#include "core/isaac.h"
#include "files/plat_query.h"
#include "game/call_table.h"
#include "game/entry.h"
#include "game/frame.h"
#include "game/play_seam.h"
#include "gfx2d/draw_commands.h"
#include "host/show_screen.h"
#include "host/startup.h"
#include "host/static_init.h"
#include "platform/gl_leak_suppressions.h"

namespace {

std::string g_folder;
int g_frame = 0;
bool g_keys[256];

// Frames of the script: the title is shown, both players join, play runs
// with the ships firing and moving, the pause dialog is opened, and the
// pictures are taken (the dialog's glide is over well before its picture).
constexpr int kTitlePicture = 40, kJoin = 50, kPlayPicture = 330, kPauseClick = 340,
              kPausePicture = 400, kEnd = 410;

int scripted_key(int scan) { return g_keys[scan & 255] ? 1 : 0; }

// A click into the top strip: the first button is down for one reading
// only, so the player's wait for its release ends at once.
int g_click_readings = 0;
void scripted_mouse(int* x, int* y, int* button1, int* button2) {
  *x = 160;
  *y = 10;
  *button1 = (g_frame == kPauseClick && g_click_readings++ == 0) ? 1 : 0;
  *button2 = 0;
}

void script_keys(int f) {
  for (bool& k : g_keys) k = false;
  if (f >= kJoin && f < kJoin + 4) g_keys[157] = g_keys[29] = true;  // right and left Ctrl
  if (f > kJoin + 10) {
    const int t = f - kJoin;
    if (t % 20 < 3) g_keys[157] = true;          // player 1 fires
    if ((t + 10) % 20 < 3) g_keys[29] = true;    // player 2 fires
    if (t % 120 < 20) g_keys[203] = true;        // player 1 sways left and right
    else if (t % 120 >= 60 && t % 120 < 80) g_keys[205] = true;
    if (t % 120 < 15) g_keys[30] = true;         // player 2 the other way
    else if (t % 120 >= 60 && t % 120 < 75) g_keys[32] = true;
  }
}

void save(const char* name) {
  const std::string path = g_folder + name;
  if (qvl_gfx_save_screenshot(BasicString(path.c_str())) != 1)
    std::fprintf(stderr, "player-pictures: cannot write %s\n", path.c_str());
}

void picture_frame() {
  if (g_frame == 0) qvl_rnd_seed(1);  // the same enemy fire on every run
  script_keys(g_frame);
  game.exit_on_escape = 0;
  game_frame(game);
  if (g_frame == kTitlePicture) save("title.png");
  if (g_frame == kPlayPicture) save("play.png");
  if (g_frame == kPausePicture) save("pause.png");
  ++g_frame;
  if (g_frame > kEnd) qvl_call_end_loop();
  qvl_win_show_screen();
}

const NamedSub kCallTable[] = {
    {picture_frame, "ZEMO_PLAYER_APP"},
    {nullptr, nullptr},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: player-pictures <folder>\n");
    return 2;
  }
  g_folder = argv[1];
  if (g_folder.empty() || g_folder.back() != '/') g_folder += '/';
  play_seam.key = scripted_key;
  play_seam.mouse = scripted_mouse;
  qvl_runtime_static_init();
  qvl_call_set_table(kCallTable);
  qvl_plat_set_app_info(game_info_compiled, game_info_host_id, game_info_version);
  QvlApplication app{game_project_settings, game_entry};
  return qvl_win_main(app, nullptr, 1, 1, argv);
}
