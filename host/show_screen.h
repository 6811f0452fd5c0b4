// Show-screen: the command that ends every frame. It checks the keys that
// end the program, runs the window messages, presents the frame, waits for
// the frame's time and resets the 2D state for the next frame.
#pragma once

#include <cstdint>

#include "core/call_by_name.h"

extern double qvl_win_frame_time_current;
extern double qvl_win_frame_time_previous;
// Frames since the last reset; above 29 the idle step sleeps between
// messages.
extern int32_t qvl_win_idle_count;
extern int32_t qvl_win_escape_switch;       // 1 = Escape ends the program
extern int32_t qvl_win_activation_request;  // bring the window to the front
// "QVL_WIN32_MSG": -1 not looked up yet, 0 absent, 1 found.
extern int32_t qvl_win_msg_hook_state;
extern QvlRoutine qvl_win_msg_hook;

void qvl_win_show_screen();
// 1 after a frame; 0 when it came back because the program is ending.
int qvl_win_show_screen_core();
void qvl_win_reset_frame_state();
// Looks "QVL_WIN32_MSG" up once; the hook or null.
QvlRoutine qvl_win_find_msg_hook();
// The message pump with the hook, as every waiting loop of the host runs it.
void qvl_win_pump_hooked(uint8_t wait);
// Restarts looping music when its time has come (with the music player).
void qvl_win_music_restart();

void qvl_gfx_set_frame_rate(double fps, int vsync);
double qvl_gfx_frame_time();
void qvl_win_allow_escape(int flag);
int qvl_win_escape_allowed();
void qvl_win_reset_idle_count();
void qvl_win_set_screen(int width, int height, int full_screen);
