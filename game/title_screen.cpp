#include "game/title_screen.h"

#include <algorithm>
#include <cstring>

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

// The title text as last split: the text itself, its lines and the length
// of the longest. Splitting is the costly part of a title frame (a long
// text of line feeds splits into as many strings), so it runs only when
// the text has changed.
struct TitleLines {
  BasicString text;
  BasicArray<BasicString> lines;
  int longest = 0;
  bool made = false;
};

TitleLines& title_lines() {
  static TitleLines kept;
  return kept;
}

void print_slot_line(const char* what, int slot) {
  BasicString line(what);
  line.append_int(slot);
  line.append_char('\n');
  qvl_log_print(line);
}

// Only the lines that reach into the screen are printed; the others would
// draw nothing.
void draw_lines(const BasicArray<BasicString>& lines, int longest) {
  int gw = 0, gh = 0, sw = 0, sh = 0;
  qvl_font_glyph_size(&gw, &gh);
  qvl_gfx_screen_size(&sw, &sh);
  const int64_t x = (int64_t(sw) - int64_t(longest) * gw) / 2;
  const int64_t y = (int64_t(sh) - int64_t(gh) * lines.size1) / 2;
  int first = 0, last = lines.size1;
  if (gh > 0) {
    first = int(std::clamp<int64_t>((-y - gh) / gh, 0, lines.size1));
    last = int(std::clamp<int64_t>((sh - y) / gh + 1, first, lines.size1));
  }
  for (int i = first; i < last; ++i)
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

const BasicArray<BasicString>& menu_title_shown_lines(const BasicString& text) {
  TitleLines& kept = title_lines();
  const bool same = kept.made && kept.text.length == text.length &&
                    std::memcmp(kept.text.text, text.text, size_t(text.length)) == 0;
  if (!same) {
    menu_title_lines(text, kept.lines);
    kept.text = text;
    kept.longest = 0;
    for (int i = 0; i < kept.lines.size1; ++i)
      kept.longest = std::max(kept.longest, kept.lines.data[i].length);
    kept.made = true;
  }
  return kept.lines;
}

bool menu_title_waiting() { return waiting_for_release; }

void menu_title_reset() { waiting_for_release = false; }

int menu_title_screen(Tgame& game, int editor, Tplaygame& playgame) {
  qvl_gfx_set_clear_colour(0);
  const BasicArray<BasicString>& lines = menu_title_shown_lines(game.game_text);
  game_toggle_fullscreen(game);
  draw_lines(lines, title_lines().longest);
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
