// The error state, its messages, END and the assertion.
#include "core/error_state.h"

#include <cstdio>
#include <cstdlib>

#include "core/logs.h"
#include "core/number_text.h"
#include "platform/console.h"

ErrorState qvl_err_state{};

namespace {

QvlShutdownHook g_shutdown_hook = nullptr;
int g_end_status = 0;

// Indexed by code 0 to 20; every code outside the table is "unknown error".
constexpr const char* kMessages[21] = {
    "success",       "unknown error", "unknown error", "no such file",  "unknown error",
    "unknown error", "unknown error", "out of memory", "unknown error", "out of bounds",
    "unknown error", "unknown error", "unknown error", "unknown error", "unknown error",
    "unknown error", "unknown error", "unknown error", "unknown error", "unknown error",
    "out of data"};

const char* message_of(int code) {
  auto index = static_cast<unsigned>(code);  // negative codes land above 20
  return index < 21 ? kMessages[index] : "unknown error";
}

void log_number_line(int value) {
  char line[16];
  std::snprintf(line, sizeof line, "%d\n", value);
  qvl_log_error_file(line);
}

// What the shell sees: a shell takes only the low 8 bits of a status, so a
// code that does not fit (or is not a failure code at all) becomes 1 rather
// than something that might read as success.
int fatal_exit_status(int code) { return (code >= 1 && code <= 255) ? code : 1; }

[[noreturn]] void end_program_with_status(int status) {
  qvl_err_state.ending = 1;
  if (qvl_err_state.debug_mode) {
    qvl_log_error_file("-End On Line\n");
    log_number_line(qvl_err_state.last_error);
    log_number_line(qvl_err_state.error_line - 1);
    log_number_line(qvl_err_state.current_line);
    log_number_line(qvl_err_state.position2);
  }
  // The host releases its window, devices and files here. Errors it raises
  // print their notice but cannot start a second END: ending is already set.
  if (g_shutdown_hook) g_shutdown_hook();
  qvl_os_console_write_out("exit\n");
  std::exit(status);
}

}  // namespace

int qvl_err_raise(int code) {
  if (code == 0) return 0;
  qvl_err_state.last_error = code;
  qvl_err_state.error_line = qvl_err_state.current_line;
  BasicString notice("error: ");
  notice.append(qvl_fmt_int_hex(code));
  notice.append_char('\n');
  qvl_os_console_write_out(notice.c_str());
  return code;
}

void qvl_err_clear() { qvl_err_state.last_error = 0; }

BasicString qvl_err_text() {
  char text[64];
  std::snprintf(text, sizeof text, "%.4d %s", qvl_err_state.last_error,
                message_of(qvl_err_state.last_error));
  return BasicString(text);
}

void qvl_err_set_position(int position2, int line) {
  qvl_err_state.position2 = position2;
  qvl_err_state.current_line = line;
}

void qvl_err_set_end_status(int status) { g_end_status = status; }

void qvl_err_end_program() { end_program_with_status(g_end_status); }

void qvl_err_end_program_failed() { end_program_with_status(1); }

void qvl_err_end_program_once() {
  if (qvl_err_state.ending) return;
  int code = qvl_err_state.last_error;
  end_program_with_status(code == 0 ? g_end_status : fatal_exit_status(code));
}

int qvl_err_assert(int value) {
  if (value != 0) return value;
  qvl_log_debug(BasicString("Assertion: Value = 0\n"));
  qvl_err_raise(21);
  qvl_err_end_program_once();
  return 21;
}

void qvl_err_set_shutdown_hook(QvlShutdownHook hook) { g_shutdown_hook = hook; }
