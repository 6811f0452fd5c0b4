// Game controllers through SDL's joystick and haptic subsystems, reported
// in the shape of a DirectInput joystick state.
#pragma once

#include <cstdint>

struct PlatJoystick;

// One controller's state: axes X, Y, Z, Rx, Ry, Rz and two sliders
// (-32768 ... 32767, 0 for missing axes), four hats as POV values
// (hundredths of degrees clockwise from north, 0xFFFFFFFF centred or
// missing) and 32 buttons (0x80 = down).
struct PlatJoyState {
  int32_t axes[8];
  uint32_t pov[4];
  uint8_t buttons[32];
};

constexpr uint32_t kPlatPovCentred = 0xFFFFFFFFu;

// A constant force in DirectInput's units: duration in microseconds, a
// Cartesian direction per axis (-32767 ... 32767) and a magnitude
// (0 ... 10000).
struct PlatConstantForce {
  int32_t duration_us;
  int32_t direction_x, direction_y;
  int32_t magnitude;
};

// Starts SDL's joystick subsystem (and haptics where the system has them);
// false when there are no controllers to be had.
bool plat_joystick_init();
void plat_joystick_quit();
// Controllers attached now.
int plat_joystick_available();
// Opens the controller at a device index; null on failure.
PlatJoystick* plat_joystick_open(int device_index);
void plat_joystick_close(PlatJoystick* joystick);
const char* plat_joystick_name(const PlatJoystick* joystick);
// Reads the current state; false (and the state untouched) when the
// controller is gone.
bool plat_joystick_read(PlatJoystick* joystick, PlatJoyState* state);
// SDL's hat bits as a POV value.
uint32_t plat_pov_from_hat(uint8_t hat);
// True when the controller can play a constant force.
bool plat_joystick_has_force(PlatJoystick* joystick);
// Stops every effect, then plays the force: the controller keeps one effect
// that each call updates, so repeated forces never use up the device.
// False when the effect could not be made or started.
bool plat_joystick_play_force(PlatJoystick* joystick, const PlatConstantForce& force,
                              int iterations);
