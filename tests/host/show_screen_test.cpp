// Show-screen: its small commands (frame time, frame rate, the ESC switch),
// the keys that end the program, the frame reset and the set-screen command.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "files/app_name.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx3d/rainbows3d.h"
#include "host/input_manager.h"
#include "host/project_settings.h"
#include "host/show_screen.h"
#include "host/startup.h"
#include "tests/host/small_host.h"
#include "tests/support/child_process.h"

namespace {

TEST(ShowScreen, FrameTimeIsNeverZeroOrLess) {
  struct Case {
    double previous, current, want;
  } cases[] = {{100.0, 100.0, 1.0}, {100.0, 100.5, 0.5}, {100.0, 90.0, 1.0}, {0.0, 16.7, 16.7}};
  for (const Case& c : cases) {
    qvl_win_frame_time_previous = c.previous;
    qvl_win_frame_time_current = c.current;
    EXPECT_DOUBLE_EQ(qvl_gfx_frame_time(), c.want);
  }
}

TEST(ShowScreen, FrameRateIsTruncatedToWholeFrames) {
  OpenGLRainbows gfx;
  qvl_gfx_rainbows = &gfx;
  qvl_gfx_set_frame_rate(59.9, 1);
  EXPECT_DOUBLE_EQ(gfx.frame_period, 1000.0 / 59);
  qvl_gfx_set_frame_rate(0.5, 0);
  EXPECT_DOUBLE_EQ(gfx.frame_period, 2.0);
  // Beyond the int range the rate saturates; NaN counts as 0.
  qvl_gfx_set_frame_rate(1e10, 0);
  EXPECT_DOUBLE_EQ(gfx.frame_period, 1000.0 / INT32_MAX);
  qvl_gfx_set_frame_rate(-1e10, 0);
  EXPECT_DOUBLE_EQ(gfx.frame_period, 2.0);
  qvl_gfx_set_frame_rate(std::nan(""), 0);
  EXPECT_DOUBLE_EQ(gfx.frame_period, 2.0);
  qvl_gfx_rainbows = nullptr;
}

TEST(ShowScreen, EscapeSwitch) {
  EXPECT_EQ(qvl_win_escape_allowed(), 1);
  qvl_win_allow_escape(0);
  EXPECT_EQ(qvl_win_escape_allowed(), 0);
  qvl_win_allow_escape(-7);
  EXPECT_EQ(qvl_win_escape_allowed(), 1);
}

void start() {
  qvl_test::start_small_host();
  qvl_win_show_screen();  // the frame reset makes the next frame read the keys
}

void press(std::initializer_list<SDL_Scancode> keys) {
  for (SDL_Scancode sc : keys) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.windowID = SDL_GetWindowID(qvl_win_handle());
    e.key.state = SDL_PRESSED;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = SDL_GetKeyFromScancode(sc);
    SDL_PushEvent(&e);
  }
}

// Escape (with the ESC switch on) and left Alt with F4 end the program at
// show-screen; nothing else does.
TEST(ShowScreenKeys, EndKeys) {
  struct Case {
    std::initializer_list<SDL_Scancode> keys;
    int escape_switch;
    bool ends;
  } cases[] = {
      {{SDL_SCANCODE_ESCAPE}, 1, true},
      {{SDL_SCANCODE_ESCAPE}, 0, false},
      {{SDL_SCANCODE_LALT, SDL_SCANCODE_F4}, 1, true},
      {{SDL_SCANCODE_LALT}, 1, false},
      {{SDL_SCANCODE_F4}, 1, false},
      {{SDL_SCANCODE_RALT, SDL_SCANCODE_F4}, 1, false},
  };
  for (const Case& c : cases) {
    auto r = qvl_test::run_in_child([&] {
      start();
      qvl_win_allow_escape(c.escape_switch);
      press(c.keys);
      qvl_win_show_screen();
      std::puts("went on");
      std::fflush(stdout);
      std::_Exit(0);
    });
    EXPECT_EQ(r.out, c.ends ? "exit\n" : "went on\n") << r.err;
  }
}

// Show-screen ends a stencil shadow pass left running: the colour is
// written again and the stencil test is off before the frame is shown.
TEST(ShowScreenFrames, EndsARunningShadowPass) {
  auto r = qvl_test::run_in_child([] {
    start();
    qvl_x3d_engine->set_light(-3, 0, 0, 10, 0, 0, 0, 0, 1.0f, false);
    std::printf("pass %d\n", qvl_x3d_engine->shadow_pass);
    qvl_win_show_screen();
    GLboolean mask[4] = {0, 0, 0, 0};
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    std::printf("pass %d colour %d stencil %d\n", qvl_x3d_engine->shadow_pass, mask[0],
                glIsEnabled(GL_STENCIL_TEST));
    std::fflush(stdout);
    std::_Exit(0);
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out, "pass 1\npass 0 colour 1 stencil 0\n");
}

// The frame reset leaves normal blending, no mipmapping, the fixed-function
// pipeline, a fresh key read for the next frame and one more idle frame;
// set-screen stores the new size and shows five frames.
TEST(ShowScreenFrames, FrameResetAndSetScreen) {
  auto r = qvl_test::run_in_child([] {
    start();
    OpenGLRainbows& gfx = *qvl_gfx_rainbows;
    gfx.set_alpha_mode(0.5f);
    qvl_x3d_set_mipmapping(1);
    qvl_input_manager->key_refresh_count = 3;
    int idle = qvl_win_idle_count;
    qvl_win_show_screen();
    std::printf("blend %g mip %d shader %d keys %d idle %d\n", gfx.blend_value, qvl_x3d_mipmapping,
                qvl_x3d_engine->current_shader, qvl_input_manager->key_refresh_count,
                qvl_win_idle_count - idle);
    idle = qvl_win_idle_count;
    qvl_win_set_screen(200, 100, 0);
    const ProjectSettings& ps = qvl_win_project_settings;
    std::printf("settings %d %d %d screen %d %d frames %d window %d\n", ps.width, ps.height,
                ps.full_screen, gfx.screen_width, gfx.screen_height, qvl_win_idle_count - idle,
                qvl_win_handle() == gfx.window && qvl_input_manager->window == gfx.window);
    std::fflush(stdout);
    std::_Exit(0);
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out,
            "blend -1 mip 0 shader -1 keys 100000 idle 1\n"
            "settings 200 100 0 screen 200 100 frames 5 window 1\n");
}

}  // namespace
