#include "game/title_screen.h"

#include <algorithm>

#include "core/logs.h"
#include "core/string_commands.h"
#include "core/string_split.h"
#include "game/hud.h"
#include "game/play_seam.h"
#include "game/players.h"
#include "game/run.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/viewport.h"

namespace {

constexpr int kKeyEsc = 1, kKeyQ = 16;
constexpr int kPauseStripe = 48;

bool waiting_for_release = false;

void print_slot_line(const char* what, int slot) {
  BasicString line(what);
  line.append_int(slot);
  line.append_char('\n');
  qvl_log_print(line);
}

void draw_lines(const BasicArray<BasicString>& lines) {
  int longest = 0;
  for (int i = 0; i < lines.size1; ++i) longest = std::max(longest, lines.data[i].length);
  int gw = 0, gh = 0, sw = 0, sh = 0;
  qvl_font_glyph_size(&gw, &gh);
  qvl_gfx_screen_size(&sw, &sh);
  const int64_t x = (int64_t(sw) - int64_t(longest) * gw) / 2;
  const int64_t y = (int64_t(sh) - int64_t(gh) * lines.size1) / 2;
  for (int i = 0; i < lines.size1; ++i)
    qvl_font_print(lines.data[i], double(x), double(y + int64_t(gh) * i), 0);
}

}  // namespace

void menu_title_lines(const BasicString& text, BasicArray<BasicString>& lines) {
  const BasicString cr("\r"), lf("\n"), empty;
  const BasicString crlf = qvl_str_replace_all(qvl_str_replace_all(text, cr, empty), lf,
                                               BasicString("\r\n"));
  qvl_str_split(crlf, lines, lf, true);
  for (int i = 0; i < lines.size1; ++i) lines.data[i] = qvl_str_replace_all(lines.data[i], cr, empty);
}

bool menu_title_waiting() { return waiting_for_release; }

void menu_title_reset() { waiting_for_release = false; }

int menu_title_screen(Tgame& game, int editor, Tplaygame& playgame) {
  qvl_gfx_set_clear_colour(0);
  BasicArray<BasicString> lines;
  menu_title_lines(game.game_text, lines);
  game_toggle_fullscreen(game);
  draw_lines(lines);
  hud_draw_mode_caption(editor);
  // Joining: fire sets a slot's lives; play starts once nobody holds it.
  bool any_fire = false;
  for (int i = 0; i < game.players.size1; ++i) {
    int dx = 0, dy = 0, fire = 0;
    player_read_input(i, dx, dy, fire, playgame);
    if (!fire) continue;
    any_fire = true;
    game.players.data[i].lives = gamestate.start_players.at(i).lives;
    print_slot_line("clicked ", i);
  }
  waiting_for_release = false;
  for (int j = 0; j < game.players.size1; ++j) {
    if (game.players.data[j].lives <= 0) continue;
    if (!any_fire) {
      print_slot_line("running ", j);
      return 1;
    }
    print_slot_line("wait for release ", j);
    waiting_for_release = true;
  }
  int mx = 0, my = 0, b1 = 0, b2 = 0;
  play_seam.mouse(&mx, &my, &b1, &b2);
  if (b1 && my < kPauseStripe) {
    qvl_log_print(BasicString("wait for release pause\n"));
    play_wait_mouse_release();
    playgame.paused = 1;
    qvl_log_print(BasicString("released pause\n"));
  }
  if (game.exit_on_escape && (play_seam.key(kKeyEsc) || play_seam.key(kKeyQ))) {
    while (play_seam.key(kKeyEsc) || play_seam.key(kKeyQ)) play_seam.message_step();
    return 0;
  }
  return 1;
}
