#include "platform/joystick.h"

#include <SDL2/SDL.h>

#include <cstring>
#include <string>

struct PlatJoystick {
  SDL_Joystick* joystick;
  SDL_Haptic* haptic;
  int effect;  // -1 until the first force
  std::string name;
};

namespace {
bool g_joystick_up = false;
bool g_haptic_up = false;
}  // namespace

bool plat_joystick_init() {
  if (!g_joystick_up) g_joystick_up = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
  if (!g_joystick_up) return false;
  // Many systems have no force-feedback devices at all; controllers still work.
  if (!g_haptic_up) g_haptic_up = SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0;
  return true;
}

void plat_joystick_quit() {
  if (g_haptic_up) SDL_QuitSubSystem(SDL_INIT_HAPTIC);
  g_haptic_up = false;
  if (g_joystick_up) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  g_joystick_up = false;
}

int plat_joystick_available() {
  if (!SDL_WasInit(SDL_INIT_JOYSTICK)) return 0;
  int n = SDL_NumJoysticks();
  return n < 0 ? 0 : n;
}

PlatJoystick* plat_joystick_open(int device_index) {
  if (!SDL_WasInit(SDL_INIT_JOYSTICK)) return nullptr;
  SDL_Joystick* j = SDL_JoystickOpen(device_index);
  if (!j) return nullptr;
  auto* p = new PlatJoystick{j, nullptr, -1, std::string()};
  const char* name = SDL_JoystickName(j);
  p->name = name ? name : "";
  if (g_haptic_up && SDL_JoystickIsHaptic(j) == SDL_TRUE) p->haptic = SDL_HapticOpenFromJoystick(j);
  return p;
}

void plat_joystick_close(PlatJoystick* p) {
  if (!p) return;
  if (p->haptic) {
    if (p->effect >= 0) SDL_HapticDestroyEffect(p->haptic, p->effect);
    SDL_HapticClose(p->haptic);
  }
  SDL_JoystickClose(p->joystick);
  delete p;
}

const char* plat_joystick_name(const PlatJoystick* p) { return p ? p->name.c_str() : ""; }

uint32_t plat_pov_from_hat(uint8_t hat) {
  switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return kPlatPovCentred;
  }
}

bool plat_joystick_read(PlatJoystick* p, PlatJoyState* s) {
  if (!p || SDL_JoystickGetAttached(p->joystick) != SDL_TRUE) return false;
  SDL_JoystickUpdate();
  std::memset(s, 0, sizeof *s);
  int axes = SDL_JoystickNumAxes(p->joystick);
  for (int i = 0; i < 8 && i < axes; ++i) s->axes[i] = SDL_JoystickGetAxis(p->joystick, i);
  int hats = SDL_JoystickNumHats(p->joystick);
  for (int i = 0; i < 4; ++i)
    s->pov[i] = i < hats ? plat_pov_from_hat(SDL_JoystickGetHat(p->joystick, i)) : kPlatPovCentred;
  int buttons = SDL_JoystickNumButtons(p->joystick);
  for (int i = 0; i < 32 && i < buttons; ++i)
    s->buttons[i] = SDL_JoystickGetButton(p->joystick, i) ? 0x80 : 0;
  return true;
}

bool plat_joystick_has_force(PlatJoystick* p) {
  return p && p->haptic && (SDL_HapticQuery(p->haptic) & SDL_HAPTIC_CONSTANT) != 0;
}

bool plat_joystick_play_force(PlatJoystick* p, const PlatConstantForce& f, int iterations) {
  if (!plat_joystick_has_force(p)) return false;
  SDL_HapticStopAll(p->haptic);
  SDL_HapticEffect e;
  std::memset(&e, 0, sizeof e);
  e.type = SDL_HAPTIC_CONSTANT;
  e.constant.direction.type = SDL_HAPTIC_CARTESIAN;
  e.constant.direction.dir[0] = f.direction_x;
  e.constant.direction.dir[1] = f.direction_y;
  e.constant.length = f.duration_us > 0 ? static_cast<Uint32>(f.duration_us / 1000) : 0;
  long level = static_cast<long>(f.magnitude) * 32767 / 10000;
  e.constant.level = static_cast<Sint16>(level > 32767 ? 32767 : level < -32767 ? -32767 : level);
  if (p->effect >= 0 && SDL_HapticUpdateEffect(p->haptic, p->effect, &e) != 0) {
    SDL_HapticDestroyEffect(p->haptic, p->effect);
    p->effect = -1;
  }
  if (p->effect < 0) p->effect = SDL_HapticNewEffect(p->haptic, &e);
  if (p->effect < 0) return false;
  return SDL_HapticRunEffect(p->haptic, p->effect, static_cast<Uint32>(iterations)) == 0;
}
