// Temporary minimal error state so that early pieces link; replaced by the
// full implementation.
#include "core/error_state.h"

#include <cstdio>
#include <cstdlib>

ErrorState qvl_err_state{};
static QvlShutdownHook g_shutdown_hook = nullptr;

int qvl_err_raise(int code) {
  if (code == 0) return 0;
  qvl_err_state.last_error = code;
  qvl_err_state.error_line = qvl_err_state.current_line;
  std::printf("error: %x\n", static_cast<unsigned>(code));
  std::fflush(stdout);
  return code;
}

void qvl_err_clear() { qvl_err_state.last_error = 0; }

void qvl_err_set_shutdown_hook(QvlShutdownHook hook) { g_shutdown_hook = hook; }

void qvl_err_end_program() {
  qvl_err_state.ending = 1;
  if (g_shutdown_hook) g_shutdown_hook();
  std::puts("exit");
  std::exit(0);
}

void qvl_err_end_program_once() {
  if (!qvl_err_state.ending) qvl_err_end_program();
}
