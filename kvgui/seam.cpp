#include "kvgui/seam.h"

#include "files/sys_timer.h"
#include "host/input_manager.h"
#include "host/show_screen.h"
#include "host/window_proc.h"

namespace {

int host_wheel_total() { return qvl_input_mouse_axis(2); }

int host_key_down(int scan) { return qvl_input_key(scan) != 0.0 ? 1 : 0; }

void host_show_pointer() { qvl_input_show_pointer(1.0); }

constexpr KvguiSeam kHostSeam = {
    qvl_sys_timer_since_start, qvl_gfx_frame_time, qvl_input_mouse_state, host_wheel_total,
    host_key_down,             qvl_input_typed_char, qvl_win_show_screen, qvl_loop_hibernate,
    host_show_pointer,         qvl_input_wait_click,
};

}  // namespace

KvguiSeam kvgui_seam = kHostSeam;

KvguiSeam kvgui_host_seam() { return kHostSeam; }

void kvgui_seam_use_host() { kvgui_seam = kHostSeam; }
