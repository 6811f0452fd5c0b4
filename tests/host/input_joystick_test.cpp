// Game controllers on SDL's virtual joysticks: axes, hats, buttons, names,
// controllers that go away, and the parameters of the constant force.
#include <gtest/gtest.h>

#include <cmath>

#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "tests/host/input_fixture.h"

namespace {

class JoystickTest : public InputTest {
 protected:
  void SetUp() override {
    // The offscreen window never has the input focus, and SDL drops
    // controller input of applications in the background.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    SDL_VirtualJoystickDesc d{};
    d.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    d.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    d.naxes = 6;
    d.nbuttons = 12;
    d.nhats = 1;
    d.name = "QVL Test Pad";
    device_ = SDL_JoystickAttachVirtualEx(&d);
    ASSERT_GE(device_, 0) << SDL_GetError();
    InputTest::SetUp();  // opening the input finds the controller
    ASSERT_EQ(qvl_input_joystick_count(), 1);
    handle_ = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device_));
    ASSERT_NE(handle_, nullptr);
  }
  void TearDown() override {
    InputTest::TearDown();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }
  void set(int axis, int16_t value) { SDL_JoystickSetVirtualAxis(handle_, axis, value); }
  void hat(uint8_t value) { SDL_JoystickSetVirtualHat(handle_, 0, value); }

  int device_ = -1;
  SDL_Joystick* handle_ = nullptr;
};

TEST_F(JoystickTest, AxesButtonsAndName) {
  set(0, 32767);
  set(1, -32768);
  set(2, 16384);
  set(3, -16384);
  set(4, 0);
  set(5, 100);
  SDL_JoystickSetVirtualButton(handle_, 2, 1);
  EXPECT_DOUBLE_EQ(qvl_input_joystick_x(0), 1.0);
  EXPECT_DOUBLE_EQ(qvl_input_joystick_y(0), -1.0);  // -32768 / 32767 is clamped
  EXPECT_NEAR(qvl_input_joystick_z(0), 0.5, 1e-4);
  EXPECT_NEAR(qvl_input_joystick_rx(0), -0.5, 1e-4);
  EXPECT_DOUBLE_EQ(qvl_input_joystick_ry(0), 0.0);
  EXPECT_NEAR(qvl_input_joystick_rz(0), 100.0 / 32767.0, 1e-9);
  EXPECT_EQ(qvl_input_joystick_button(0, 2), 0x80);
  EXPECT_EQ(qvl_input_joystick_button(0, 1), 0);
  EXPECT_EQ(qvl_input_joystick_button(0, 32), 0);
  EXPECT_EQ(qvl_input_joystick_button(0, -1), 0);
  EXPECT_STREQ(qvl_input_joystick_name(0).c_str(), "QVL Test Pad, QVL Test Pad");
  EXPECT_STREQ(qvl_input_joystick_name(1).c_str(), "");

  int x, y, b1, b2;
  SDL_JoystickSetVirtualButton(handle_, 0, 1);
  qvl_input_joystick_raw(&x, &y, &b1, &b2);
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, -1);
  EXPECT_EQ(b1, 0x80);
  EXPECT_EQ(b2, 0);
  set(0, 29999);
  qvl_input_joystick_raw(&x, &y, &b1, &b2);
  EXPECT_EQ(x, 0);
}

TEST_F(JoystickTest, HatDirections) {
  struct Case {
    uint8_t hat;
    int x, y;
  } cases[] = {
      {SDL_HAT_CENTERED, 0, 0}, {SDL_HAT_UP, 0, -1},       {SDL_HAT_RIGHTUP, 1, -1},
      {SDL_HAT_RIGHT, 1, 0},    {SDL_HAT_RIGHTDOWN, 1, 1}, {SDL_HAT_DOWN, 0, 1},
      {SDL_HAT_LEFTDOWN, -1, 1}, {SDL_HAT_LEFT, -1, 0},    {SDL_HAT_LEFTUP, -1, -1},
  };
  for (const Case& c : cases) {
    hat(c.hat);
    EXPECT_EQ(qvl_input_joystick_pov_x(0), c.x) << int(c.hat);
    EXPECT_EQ(qvl_input_joystick_pov_y(0), c.y) << int(c.hat);
  }
  JoystickState s;
  hat(SDL_HAT_LEFT);
  EXPECT_EQ(qvl_input_manager->read_joystick(&s, 0), 1);
  EXPECT_EQ(s.pov[0], 27000u);
  EXPECT_EQ(s.pov[1], 0xFFFFFFFFu);  // no second hat
}

// The hat is a direction: with the picture upside down, right reads as
// left, and centred stays centred.
TEST_F(JoystickTest, HatTurnsWithThePicture) {
  auto* gfx = new OpenGLRainbows();
  gfx->screen_width = 640;
  gfx->screen_height = 480;
  gfx->orientation = 2;
  qvl_gfx_rainbows = gfx;
  hat(SDL_HAT_RIGHT);
  EXPECT_EQ(qvl_input_joystick_pov_x(0), -1);
  EXPECT_EQ(qvl_input_joystick_pov_y(0), 0);
  hat(SDL_HAT_CENTERED);
  EXPECT_EQ(qvl_input_joystick_pov_x(0), 0);
  EXPECT_EQ(qvl_input_joystick_pov_y(0), 0);
  gfx->orientation = 1;
  set(0, 32767);  // stick right: turned by the picture's vector rule
  EXPECT_DOUBLE_EQ(qvl_input_joystick_x(0), 0.0);
  EXPECT_DOUBLE_EQ(qvl_input_joystick_y(0), 1.0);
  qvl_gfx_rainbows = nullptr;
  delete gfx;
}

// A controller that cannot be read, or an index without one, reads
// centred: no direction on the hat, axes and buttons at rest.
TEST_F(JoystickTest, UnreadableControllerReadsCentred) {
  hat(SDL_HAT_DOWN);
  set(0, 32767);
  EXPECT_EQ(qvl_input_joystick_pov_y(0), 1);
  ASSERT_EQ(SDL_JoystickDetachVirtual(device_), 0);
  EXPECT_EQ(qvl_input_joystick_count(), 1);  // the index stays valid
  JoystickState s;
  EXPECT_EQ(qvl_input_manager->read_joystick(&s, 0), 1);
  EXPECT_EQ(s.axes[0], 0);
  EXPECT_EQ(s.pov[0], 0xFFFFFFFFu);
  EXPECT_EQ(qvl_input_joystick_pov_y(0), 0);
  EXPECT_EQ(qvl_input_joystick_pov_x(0), 0);
  EXPECT_EQ(qvl_input_manager->read_joystick(&s, 3), 0);
  EXPECT_EQ(s.pov[0], 0xFFFFFFFFu);
  EXPECT_EQ(qvl_input_joystick_pov_y(-1), 0);
  EXPECT_EQ(qvl_input_joystick_pov_y(9), 0);
}

// A controller without force feedback ignores the force command.
TEST_F(JoystickTest, ForceWithoutForceFeedbackDoesNothing) {
  for (int i = 0; i < 100; ++i) qvl_input_joystick_force(0, 200.0, 0.5, -0.5);
  qvl_input_joystick_force(-1, 200.0, 1.0, 1.0);
  qvl_input_joystick_force(10, 200.0, 1.0, 1.0);
  EXPECT_EQ(qvl_input_joystick_count(), 1);
}

TEST(ForceParams, DirectionsWeightsAndDuration) {
  struct Case {
    float duration, x, y;
    int32_t us, dx, dy, magnitude;
  } cases[] = {
      {250.0f, 0.5f, 0.0f, 250000, 16383, 0, 1250},
      {250.0f, 0.0f, -0.5f, 250000, 0, -16383, 1250},
      {1.5f, 1.0f, 1.0f, 1500, 32767, 32767, 10000},
      {10.0f, 2.0f, -3.0f, 10000, 32767, -32767, 10000},
      {10.0f, -1.0f, 0.0f, 10000, -32767, 0, 5000},
      {0.0f, 0.0f, 0.0f, 0, 0, 0, 0},
      // Durations past the effect's range are held at its end, not wrapped.
      {1e12f, 0.0f, 0.0f, 2147483647, 0, 0, 0},
      {NAN, NAN, 0.25f, 0, 0, 8191, 312},
  };
  for (const Case& c : cases) {
    PlatConstantForce f = qvl_input_force_params(c.duration, c.x, c.y);
    EXPECT_EQ(f.duration_us, c.us) << c.duration;
    EXPECT_EQ(f.direction_x, c.dx) << c.x;
    EXPECT_EQ(f.direction_y, c.dy) << c.y;
    EXPECT_EQ(f.magnitude, c.magnitude) << c.x << " " << c.y;
  }
}

}  // namespace
