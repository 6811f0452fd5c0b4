// Calling routines by name, the loop runner and the pause hooks.
#include "core/call_by_name.h"

#include <cstring>

#include "core/error_state.h"
#include "core/logs.h"

int qvl_call_paused = 0;
int qvl_call_pause_switch = 1;

namespace {

const NamedSub kEmptyTable[] = {{nullptr, nullptr}};
const NamedSub* g_table = kEmptyTable;

// True from the start of a loop until it ends: every run-loop call made
// meanwhile comes from inside a pass and is a request, never a new loop.
bool g_loop_running = false;

// The name the loop runs, and the name requested during the running pass.
// Built on first use so their release is registered in start-up order.
BasicString& loop_current() {
  static BasicString name;
  return name;
}

BasicString& loop_next() {
  static BasicString name;
  return name;
}

bool equals_text(const BasicString& s, const char* text) {
  size_t n = std::strlen(text);
  return s.length >= 0 && static_cast<size_t>(s.length) == n && std::memcmp(s.text, text, n) == 0;
}

struct LoopRunningScope {
  LoopRunningScope() { g_loop_running = true; }
  ~LoopRunningScope() { g_loop_running = false; }
};

int resume() {
  qvl_call_paused = 0;
  qvl_call_by_name(BasicString("QVL_ON_RESUME"));
  qvl_call_paused = 0;
  return 0;
}

}  // namespace

void qvl_call_set_table(const NamedSub* table) { g_table = table ? table : kEmptyTable; }

void qvl_call_static_init() {
  loop_current();
  loop_next();
}

QvlRoutine qvl_call_find_routine(const BasicString& name) {
  for (const NamedSub* row = g_table; row->routine; ++row) {
    if (row->name && equals_text(name, row->name)) return row->routine;
  }
  return nullptr;
}

int qvl_call_by_name(const BasicString& name) {
  if (QvlRoutine routine = qvl_call_find_routine(name)) {
    routine();
    return 1;
  }
  // These three are asked for on every frame or at every exit; a program
  // without them is the normal case and not worth a line each time.
  if (!equals_text(name, "QVL_ON_QUIT") && !equals_text(name, "QVL_ON_HIDE") &&
      !equals_text(name, "QVL_WIN32_MSG")) {
    BasicString line("CALLBYNAME \"");
    line.append(name);
    line.append_cstr("\" *** failed ***\n");
    qvl_log_debug(line);
  }
  return 0;
}

void qvl_call_run_loop(const BasicString& name) {
  BasicString& current = loop_current();
  BasicString& next = loop_next();
  if (g_loop_running) {
    // A request from inside a pass: it takes effect when the pass returns,
    // and a later request in the same pass replaces this one.
    next.assign(name);
    current.release();
    return;
  }
  next.release();
  current.assign(name);
  if (current.empty()) return;
  QvlRoutine routine = qvl_call_find_routine(current);
  if (!routine) return;

  LoopRunningScope running;
  for (;;) {
    routine();
    if (!current.empty()) continue;  // no request: the same routine again
    current.assign(next);
    next.release();
    if (current.empty()) return;
    routine = qvl_call_find_routine(current);
    if (!routine) {
      current.release();
      return;
    }
  }
}

void qvl_call_end_loop() {
  qvl_call_run_loop(BasicString());
  qvl_err_end_program_once();
}

int qvl_call_pause_hook(int pause) {
  bool want_pause = pause != 0;
  if (qvl_call_pause_switch) {
    if (want_pause == (qvl_call_paused != 0)) return qvl_call_paused;
    if (!want_pause) return resume();
    qvl_call_paused = 1;
    qvl_call_by_name(BasicString("QVL_ON_PAUSE"));
    qvl_call_paused = 1;
    return 1;
  }
  if (!qvl_call_paused) return 0;
  return resume();
}

void qvl_call_enable_pause_hooks(int on) {
  if (on) {
    qvl_call_pause_switch = 1;
    return;
  }
  qvl_call_pause_switch = 0;
  if (qvl_call_paused == 1) qvl_call_pause_hook(0);
}
