// The runtime started on a small window (160 x 120, windowed, 1000 frames
// per second, so the frame limiter does not slow the tests) with an
// application whose entry does nothing.
#pragma once

#include "files/app_name.h"
#include "host/project_settings.h"
#include "host/startup.h"

namespace qvl_test {

inline void small_host_settings() {
  qvl_win_project_settings = ProjectSettings{160, 120, 0, 0, 1000, 0};
  qvl_sys_app_name().assign_cstr("TestApp");
}

inline int small_host_entry() { return 0; }

inline void start_small_host() {
  qvl_win_init_only(QvlApplication{small_host_settings, small_host_entry}, nullptr);
}

}  // namespace qvl_test
