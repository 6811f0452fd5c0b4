// Dialogs driven frame by frame without a person: the graphics object on a
// 1024 x 768 window (Mesa through SDL's offscreen driver), the built-in
// font at 12 x 12 pixels, and a scripted host behind the library's seam: a
// clock that advances 17 ms a frame, a mouse, the wheel, keys and typed
// characters.
#pragma once

#include <cstdlib>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/call_by_name.h"
#include "core/error_state.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/sprite_batch.h"
#include "host/show_screen.h"
#include "kvgui/kvgui.h"
#include "kvgui/globals.h"
#include "kvgui/seam.h"
#include "kvgui/widget_index.h"
#include "tests/gfx2d/gfx_fixture.h"

namespace kvgui_test {

struct ScriptedHost {
  double now = 10000.0;
  double frame_ms = 17.0;
  int mouse_x = 1000, mouse_y = 760;  // away from every dialog
  int button = 0;
  int wheel = 0;
  std::set<int> keys;
  std::deque<char> typed;
  int screens = 0;   // show-screen calls
  int steps = 0;     // message steps
  int clicks = 0;    // click waits
};

// Whether two colours differ by at most tolerance in each channel.
inline bool near(uint32_t a, uint32_t b, int tolerance = 8) {
  for (int shift : {0, 8, 16})
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

inline ScriptedHost& host() {
  static ScriptedHost h;
  return h;
}

inline KvguiSeam scripted_seam() {
  KvguiSeam s;
  s.now_ms = [] { return host().now; };
  s.frame_time_ms = [] { return host().frame_ms; };
  s.mouse = [](int* x, int* y, int* b1, int* b2) {
    *x = host().mouse_x;
    *y = host().mouse_y;
    *b1 = host().button;
    *b2 = 0;
  };
  s.wheel_total = [] { return host().wheel; };
  s.key_down = [](int scan) { return host().keys.count(scan) ? 1 : 0; };
  s.typed_char = [] {
    BasicString c;
    if (!host().typed.empty()) {
      c.append_char(host().typed.front());
      host().typed.pop_front();
    }
    return c;
  };
  s.show_screen = [] { ++host().screens; };
  s.message_step = [] { ++host().steps; };
  s.show_pointer = [] {};
  s.wait_click = [] { ++host().clicks; };
  return s;
}

// A widget callback that notes each call as "id VERB [value]".
inline std::vector<std::string>& callback_log() {
  static std::vector<std::string> log;
  return log;
}

inline double log_callback(BasicString& id, BasicString& verb, BasicString& value) {
  callback_log().push_back(std::string(id.text) + " " + verb.text + " [" + value.text + "]");
  return 0;
}

// A modal dialog's frames, scripted: every call of
// "KVGUI_ON_AFTER_SHOWSCREEN" (once a frame, after show-screen) moves the
// clock on by a frame and runs the first step of the script; a step that
// returns true is done and the next one runs on the next frame. Steps read
// their click targets from the widgets' positions at the time they run.
struct ModalScript {
  std::deque<std::function<bool()>> steps;
  int calls = 0;
};

inline ModalScript& script() {
  static ModalScript s;
  return s;
}

inline void after_show_screen() {
  ModalScript& s = script();
  host().now += host().frame_ms;
  // A dialog that never ends would hang the test: stop it loudly.
  if (++s.calls > 5000) {
    ADD_FAILURE() << "the modal dialog never ended";
    std::abort();
  }
  if (!s.steps.empty() && s.steps.front()()) s.steps.pop_front();
}

inline const NamedSub kHookTable[] = {{after_show_screen, "KVGUI_ON_AFTER_SHOWSCREEN"},
                                      {nullptr, nullptr}};

// The top dialog's widget centre, or a point at (dx, dy) inside it.
inline void widget_point(const char* id, int dx, int dy, int* x, int* y) {
  const BasicString bid(id);
  const int w = static_cast<int>(kvgui_get_number(bid, BasicString("WIDTH")));
  const int h = static_cast<int>(kvgui_get_number(bid, BasicString("HEIGHT")));
  *x = static_cast<int>(kvgui_get_number(bid, BasicString("XPOS"))) + (dx < 0 ? w / 2 : dx);
  *y = static_cast<int>(kvgui_get_number(bid, BasicString("YPOS"))) + (dy < 0 ? h / 2 : dy);
}

// Steps of a script.
namespace step {

// Runs once, this frame.
inline void run(std::function<void()> f) {
  script().steps.push_back([f] {
    f();
    return true;
  });
}
// Waits until the condition holds.
inline void until(std::function<bool()> condition) { script().steps.push_back(condition); }
// Waits until the top dialog has a widget of that id.
inline void until_exists(const char* id) {
  std::string name(id);
  until([name] { return kvgui_widget_of(kvgui_top_dialog(), BasicString(name.c_str())) != nullptr; });
}
// Waits until the top dialog has stopped gliding.
inline void settle() {
  script().steps.push_back([] { return kvgui_top_dialog().slide_target == -10000; });
}
// Button 1 down on the widget (its centre, or (dx, dy) inside it), up on
// the next frame: a click on the frame after that.
inline void click(const char* id, int dx = -1, int dy = -1) {
  settle();
  std::string name(id);
  script().steps.push_back([name, dx, dy] {
    widget_point(name.c_str(), dx, dy, &host().mouse_x, &host().mouse_y);
    host().button = 1;
    return true;
  });
  run([] { host().button = 0; });
}
inline void click_at(int x, int y) {
  run([x, y] {
    host().mouse_x = x;
    host().mouse_y = y;
    host().button = 1;
  });
  run([] { host().button = 0; });
}
// A key held for one frame. A dialog that ends on the key may end before
// the frame that lets it go: forget() what is left before the next call.
inline void forget() {
  script().steps.clear();
  host().keys.clear();
}
inline void key(int scan) {
  run([scan] { host().keys.insert(scan); });
  run([scan] { host().keys.erase(scan); });
}
inline void type(const char* text) {
  std::string t(text);
  run([t] {
    for (char c : t) host().typed.push_back(c);
  });
}
// Waits a frame.
inline void idle(int frames = 1) {
  for (int i = 0; i < frames; ++i) run([] {});
}

}  // namespace step

class KvguiTest : public GfxWindowFixture<1024, 768> {
 public:
  void SetUp() override {
    GfxWindowFixture::SetUp();
    gfx_->install_system_font(0);
    qvl_font_select(0, 1.5, -1);  // 12 x 12 glyphs
    host() = ScriptedHost();
    kvgui_seam = scripted_seam();
    script() = ModalScript();
    qvl_call_set_table(kHookTable);
  }
  void TearDown() override {
    // Emptied without popping: a pop would refresh (and so handle) what is left.
    kvgui_dialog_stack.dim(0, 0, 0, 0);
    kvgui_fade_images.dim(0, 0, 0, 0);
    kvgui_seam_use_host();
    qvl_call_set_table(nullptr);
    GfxWindowFixture::TearDown();
  }

  // One frame: every dialog shown, then the clock moves on.
  static void frame() {
    kvgui_show(0);
    host().now += host().frame_ms;
  }
  static void frames(int n) {
    for (int i = 0; i < n; ++i) frame();
  }
  static void move(int x, int y) {
    host().mouse_x = x;
    host().mouse_y = y;
  }
  // Button 1 down for one frame and up on the next, at (x, y).
  static void click(int x, int y) {
    move(x, y);
    host().button = 1;
    frame();
    host().button = 0;
    frame();
  }

  // Clears the frame (what the runtime still holds back is drawn first).
  static void clear_screen() {
    qvl_gfx_flush_sprites();
    glClear(GL_COLOR_BUFFER_BIT);
  }

  static KVGUI_DLG& top() { return kvgui_get_dialog(-1); }
  static KVGUI_WDG& widget(const char* id) {
    KVGUI_WDG* w = kvgui_widget_of(kvgui_top_dialog(), BasicString(id));
    EXPECT_NE(w, nullptr) << id;
    static KVGUI_WDG none;
    return w ? *w : none;
  }
  static bool exists(const char* id) {
    return kvgui_widget_of(kvgui_top_dialog(), BasicString(id)) != nullptr;
  }
  static std::string get(const char* id, const char* key) {
    const BasicString v = kvgui_get_property(BasicString(id), BasicString(key));
    return std::string(v.text, size_t(v.length));
  }
  static void set(const char* id, const char* key, const char* value) {
    kvgui_set_property(BasicString(id), BasicString(key), BasicString(value));
  }
  // A dialog body at (0, 0) of w x h without a caption, shown at once.
  static void plain_dialog(int w, int h) { kvgui_push_dialog(0, 0, w, h, 0, 0); }
};

}  // namespace kvgui_test
