// kvgui-demo: the widget library's standard dialogs, one after the other:
// the colour picker, the on-screen keypad, the file chooser (saving into
// the temporary folder), the popup list and the message box. Each answer
// is printed as it comes; the program then ends.
//
//   kvgui-demo [--trace]
//
// With --trace it also prints, once each dialog has come to rest, the box
// of each of its widgets ("at <id> <x> <y> <width> <height>") and then
// "ready <n>" for the n-th dialog: the end-to-end test clicks there. Within
// a dialog it prints "button 1" and "button 0" once the left button has
// been down or up for two frames in a row (so the dialog has read it so in
// the frame between), "held" once it has been down for 40 frames (longer
// than the host idles before it waits for input), and "typed <text>" when
// the focused field's text changes: the test waits for these before its
// next step, whatever the speed of the machine.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/call_by_name.h"
#include "files/app_name.h"
#include "files/paths.h"
#include "files/plat_query.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "host/startup.h"
#include "host/static_init.h"
#include "kvgui/kvgui.h"
#include "kvgui/seam.h"
#include "kvgui/widget_index.h"

// Under the sanitizers: the GL driver's own allocations are not our leaks.
#include "platform/gl_leak_suppressions.h"

namespace {

bool g_trace = false;

void say(const char* format, const char* text) {
  std::printf(format, text);
  std::fflush(stdout);
}

void demo_settings() {
  qvl_win_project_settings = ProjectSettings{800, 600, 0, 0, 60, 0};
  qvl_sys_app_name().assign_cstr("KvguiDemo");
}

// What the trace last reported of the dialog on top.
struct Trace {
  uint32_t serial = 0;
  int announced = 0;  // dialogs come to rest so far
  bool ready = false;
  int reported = 0, candidate = 0, frames = 0;  // the left button
  std::string typed;
};
Trace g_seen;

// The widgets of a dialog come to rest, then "ready <n>".
void announce(KVGUI_DLG& top) {
  for (int i = 0; i < top.widgets.size1; ++i) {
    const KVGUI_WDG& w = top.widgets.data[i];
    bool plain = w.id.length > 0 && !w.HIDE;
    for (int c = 0; c < w.id.length; ++c) plain = plain && w.id.text[c] > ' ';
    if (plain)
      std::printf("at %s %d %d %d %d\n", w.id.text, w.XPOS, w.YPOS, w.WIDTH, w.HEIGHT);
  }
  std::printf("ready %d\n", ++g_seen.announced);
}

void trace_button() {
  int x = 0, y = 0, b1 = 0, b2 = 0;
  kvgui_seam.mouse(&x, &y, &b1, &b2);
  if (b1 != g_seen.candidate) {
    g_seen.candidate = b1;
    g_seen.frames = 0;
  }
  if (++g_seen.frames == 2 && b1 != g_seen.reported) {
    g_seen.reported = b1;
    std::printf("button %d\n", b1);
  }
  if (b1 && g_seen.frames == 40) std::printf("held\n");
}

void trace_typing(KVGUI_DLG& top) {
  const KVGUI_WDG* field = kvgui_widget_of(top, top.FOCUS);
  if (!field || g_seen.typed == field->TEXT.c_str()) return;
  g_seen.typed = field->TEXT.c_str();
  say("typed %s\n", g_seen.typed.c_str());
}

// Called after every show-screen of a modal dialog.
void after_show_screen() {
  if (!g_trace || kvgui_stack_empty()) return;
  KVGUI_DLG& top = kvgui_get_dialog(-1);
  if (top.serial != g_seen.serial) {
    const int announced = g_seen.announced;
    g_seen = Trace();
    g_seen.serial = top.serial;
    g_seen.announced = announced;
  }
  trace_button();
  trace_typing(top);
  if (!g_seen.ready && top.slide_target == -10000) {
    g_seen.ready = true;
    announce(top);
  }
  std::fflush(stdout);
}

int demo_entry() {
  qvl_win_allow_escape(0);         // Esc belongs to the dialogs
  qvl_call_enable_pause_hooks(0);  // and they go on without the focus

  // A dialog of the program's own, shown under the standard ones.
  kvgui_push_dialog(0, 0, 0, 0, 0, 0);
  kvgui_set_property(BasicString(""), BasicString("TEXT"), BasicString("KVgui demo"));
  kvgui_add_widget(BasicString(""), BasicString("The standard dialogs, one after the other."), 0, 0);

  const int colour = kvgui_pick_color(0x0080FF);
  std::printf("colour %06X\n", colour);

  const BasicString name =
      kvgui_enter_text(BasicString("hello"), 1, 0, 1, 0, BasicString("Your name:"));
  say("text %s\n", name.text);

  BasicString temp_key("TEMP");
  BasicString temp = qvl_plat_query(temp_key);
  qvl_file_set_current_dir(temp);
  const BasicString file = kvgui_choose_file(0, BasicString("*.txt"), 0);
  say("file %s\n", file.text);

  const int item = kvgui_pick_item(100, 100, 200, 0, BasicString("red|green|blue"), 0, 0);
  std::printf("item %d\n", item);

  const int answer = kvgui_show_message(BasicString("Did you like the dialogs?"), 1,
                                        BasicString("KVgui demo"));
  std::printf("answer %d\n", answer);
  std::fflush(stdout);
  return 0;
}

const NamedSub kTable[] = {{after_show_screen, "KVGUI_ON_AFTER_SHOWSCREEN"}, {nullptr, nullptr}};

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) g_trace = g_trace || std::strcmp(argv[i], "--trace") == 0;
  qvl_runtime_static_init();
  qvl_call_set_table(kTable);
  QvlApplication app{demo_settings, demo_entry};
  return qvl_win_main(app, nullptr, 1, argc, argv);
}
