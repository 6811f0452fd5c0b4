// Present and the message pump: the frame goes on the screen, the next
// frame's background is prepared, and the window's messages run while the
// frame limiter waits.
#include <chrono>
#include <thread>

#include "gfx2d/frame_limiter.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "platform/clock.h"
#include "platform/video.h"

namespace {

void default_sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Hands a WM_CHAR to the typed-character queue: the low byte, sign-extended.
void handle(const PlatMsg& m) {
  if (m.message == WM_CHAR && qvl_gfx_char_sink)
    qvl_gfx_char_sink(static_cast<signed char>(m.wParam & 0xFF));
  plat_dispatch_message(m);
}

}  // namespace

QvlFrameClock qvl_gfx_frame_clock = {qvl_os_clock_ms, default_sleep};

int OpenGLRainbows::pump_messages(QvlRoutine hook, uint8_t wait) {
  if (wait) plat_wait_message();
  PlatMsg m;
  if (hook) {
    // The hook may take messages itself; only what the removing peek
    // returns is handled, so no message runs twice.
    while (plat_peek_message(nullptr, window, false)) {
      hook();
      if (plat_peek_message(&m, window, true)) handle(m);
    }
  } else {
    while (plat_peek_message(&m, window, true)) handle(m);
  }
  return 1;
}

int OpenGLRainbows::present(QvlRoutine hook) {
  end_render_target();
  qvl_gfx_flush_sprites();
  plat_gl_swap(window);

  // The background of the next frame: background slot 0, or the clear
  // that clear_each_frame and clear_depth ask for.
  clear_frame();

  double now;
  for (;;) {
    pump_messages(hook, 0);
    now = qvl_gfx_frame_clock.now_ms();
    int step = qvl_frame_wait_step(next_frame_time - now);
    if (step < 0) break;
    if (step > 0) qvl_gfx_frame_clock.sleep_ms(step);
  }
  next_frame_time = qvl_frame_next_time(next_frame_time, now, frame_period);
  return 1;
}
