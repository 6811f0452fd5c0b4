// Touch contacts: SDL finger events become pointer messages, and the
// window procedure keeps them in the 32-entry touch table.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "files/app_name.h"
#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "host/startup.h"
#include "tests/host/small_host.h"
#include "tests/support/child_process.h"

namespace {

void finger(uint32_t type, SDL_FingerID id, float x, float y) {
  SDL_Event e{};
  e.type = type;
  e.tfinger.touchId = 1;
  e.tfinger.fingerId = id;
  e.tfinger.x = x;
  e.tfinger.y = y;
  e.tfinger.windowID = SDL_GetWindowID(qvl_win_handle());
  SDL_PushEvent(&e);
}

void print_entries(int n) {
  for (int i = 0; i < n; ++i) {
    int x = -1, y = -1, b = -1;
    qvl_input_touch_entry(i, &x, &y, &b);
    std::printf("%d:%d,%d,%d,%d ", i, x, y, b, qvl_input_touch_table[i].pointer_id != 0);
  }
  std::printf("\n");
}

TEST(Touch, FingersFillTheTable) {
  auto r = qvl_test::run_in_child([] {
    qvl_win_static_init();
    qvl_test::start_small_host();
    finger(SDL_FINGERDOWN, 7, 0.25f, 0.5f);
    finger(SDL_FINGERDOWN, 9, 0.5f, 0.25f);
    qvl_win_show_screen();
    print_entries(3);
    finger(SDL_FINGERMOTION, 7, 0.5f, 0.5f);
    finger(SDL_FINGERUP, 9, 0.75f, 0.75f);
    qvl_win_show_screen();
    print_entries(3);
    finger(SDL_FINGERDOWN, 11, 0.125f, 0.125f);  // takes the free entry
    qvl_win_show_screen();
    print_entries(3);
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out,
            "0:40,60,1,1 1:80,30,1,1 2:0,0,0,0 \n"
            "0:80,60,1,1 1:120,90,0,0 2:0,0,0,0 \n"
            "0:80,60,1,1 1:20,15,1,1 2:0,0,0,0 \n");
}

TEST(Touch, EntriesOutsideTheTableAreNotRead) {
  int x = 5, y = 6, b = 7;
  qvl_input_touch_entry(32, &x, &y, &b);
  qvl_input_touch_entry(-1, &x, &y, &b);
  EXPECT_EQ(x, 5);
  EXPECT_EQ(y, 6);
  EXPECT_EQ(b, 7);
  // Messages without a pointer id, or before the entries are bound, change
  // nothing.
  qvl_win_static_init();
  qvl_input_on_pointer_message(1, 0, 0);
  qvl_input_on_pointer_message(1, 3, 0);  // no such contact
  for (const TouchPoint& t : qvl_input_touch_table) EXPECT_EQ(t.pointer_id, 0);
}

}  // namespace
