// The window message queue: SDL events become Win32-numbered messages that
// the runtime peeks, removes, waits for and dispatches to its one window
// procedure, as its message pumps were written for.
#pragma once

#include <vector>

#include "platform/win_messages.h"

union SDL_Event;

// Screen rectangle of a window's client area.
struct PlatRect {
  int x, y, w, h;
};

// Appends the messages one SDL event stands for, all addressed to target,
// whose client area lies at client (screen pixels; touch positions are
// reported in screen pixels). Pure apart from the touch-id table.
void plat_translate_event(const SDL_Event& ev, WindowHandle target, const PlatRect& client,
                          std::vector<PlatMsg>& out);

// The window procedure that dispatching calls, and the one that messages
// without a window of their own (quit) are sent to.
void plat_set_window_proc(PlatWindowProc proc);
void plat_set_main_window(WindowHandle window);

// PeekMessage: the first queued message for window (null = any), removed
// when remove is set. Collects pending SDL events first.
bool plat_peek_message(PlatMsg* out, WindowHandle window, bool remove);
// WaitMessage: returns once a message has arrived that no peek or wait has
// seen yet.
void plat_wait_message();
void plat_post_message(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void plat_post_quit_message(int code);
// DispatchMessage and SendMessage: run the window procedure.
intptr_t plat_dispatch_message(const PlatMsg& msg);
intptr_t plat_send_message(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam);
// DefWindowProc: SC_CLOSE becomes a WM_CLOSE sent to the window procedure;
// every other message has no default effect here.
intptr_t plat_def_window_proc(WindowHandle window, uint32_t message, uintptr_t wParam,
                              intptr_t lParam);
// Drops every queued message of a window that is going away.
void plat_discard_messages(WindowHandle window);
// Number of messages waiting (tests and diagnostics).
int plat_queued_message_count();

// The last contact of a touch pointer, as a pointer message reported it.
struct PlatTouchInfo {
  uint32_t pointer_id;
  int screen_x, screen_y;
  uint32_t flags;  // POINTER_MESSAGE_FLAG_* of the last message
};
bool plat_pointer_touch_info(uint32_t pointer_id, PlatTouchInfo* out);
