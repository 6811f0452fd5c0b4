// Keyboard and mouse state as the runtime reads them: keys by DirectInput
// scan code, the mouse in window pixels.
//
// Both are followed through an SDL event watch rather than read from SDL's
// own state: the watch also sees events that were pushed into the queue
// (tests, synthetic input), which SDL's state tables never do.
#pragma once

#include <cstdint>

#include "platform/win_messages.h"

// DirectInput scan code of an SDL scancode, 0 when the key has none.
// Keys that DirectInput reports with the extended prefix sit at +0x80.
int plat_dik_from_sdl_scancode(int sdl_scancode);

// Windows virtual-key code of an SDL key code, 0 when it has none.
int plat_vk_from_sdl_keycode(int sdl_keycode);

// Starts (or restarts, after SDL was shut down and brought up again)
// following key, mouse and focus events. Safe to call more than once.
void plat_input_track();

// Pumps SDL's events, so that keys pressed and released since the last
// look count, and fills 256 bytes indexed by DirectInput scan code:
// 0x80 = down. A key pressed and released since the last look reads down
// once.
void plat_keyboard_state(uint8_t state[256]);

// Releases of keys that were held back until a read of the key state had
// seen them down take effect. The message pump and every key-state read
// call this.
void plat_input_settle();

// False once the window has lost the input focus and not regained it; true
// while no focus change has been reported at all (drivers without focus).
bool plat_window_active(WindowHandle window);

// Pointer position relative to window's client area and button bits
// (1 left, 2 right, 4 middle).
void plat_mouse_state(WindowHandle window, int* x, int* y, int* buttons);

// The character the key with this DirectInput code types on the current
// layout and shift state; 0 when it types none.
int plat_char_of_dik(int dik);
