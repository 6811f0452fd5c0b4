// Keyboard and mouse state as the runtime reads them: keys by DirectInput
// scan code, the mouse in window pixels.
#pragma once

#include <cstdint>

#include "platform/win_messages.h"

// DirectInput scan code of an SDL scancode, 0 when the key has none.
int plat_dik_from_sdl_scancode(int sdl_scancode);

// Windows virtual-key code of an SDL key code, 0 when it has none.
int plat_vk_from_sdl_keycode(int sdl_keycode);

// Fills 256 bytes indexed by DirectInput scan code: 0x80 = down.
void plat_keyboard_state(uint8_t state[256]);

// Pointer position relative to window's client area and button bits
// (1 left, 2 right, 4 middle).
void plat_mouse_state(WindowHandle window, int* x, int* y, int* buttons);
