// The host end to end: host-demo on a private Xvfb display starts, shows
// frames and ends with "exit"; Escape and Alt+F4 end it; losing the focus
// pauses it (title and hooks) and regaining the focus resumes it.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/virtual_display.h"
#include "tests/support/child_process.h"

namespace {

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.start()) GTEST_SKIP() << "no virtual display: " << display_.error();
  }
  ChildProgram* run(const std::string& frames) {
    program_ = new ChildProgram(QVL_HOST_DEMO, {frames},
                                {"DISPLAY=" + display_.name(), "SDL_VIDEODRIVER=x11"});
    return program_;
  }
  // Starts an endless run and gives its window the focus.
  unsigned long start_focused() {
    ChildProgram* p = run("0");
    EXPECT_TRUE(p->wait_line("ready", 20000)) << p->output();
    // The window may have lost the focus already (a paused title).
    unsigned long w = display_.find_window("HostDemo");
    if (!w) w = display_.find_window("HostDemo <pause>");
    EXPECT_NE(w, 0u);
    display_.focus(w);
    EXPECT_TRUE(display_.wait_title(w, "HostDemo", 5000)) << display_.title_of(w);
    return w;
  }
  void TearDown() override { delete program_; }
  VirtualDisplay display_;
  ChildProgram* program_ = nullptr;
};

std::string log_text() { return qvl_test::read_file(qvl_test::temp_dir() + "ErrorLog.txt"); }

TEST_F(EndToEnd, ShowsFramesAndEndsWithExit) {
  ChildProgram* p = run("20");
  int status = p->wait_exit(5000);
  if (status == -1) {
    // Without a window manager the focus follows the pointer and may leave
    // the window, which pauses the program by design: give it back.
    unsigned long w = display_.find_window("HostDemo <pause>");
    if (w) display_.focus(w);
    status = p->wait_exit(25000);
  }
  EXPECT_EQ(status, 0) << p->output();
  EXPECT_NE(p->output().find("ready\n"), std::string::npos);
  EXPECT_EQ(p->output().substr(p->output().size() - 5), "exit\n");
  // Every step's line, in the order of the steps, from the first line of
  // the log to the last.
  std::string log = log_text();
  EXPECT_EQ(log.find("Start new log...\n"), 0u) << log;
  size_t at = 0;
  for (const char* line :
       {"Start new log...", "timer", "rbow", "rbow init", "WIN32 init video", "OGRB init [OK]",
        "Cptn", "Network", "Input", "Window mode", "Create DXin", "reptr", "getexe", "cd",
        "exepath=curdir= ", "strongboxing...", "init gettimer", "clear screen", "flip", "mk2D",
        "finding font...", "Win8+ mouse as pointer", "Init Finalized", "Shut down QVL",
        "qvl is shut down"}) {
    std::string l(line);
    if (l.back() != ' ') l += '\n';  // the folder follows "curdir= "
    size_t found = log.find(l, at);
    ASSERT_NE(found, std::string::npos) << "missing or out of order: " << line << "\n" << log;
    at = found + l.size();
  }
  EXPECT_EQ(log.substr(log.size() - 17), "qvl is shut down\n");
}

TEST_F(EndToEnd, EscapeAndAltF4End) {
  const std::vector<unsigned long> keys[] = {{XK_Escape}, {XK_Alt_L, XK_F4}};
  for (const auto& k : keys) {
    start_focused();
    display_.press_keys(k);
    EXPECT_EQ(program_->wait_exit(20000), 0) << k.size();
    EXPECT_EQ(program_->output().substr(program_->output().size() - 5), "exit\n");
    delete program_;
    program_ = nullptr;
  }
}

TEST_F(EndToEnd, FocusLossPausesAndFocusResumes) {
  unsigned long w = start_focused();
  unsigned long other = display_.make_other_window();
  display_.focus(other);
  EXPECT_TRUE(program_->wait_line("pause", 10000)) << program_->output();
  EXPECT_TRUE(display_.wait_title(w, "HostDemo <pause>", 5000)) << display_.title_of(w);
  display_.focus(w);
  EXPECT_TRUE(program_->wait_line("resume", 10000)) << program_->output();
  EXPECT_TRUE(display_.wait_title(w, "HostDemo", 5000)) << display_.title_of(w);
  display_.press_keys({XK_Escape});
  EXPECT_EQ(program_->wait_exit(20000), 0);
}

}  // namespace
