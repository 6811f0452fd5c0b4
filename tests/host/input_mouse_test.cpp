// The mouse: button order, the wheel, position and motion in both pointer
// modes, mapping to the logical screen, several mice and the spare record.
#include <gtest/gtest.h>

#include <cstring>

#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/viewport.h"
#include "host/input_manager.h"
#include "host/window_proc.h"
#include "platform/message_queue.h"
#include "tests/host/input_fixture.h"

namespace {

TEST_F(InputTest, ButtonsInTheOrderLeftRightMiddle) {
  struct Case {
    uint8_t sdl;
    int axis;  // qvl_input_mouse_axis index of the button
  } cases[] = {{SDL_BUTTON_LEFT, 3}, {SDL_BUTTON_RIGHT, 4}, {SDL_BUTTON_MIDDLE, 5}};
  for (const Case& c : cases) {
    button(c.sdl, true);
    for (int axis = 3; axis <= 5; ++axis)
      EXPECT_EQ(qvl_input_mouse_axis(axis), axis == c.axis ? 1 : 0) << int(c.sdl) << " " << axis;
    int x, y, b1 = -1, b2 = -1;
    qvl_input_mouse_state(&x, &y, &b1, &b2);
    EXPECT_EQ(b1, c.sdl == SDL_BUTTON_LEFT);
    EXPECT_EQ(b2, c.sdl == SDL_BUTTON_RIGHT);
    EXPECT_EQ(qvl_input_manager->any_button_down(), true);
    button(c.sdl, false);
    SDL_Delay(40);  // past the shortest press
    EXPECT_EQ(qvl_input_manager->any_button_down(), false);
  }
}

// A click whose press and release arrive together is seen by every read of
// that moment, and is over a little later.
TEST_F(InputTest, QuickClickIsSeenByEveryRead) {
  button(SDL_BUTTON_LEFT, true);
  button(SDL_BUTTON_LEFT, false);
  EXPECT_TRUE(qvl_input_manager->any_button_down());
  EXPECT_EQ(qvl_input_mouse_axis(3), 1);
  int x, y, b1 = 0, b2;
  qvl_input_mouse_state(&x, &y, &b1, &b2);
  EXPECT_EQ(b1, 1);
  SDL_Delay(40);
  EXPECT_FALSE(qvl_input_manager->any_button_down());
}

// Wheel messages reach the mouse read through the window procedure; the
// total is kept in 16 bits and read sign-extended.
TEST_F(InputTest, WheelThroughTheMessages) {
  plat_set_window_proc(qvl_win_window_proc);
  plat_set_main_window(window_);
  auto wheel = [&](int notches) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = window_id();
    e.wheel.y = notches;
    SDL_PushEvent(&e);
    PlatMsg m;
    while (plat_peek_message(&m, nullptr, true)) plat_dispatch_message(m);
  };
  wheel(-1);
  EXPECT_EQ(qvl_input_mouse_axis(2), -120);
  wheel(3);
  EXPECT_EQ(qvl_input_mouse_axis(2), 240);
  EXPECT_EQ(qvl_input_mouse_axis(2), 240);  // a total, not a delta
  EXPECT_EQ(qvl_input_mouse_axis(6), 0);
  EXPECT_EQ(qvl_input_mouse_axis(-1), 0);
}

// Every notch towards the user adds 65,416; totals that pass the int range
// wrap round and keep their low 16 bits, which is all that is read.
TEST_F(InputTest, WheelTotalsWrapRoundTheIntRange) {
  plat_set_window_proc(qvl_win_window_proc);
  plat_set_main_window(window_);
  auto notch_towards_user = [&] {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = window_id();
    e.wheel.y = -1;
    SDL_PushEvent(&e);
    PlatMsg m;
    while (plat_peek_message(&m, nullptr, true)) plat_dispatch_message(m);
  };
  const int32_t near_the_top = INT32_MAX - 100;  // low 16 bits: -101
  qvl_input_wheel_sum = near_the_top;  // not yet read
  notch_towards_user();
  EXPECT_EQ(qvl_input_mouse_axis(2), -221);
  qvl_input_manager->mice[0].wheel = near_the_top;  // the record's own total
  notch_towards_user();
  EXPECT_EQ(qvl_input_mouse_axis(2), -221);
}

// Shown pointer: absolute positions, clamped to the window inclusively;
// the axes give the motion since the last reference point.
TEST_F(InputTest, ShownPointerPositionsAndClamping) {
  motion(30, 40, 0, 0);
  int x, y, b1, b2;
  qvl_input_mouse_state(&x, &y, &b1, &b2);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
  motion(35, 38, 5, -2);
  EXPECT_EQ(qvl_input_mouse_axis(0), 5);
  EXPECT_EQ(qvl_input_mouse_axis(1), -2);
  motion(500, -9, 0, 0);
  qvl_input_mouse_state(&x, &y, &b1, &b2);
  EXPECT_EQ(x, 64);
  EXPECT_EQ(y, 0);
}

// Hidden pointer: only relative motion, added to the record's position.
TEST_F(InputTest, HiddenPointerAddsRelativeMotion) {
  qvl_input_set_mouse(10, 10);
  qvl_input_show_pointer(0);
  EXPECT_EQ(qvl_input_manager->pointer_visible, 0);
  motion(0, 0, 7, 3);  // the absolute part means nothing while captured
  motion(0, 0, 1, 1);
  EXPECT_EQ(qvl_input_mouse_axis(0), 8);
  EXPECT_EQ(qvl_input_mouse_axis(1), 4);
  int x, y, b1, b2;
  qvl_input_mouse_state(&x, &y, &b1, &b2);
  EXPECT_EQ(x, 18);
  EXPECT_EQ(y, 14);
  EXPECT_EQ(qvl_input_mouse_axis(0), 0);  // the reference moved along
  qvl_input_show_pointer(1);
  EXPECT_EQ(qvl_input_manager->pointer_visible, 1);
}

// A graphics object without GL, for the mapping the input readers share.
struct FakePicture {
  FakePicture(int w, int h, int orientation) {
    gfx.screen_width = w;
    gfx.screen_height = h;
    gfx.orientation = orientation;
    qvl_gfx_rainbows = &gfx;
  }
  ~FakePicture() { qvl_gfx_rainbows = nullptr; }
  OpenGLRainbows gfx;
};

// Positions, motions (mouse, hats) and sticks in every orientation of a
// 640 x 480 window: the window point (10, 20), the motion (3, -4) and a
// stick (3, -4).
TEST(InputMapping, PointsMotionsAndSticksInEveryOrientation) {
  struct Case {
    int orientation;
    int px, py;  // the point in logical coordinates
    int vx, vy;  // the motion in logical coordinates
    int sx, sy;  // the stick turned with the picture
  } cases[] = {
      {0, 10, 20, 3, -4, 3, -4},
      {1, 20, 629, -4, -3, 4, 3},
      {2, 629, 459, -3, 4, -3, 4},
      {3, 459, 10, 4, 3, -4, -3},
      {7, 10, 20, 3, -4, 3, -4},
  };
  for (const Case& c : cases) {
    FakePicture picture(640, 480, c.orientation);
    int x, y;
    picture.gfx.window_to_logical(10, 20, &x, &y);
    EXPECT_EQ(x, c.px) << c.orientation;
    EXPECT_EQ(y, c.py) << c.orientation;
    qvl_input_window_motion_to_logical(3, -4, &x, &y);
    EXPECT_EQ(x, c.vx) << c.orientation;
    EXPECT_EQ(y, c.vy) << c.orientation;
    qvl_input_window_motion_to_logical(0, 0, &x, &y);  // no motion stays none
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    picture.gfx.orient_vector(3, -4, &x, &y);
    EXPECT_EQ(x, c.sx) << c.orientation;
    EXPECT_EQ(y, c.sy) << c.orientation;
  }
}

// The position turns with the picture, is clamped to the turned screen and
// then counts in virtual-resolution pixels (offsets removed, divided by the
// scale, truncated toward zero) unless a render target is selected.
TEST_F(InputTest, PositionUnderOrientationAndVirtualResolution) {
  struct Case {
    int orientation;
    VirtualResolution vr;
    int target_slot;
    int wx, wy;  // the pointer in the 64 x 48 window
    int x, y;    // what the program reads
  } cases[] = {
      {0, {0, 0, 0, 0, 0.0f}, -1, 30, 40, 30, 40},
      {2, {0, 0, 0, 0, 0.0f}, -1, 30, 40, 33, 7},
      {1, {0, 0, 0, 0, 0.0f}, -1, 30, 40, 40, 33},
      {0, {8, 4, 24, 20, 2.0f}, -1, 30, 40, 11, 18},
      {0, {8, 4, 24, 20, 2.0f}, -1, 5, 1, -1, -1},  // -1.5 reads -1
      {2, {8, 4, 24, 20, 2.0f}, -1, 30, 40, 12, 1},
      {0, {8, 4, 24, 20, 1.5f}, -1, 30, 40, 14, 24},
      {0, {8, 4, 24, 20, 2.0f}, 0, 30, 40, 30, 40},  // drawing into a target
  };
  for (const Case& c : cases) {
    FakePicture picture(64, 48, c.orientation);
    qvl_gfx_virtual_resolution = c.vr;
    qvl_gfx_target_slot = c.target_slot;
    motion(c.wx, c.wy, 0, 0);
    int x, y, b1, b2;
    qvl_input_mouse_state(&x, &y, &b1, &b2);
    EXPECT_EQ(x, c.x) << c.orientation << " " << c.vr.scale << " " << c.wx;
    EXPECT_EQ(y, c.y) << c.orientation << " " << c.vr.scale << " " << c.wy;
  }
  qvl_gfx_virtual_resolution = VirtualResolution{0, 0, 0, 0, 0.0f};
  qvl_gfx_target_slot = -1;
}

// Motion read through the axes turns with the picture as a direction: with
// the picture upside down, moving right reads as moving left, and no motion
// reads as none (a point mapping would give W - 1).
TEST_F(InputTest, MotionAxesTurnWithThePicture) {
  FakePicture picture(64, 48, 2);
  qvl_input_show_pointer(0);
  EXPECT_EQ(qvl_input_mouse_axis(0), 0);
  EXPECT_EQ(qvl_input_mouse_axis(1), 0);
  motion(0, 0, 5, 2);
  EXPECT_EQ(qvl_input_mouse_axis(0), -5);
  EXPECT_EQ(qvl_input_mouse_axis(1), -2);
}

TEST_F(InputTest, SelectMouseAndTheSpareRecord) {
  InputManager& im = *qvl_input_manager;
  qvl_input_pointer_mode = 0;  // one mouse
  im.select_mouse(5);
  EXPECT_EQ(im.current_mouse, 0);
  EXPECT_EQ(im.mice.size(), 1u);
  qvl_input_pointer_mode = 1;  // 32 mice
  qvl_input_select_mouse(40);  // beyond the count: mouse 0
  EXPECT_EQ(im.current_mouse, 0);
  qvl_input_select_mouse(5);
  EXPECT_EQ(im.current_mouse, 5);
  ASSERT_EQ(im.mice.size(), 32u);
  EXPECT_EQ(im.mice[31].reference_x, 100);
  // A negative number uses the spare record, and keeps what is written.
  qvl_input_pointer_mode = 0;
  im.select_mouse(-3);
  EXPECT_EQ(im.current_mouse, -3);
  qvl_input_set_mouse(12, 13);
  EXPECT_EQ(qvl_input_spare_mouse().reference_x, 12);
  EXPECT_EQ(qvl_input_spare_mouse().y, 13);
}

// Pointer mode reads mice from the touch table; a negative mouse number
// has no entry there and reads nothing.
TEST_F(InputTest, PointerModeReadsTouchEntries) {
  InputManager& im = *qvl_input_manager;
  qvl_input_pointer_mode = 1;
  qvl_input_touch_table[0] = TouchPoint{11, 22, 1, 7};
  qvl_input_touch_table[2] = TouchPoint{33, 44, 0, 0};
  im.select_mouse(2);
  int x, y, b1, b2;
  qvl_input_mouse_state(&x, &y, &b1, &b2);
  EXPECT_EQ(x, 33);
  EXPECT_EQ(y, 44);
  EXPECT_EQ(b1, 0);
  im.select_mouse(0);
  qvl_input_mouse_state(&x, &y, &b1, &b2);
  EXPECT_EQ(x, 11);
  EXPECT_EQ(b1, 1);

  im.current_mouse = -1;
  qvl_input_spare_mouse() = MouseRecord{5, 6, 5, 6, 0};
  MouseState s{};
  im.mouse_state(&s, true);
  EXPECT_EQ(s.button1, 0);
  EXPECT_EQ(s.dx, 0);
  EXPECT_EQ(qvl_input_spare_mouse().reference_x, 5);
  EXPECT_EQ(qvl_input_spare_mouse().reference_y, 6);
}

TEST(InputPointerTest, NoPointerInputOnThisSystem) {
  qvl_input_pointer_mode = -1;
  EXPECT_EQ(qvl_input_mouse_count(), 1);
  EXPECT_EQ(qvl_input_pointer_mode, 0);
  uint8_t record[276];
  std::memset(record, 0xAB, sizeof record);
  qvl_input_os_version(record);
  for (uint8_t b : record) ASSERT_EQ(b, 0);
}

}  // namespace
