// The idle step: a low idle counter only pumps; a high one waits for input,
// which resets the counter; Escape ends the program only with the ESC
// switch on.
#include <gtest/gtest.h>

#include <cstdio>

#include "host/show_screen.h"
#include "host/window_proc.h"
#include "tests/host/input_fixture.h"
#include "tests/support/child_process.h"

namespace {

class IdleStep : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    qvl_win_escape_switch = 1;
    next_frame();
  }
};

TEST_F(IdleStep, CounterDecidesWhetherItWaitsForInput) {
  struct Case {
    int counter;
    bool key_held;
    int counter_after;
  } cases[] = {
      {29, true, 29},  // 29 or below: one pump, no input check
      {30, true, 0},   // a held key wakes it at once
      {31, false, 31}, // no input: 100 passes, the counter stays
  };
  for (const Case& c : cases) {
    if (c.key_held) key(SDL_SCANCODE_Q, true);
    next_frame();
    qvl_win_idle_count = c.counter;
    qvl_loop_hibernate();
    EXPECT_EQ(qvl_win_idle_count, c.counter_after) << c.counter;
    key(SDL_SCANCODE_Q, false);
    next_frame();
    qvl_input_key(0x10);  // the release is read
  }
}

TEST_F(IdleStep, EscapeEndsOnlyWithTheSwitchOn) {
  for (int allowed : {1, 0}) {
    auto r = qvl_test::run_in_child([&] {
      qvl_win_escape_switch = allowed;
      key(SDL_SCANCODE_ESCAPE, true);
      next_frame();
      qvl_win_idle_count = 30;
      qvl_loop_hibernate();
      std::printf("counter %d\n", qvl_win_idle_count);
    });
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, allowed ? "exit\n" : "counter 0\n");
  }
}

}  // namespace
