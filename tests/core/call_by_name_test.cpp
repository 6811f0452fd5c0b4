// Calling routines by name, the loop runner and the pause hooks.
#include "core/call_by_name.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "core/error_state.h"
#include "tests/support/child_process.h"

using qvl_test::read_file;
using qvl_test::run_in_child;
using qvl_test::temp_dir;

namespace {

std::string g_trace;  // what the routines did, in order
int g_passes = 0;

void trace(const char* what) { g_trace += what; }

void routine_a() {
  trace("A");
  if (++g_passes == 3) qvl_call_run_loop(BasicString("B"));
  trace("a");  // a request never cuts the pass short
}
void routine_b() {
  trace("B");
  qvl_call_run_loop(BasicString(""));
}
void routine_c() {
  trace("C");
  qvl_call_run_loop(BasicString("B"));
}
// Two requests in one pass: the later one counts.
void routine_twice() {
  trace("T");
  qvl_call_run_loop(BasicString("A"));
  qvl_call_run_loop(BasicString("C"));
  trace("t");
}
void routine_to_nowhere() {
  trace("N");
  qvl_call_run_loop(BasicString("NO_SUCH_ROUTINE"));
}
void routine_end_loop() {
  trace("E");
  qvl_call_end_loop();
}
void on_pause() {
  trace("P");
  if (std::getenv("PAUSE_RESUMES")) qvl_call_pause_hook(0);
}
void on_resume() { trace("R"); }

const NamedSub kTable[] = {
    {routine_a, "A"},
    {routine_b, "B"},
    {routine_c, "C"},
    {routine_twice, "TWICE"},
    {routine_to_nowhere, "TO_NOWHERE"},
    {routine_end_loop, "END_LOOP"},
    {on_pause, "QVL_ON_PAUSE"},
    {on_resume, "QVL_ON_RESUME"},
    {nullptr, nullptr},
};

class CallByNameTest : public testing::Test {
 protected:
  void SetUp() override {
    qvl_call_static_init();
    qvl_call_set_table(kTable);
    qvl_call_paused = 0;
    qvl_call_pause_switch = 1;
    g_trace.clear();
    g_passes = 0;
    unsetenv("QVL_DEBUG_LOG");
    unsetenv("PAUSE_RESUMES");
  }
  void TearDown() override { qvl_call_set_table(nullptr); }
};

TEST_F(CallByNameTest, FindMatchesWholeNameByteForByte) {
  EXPECT_EQ(qvl_call_find_routine(BasicString("A")), routine_a);
  EXPECT_EQ(qvl_call_find_routine(BasicString("QVL_ON_RESUME")), on_resume);
  EXPECT_EQ(qvl_call_find_routine(BasicString("a")), nullptr);
  EXPECT_EQ(qvl_call_find_routine(BasicString("A ")), nullptr);
  EXPECT_EQ(qvl_call_find_routine(BasicString("")), nullptr);
  BasicString with_nul("A");
  with_nul.append_char('\0');
  EXPECT_EQ(qvl_call_find_routine(with_nul), nullptr);

  qvl_call_set_table(nullptr);  // no table installed: nothing is found
  EXPECT_EQ(qvl_call_find_routine(BasicString("A")), nullptr);
}

TEST_F(CallByNameTest, CallByNameRunsOnceOrReportsMissingRoutine) {
  std::string debug_log = temp_dir() + "debug.txt";
  setenv("QVL_DEBUG_LOG", debug_log.c_str(), 1);
  EXPECT_EQ(qvl_call_by_name(BasicString("QVL_ON_RESUME")), 1);
  EXPECT_EQ(g_trace, "R");
  // Hooks most programs leave out are missing silently...
  for (const char* quiet : {"QVL_ON_QUIT", "QVL_ON_HIDE", "QVL_WIN32_MSG"})
    EXPECT_EQ(qvl_call_by_name(BasicString(quiet)), 0);
  EXPECT_EQ(read_file(debug_log), "");
  // ...every other missing name is noted each time.
  qvl_call_set_table(nullptr);
  EXPECT_EQ(qvl_call_by_name(BasicString("QVL_ON_PAUSE")), 0);
  EXPECT_EQ(qvl_call_by_name(BasicString("KVGUI_ON_AFTER_SHOWSCREEN")), 0);
  EXPECT_EQ(read_file(debug_log),
            "TXCALLBYNAME \"QVL_ON_PAUSE\" *** failed ***\n"
            "TXCALLBYNAME \"KVGUI_ON_AFTER_SHOWSCREEN\" *** failed ***\n");
}

TEST_F(CallByNameTest, LoopRunsRoutineUntilSwitchThenEndsOnEmptyName) {
  qvl_call_run_loop(BasicString("A"));
  EXPECT_EQ(g_trace, "AaAaAaB");
}

TEST_F(CallByNameTest, LoopSwitchesBetweenPassesAndEndsOnUnknownName) {
  qvl_call_run_loop(BasicString("C"));
  EXPECT_EQ(g_trace, "CB");
  g_trace.clear();
  qvl_call_run_loop(BasicString("TO_NOWHERE"));
  EXPECT_EQ(g_trace, "N");
}

TEST_F(CallByNameTest, LaterRequestInSamePassReplacesEarlierOne) {
  qvl_call_run_loop(BasicString("TWICE"));
  // No nested loop inside the pass and no pass of "A": the pass ends, then
  // "C" runs, then "B".
  EXPECT_EQ(g_trace, "TtCB");
}

TEST_F(CallByNameTest, LoopOnEmptyOrUnknownNameRunsNothing) {
  qvl_call_run_loop(BasicString(""));
  qvl_call_run_loop(BasicString("NO_SUCH_ROUTINE"));
  EXPECT_EQ(g_trace, "");
  // The runner is idle again: a new loop starts normally.
  qvl_call_run_loop(BasicString("B"));
  EXPECT_EQ(g_trace, "B");
}

TEST_F(CallByNameTest, EndLoopInsideLoopEndsProgram) {
  auto r = run_in_child([] { qvl_call_run_loop(BasicString("END_LOOP")); });
  EXPECT_EQ(r.out, "exit\n");
  EXPECT_EQ(r.exit_status, 0);

  // Already ending: the pass finishes and the loop ends after it.
  qvl_err_state.ending = 1;
  qvl_call_run_loop(BasicString("END_LOOP"));
  EXPECT_EQ(g_trace, "E");
  qvl_err_state.ending = 0;
}

TEST_F(CallByNameTest, PauseAndResumeCallTheirHooksOnceEach) {
  EXPECT_EQ(qvl_call_pause_hook(0), 0);  // not paused: nothing to resume
  EXPECT_EQ(qvl_call_pause_hook(1), 1);
  EXPECT_EQ(qvl_call_pause_hook(5), 1);  // already paused
  EXPECT_EQ(qvl_call_paused, 1);
  EXPECT_EQ(qvl_call_pause_hook(0), 0);
  EXPECT_EQ(qvl_call_pause_hook(0), 0);
  EXPECT_EQ(qvl_call_paused, 0);
  EXPECT_EQ(g_trace, "PR");
}

TEST_F(CallByNameTest, SwitchOffIgnoresPauseAndResumesPausedProgram) {
  qvl_call_enable_pause_hooks(0);
  EXPECT_EQ(qvl_call_pause_hook(1), 0);
  EXPECT_EQ(g_trace, "");

  qvl_call_enable_pause_hooks(1);
  qvl_call_pause_hook(1);
  qvl_call_enable_pause_hooks(0);
  EXPECT_EQ(qvl_call_paused, 0);
  EXPECT_EQ(qvl_call_pause_switch, 0);
  EXPECT_EQ(g_trace, "PR");
  qvl_call_enable_pause_hooks(0);
  EXPECT_EQ(g_trace, "PR");
}

TEST_F(CallByNameTest, PauseHookThatResumesIsOverruledWhenItReturns) {
  setenv("PAUSE_RESUMES", "1", 1);
  EXPECT_EQ(qvl_call_pause_hook(1), 1);
  EXPECT_EQ(g_trace, "PR");
  EXPECT_EQ(qvl_call_paused, 1);
}

}  // namespace
