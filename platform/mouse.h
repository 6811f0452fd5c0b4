// The mouse as SDL's events report it (pushed events included): the last
// position in window pixels, the buttons held and the motion not yet taken.
// plat_input_track (platform/keyboard.h) starts the following.
#pragma once

#include "platform/win_messages.h"

union SDL_Event;

// Button bits in the order the runtime reads them.
enum : int { PLAT_MOUSE_LEFT = 1, PLAT_MOUSE_RIGHT = 2, PLAT_MOUSE_MIDDLE = 4 };

// Position of the pointer within the window's client area, as the last
// motion or button event put it.
void plat_mouse_position(int* x, int* y);
// A press reads down for at least 30 ms after a read first saw it, so a
// quick click is seen by every read of that moment.
int plat_mouse_buttons();
// Motion reported since the last call (relative motion while captured).
void plat_mouse_take_motion(int* dx, int* dy);
// Captured: the pointer is hidden and held by the window, and only relative
// motion is reported. Released: the ordinary pointer.
void plat_mouse_capture(bool captured);
// Puts the system pointer at a point of the window's client area.
void plat_mouse_warp(WindowHandle window, int x, int y);

// Called by the input event watch for every event.
void plat_mouse_watch_event(const SDL_Event& ev);
