// host-demo: runs the runtime's start-up, draws frames through show-screen
// and ends through END, for end-to-end tests of the host under a virtual
// display and for timing the frame loop.
//
//   host-demo [frames] [--timing]
//
// frames 0 (the default) runs until Escape, Alt+F4 or closing the window
// ends it. It prints "ready" after the first frame, "pause" and "resume"
// from the pause hooks, and with --timing "first-frame <ms>" and the frame
// periods ("period <ms>", one per frame) for the bench.
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/call_by_name.h"
#include "files/app_name.h"
#include "files/sys_timer.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "host/startup.h"
#include "host/static_init.h"
#include "platform/clock.h"

// Under the sanitizers: the GL driver's own allocations are not our leaks.
#include "platform/gl_leak_suppressions.h"

namespace {

long g_frames_wanted = 0;
long g_frame = 0;
bool g_timing = false;
double g_process_start_ms = 0.0;
double g_last_frame_ms = 0.0;

void say(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

void demo_settings() {
  qvl_win_project_settings = ProjectSettings{320, 240, 0, 0, 60, 0};
  qvl_sys_app_name().assign_cstr("HostDemo");
}

// One frame: a colour that changes and a turning quad, then show-screen.
void demo_frame() {
  float t = static_cast<float>(g_frame % 120) / 120.0f;
  glClearColor(0.1f, 0.2f * t, 0.3f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glBegin(GL_QUADS);
  glColor4f(1.0f, t, 0.0f, 1.0f);
  glVertex2f(40 + 200 * t, 40);
  glVertex2f(120 + 200 * t, 40);
  glVertex2f(120 + 200 * t, 120);
  glVertex2f(40 + 200 * t, 120);
  glEnd();
  // The runtime caches the current colour: leave it as the cache has it.
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  qvl_win_show_screen();

  double now = qvl_os_clock_ms();
  if (g_frame == 0) {
    if (g_timing) std::printf("first-frame %.3f\n", now - g_process_start_ms);
    say("ready\n");
  } else if (g_timing) {
    std::printf("period %.4f\n", now - g_last_frame_ms);
  }
  g_last_frame_ms = now;
  ++g_frame;
  if (g_frames_wanted > 0 && g_frame >= g_frames_wanted) qvl_call_end_loop();
}

void on_pause() { say("pause\n"); }
void on_resume() { say("resume\n"); }

int demo_entry() {
  qvl_call_run_loop(BasicString("DEMO_FRAME"));
  return 0;
}

const NamedSub kTable[] = {{demo_frame, "DEMO_FRAME"},
                           {on_pause, "QVL_ON_PAUSE"},
                           {on_resume, "QVL_ON_RESUME"},
                           {nullptr, nullptr}};

}  // namespace

int main(int argc, char** argv) {
  g_process_start_ms = qvl_os_clock_ms();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--timing") == 0) g_timing = true;
    else g_frames_wanted = std::strtol(argv[i], nullptr, 10);
  }
  qvl_runtime_static_init();
  qvl_call_set_table(kTable);
  QvlApplication app{demo_settings, demo_entry};
  return qvl_win_main(app, nullptr, 1, argc, argv);
}
