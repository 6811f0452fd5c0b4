// The project settings compiled into the application, read by the start-up.
#pragma once

#include <cstdint>

struct ProjectSettings {
  int32_t width;        // window client width in pixels
  int32_t height;       // window client height in pixels
  int32_t full_screen;  // 1 = start in full-screen mode
  int32_t multisample;  // sample count for the window's GL context
  int32_t frame_rate;   // frames per second for the frame limiter
  int32_t hide_pointer; // 1 = the system pointer is hidden over the window
};

// Written by the application before the start-up.
extern ProjectSettings qvl_win_project_settings;
