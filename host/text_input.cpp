#include "host/text_input.h"

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/logs.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "platform/file_dialog.h"
#include "platform/keyboard.h"

namespace {

// The screen under the line input is kept in this background slot while it
// runs, so each frame can put it back before the line is drawn again.
constexpr int kLineInputBackground = 3;

void keep_screen() {
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) {
    gfx->grab_background(kLineInputBackground);
    gfx->draw_background(kLineInputBackground);
  }
}

void restore_screen() {
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) gfx->draw_background(kLineInputBackground);
}

void print_with_current_font(const char* text, int x, int y, int proportional) {
  qvl_font_print(BasicString(text), x, y, proportional);
}

void release_screen() {
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) gfx->free_background(kLineInputBackground);
}

}  // namespace

LineInputPainter qvl_input_line_painter = {keep_screen, restore_screen, print_with_current_font,
                                           release_screen};

// --- The typed-character queue -------------------------------------------

void InputManager::push_char(int c) {
  c &= 0xFF;
  if (c == 0) return;
  if (c == 13) c = 10;
  if (c < 32 && c != 8 && c != 9 && c != 10) return;
  if (typed_chars.size() >= kMaxTypedChars) return;
  typed_chars.push_back(static_cast<uint8_t>(c));
}

int InputManager::next_char() {
  if (typed_chars.empty()) return 0;
  int c = typed_chars.front();
  typed_chars.erase(typed_chars.begin());
  return c == 13 ? 10 : c;
}

bool InputManager::take_char() { return next_char() != 0; }

int InputManager::scan_to_ascii(int scan) {
  switch (scan) {
    case 0x0E: return 8;
    case 0x1C: case 0x9C: return 10;
    case 0x1D: case 0x2A: case 0x36: case 0x38: case 0x3A: case 0x45: case 0xDD: return 0;
    default: break;
  }
  int c = plat_char_of_dik(scan);
  if (c >= 1 && c <= 31 && c != 8) return c == 10 ? 10 : 0;
  return c;
}

void qvl_input_push_char(int c) {
  if (qvl_input_manager) qvl_input_manager->push_char(c);
}

BasicString qvl_input_typed_char() {
  int c = qvl_input_manager ? qvl_input_manager->next_char() : 0;
  BasicString s;
  if (c != 0) s.append_char(static_cast<char>(c));
  return s;
}

// --- The line input -------------------------------------------------------

namespace {

// One frame; false when the program is ending.
bool frame() {
  int shown = qvl_win_show_screen_core();
  qvl_win_reset_frame_state();
  return shown != 0;
}

void print_line(const BasicString& text, int x, int y, int proportional) {
  if (qvl_input_line_painter.print) qvl_input_line_painter.print(text.c_str(), x, y, proportional);
}

}  // namespace

void qvl_input_text(BasicString& text, int x, int y, int proportional) {
  const LineInputPainter& p = qvl_input_line_painter;
  if (p.keep_screen) p.keep_screen();
  print_line(text, x, y, proportional);
  bool running = frame();
  int blink = 0, idle = 0;
  while (running) {
    int c = 0;
    if (InputManager* im = qvl_input_manager) {
      im->refresh_keyboard(0);
      c = im->next_char();
    }
    if (c == 0) {
      // The cursor blinks only while nothing is typed.
      if (++idle > 20) {
        blink = 1 - blink;
        idle = 0;
      }
    } else if (c == 10 || c == 13) {
      break;
    } else if (c == 8) {
      if (!text.empty()) text.truncate(text.length - 1);
    } else {
      text.append_char(static_cast<char>(c));
    }
    if (p.restore_screen) p.restore_screen();
    BasicString shown(text);
    if (blink) shown.append_char('_');
    print_line(shown, x, y, proportional);
    running = frame();
  }
  if (p.release_screen) p.release_screen();
}

void qvl_input_text_float(double* out, int x, int y, int proportional) {
  BasicString s;
  qvl_input_text(s, x, y, proportional);
  if (out) *out = s.to_double();
}

void qvl_input_text_int(int* out, int x, int y, int proportional) {
  BasicString s;
  qvl_input_text(s, x, y, proportional);
  if (out) *out = s.to_int();
}

// --- The file requester ---------------------------------------------------

void qvl_input_requester_filter(const BasicString& filter, RequesterFilter* out) {
  std::memset(out->buffer, 0, sizeof out->buffer);
  // Room for the text and the two NULs that end the list.
  int n = filter.length < 1022 ? filter.length : 1022;
  if (n < 0) n = 0;
  std::memcpy(out->buffer, filter.c_str(), static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    if (out->buffer[i] == '|') out->buffer[i] = 0;
}

namespace {

// The pairs of the double-NUL list: description, pattern, description ...
std::vector<PlatFileFilter> filter_pairs(const RequesterFilter& f) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at < sizeof f.buffer && f.buffer[at] != 0) {
    size_t len = strnlen(f.buffer + at, sizeof f.buffer - at);
    parts.emplace_back(f.buffer + at, len);
    at += len + 1;
  }
  std::vector<PlatFileFilter> pairs;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) pairs.emplace_back(parts[i], parts[i + 1]);
  return pairs;
}

// Back to the project's screen mode after the dialog.
void restore_screen_mode() {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx) return;
  const ProjectSettings& ps = qvl_win_project_settings;
  if (ps.full_screen) {
    qvl_win_set_screen(ps.width, ps.height, 1);
  } else {
    gfx->set_windowed();
  }
}

}  // namespace

BasicString& qvl_win_file_requester(BasicString& result, int open, const BasicString& filter) {
  result.assign_cstr("");
  RequesterFilter f;
  qvl_input_requester_filter(filter, &f);
  char cwd[1024];
  if (!getcwd(cwd, sizeof cwd)) cwd[0] = 0;
  if (qvl_gfx_rainbows) qvl_gfx_rainbows->hide_window();
  std::string chosen;
  PlatDialogResult answer = plat_file_dialog(open != 0, filter_pairs(f), cwd, &chosen);
  if (cwd[0] && chdir(cwd) != 0) { /* the folder is gone; stay where we are */ }
  restore_screen_mode();
  // Without the dialog program every request reads as cancelled; the log
  // says why, once.
  static bool told_no_dialog = false;
  if (answer == PlatDialogResult::no_dialog && !told_no_dialog) {
    told_no_dialog = true;
    qvl_log_error_file("File requester: zenity cannot be run, so no file can be chosen\n");
  }
  if (answer == PlatDialogResult::chosen && !chosen.empty()) {
    for (char& c : chosen)
      if (c == '\\') c = '/';
    result.assign_cstr(chosen.c_str());
  } else {
    result.assign_cstr("NO_FILE");
  }
  return result;
}
