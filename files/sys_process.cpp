#include "files/sys_process.h"

#include <sched.h>

#include <cstdlib>
#include <string>

#include "core/error_state.h"
#include "platform/clock.h"
#include "platform/process.h"

namespace {

SysHostHooks g_hooks{};

bool escape_allowed() { return g_hooks.escape_allowed != nullptr && g_hooks.escape_allowed(); }

void run_hook(void (*hook)()) {
  if (hook != nullptr) hook();
}

}  // namespace

void qvl_sys_set_host_hooks(const SysHostHooks& hooks) { g_hooks = hooks; }

int qvl_sys_shell_open(const BasicString& file) {
  bool escape = escape_allowed();
  if (escape) run_hook(g_hooks.shutdown);
  // xdg-open is not waited for: with some desktops it lasts as long as the
  // document's viewer does. A name that begins with '-' would be taken for
  // one of its options; "./" keeps it the file of that name.
  std::string target = file.text;
  if (!target.empty() && target[0] == '-') target.insert(0, "./");
  pid_t pid = qvl_proc_spawn({"xdg-open", target});
  qvl_proc_release(pid);
  if (escape) qvl_err_end_program_once();
  return pid > 0 ? 1 : 0;
}

double qvl_sys_run_process(BasicString& command_line, int wait, int show, double& exit_code) {
  exit_code = 0;
  bool left_fullscreen = false;
  if (g_hooks.is_fullscreen != nullptr && g_hooks.is_fullscreen()) {
    run_hook(g_hooks.set_windowed);
    left_fullscreen = true;
  }

  pid_t pid = qvl_proc_spawn(qvl_proc_split_command_line(command_line.text));
  double result = 0;
  if (pid > 0) {
    result = 1;
    if (wait != 0) {
      // waitpid returns once the child has ended, whatever its exit code
      // (259, "still active" on Windows, included), so this never spins.
      int code = 0;
      if (qvl_proc_wait(pid, &code)) exit_code = code;
    } else {
      qvl_proc_release(pid);
    }
  }

  if (show != 0) run_hook(g_hooks.activate_window);
  if (left_fullscreen) run_hook(g_hooks.set_fullscreen);
  return result;
}

void qvl_sys_run_and_exit(const BasicString& command_line) {
  run_hook(g_hooks.shutdown);
  BasicString line = command_line;
  double code = 0;
  qvl_sys_run_process(line, 0, 1, code);
  std::exit(0);
}

void qvl_sys_sleep(int milliseconds) {
  if (milliseconds <= 0) {
    sched_yield();  // Sleep(0) gives up the rest of the time slice
    return;
  }
  qvl_os_sleep_ms(milliseconds);
}
