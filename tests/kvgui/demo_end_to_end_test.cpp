// The widget library end to end: kvgui-demo on a private Xvfb display,
// driven with xdotool through the X server, opens each standard dialog in
// turn; the clicks land where the demo says the widgets are, and each
// dialog's answer comes back on its output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "tests/support/virtual_display.h"
#include "tests/support/test_files.h"

namespace {

class DemoEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v xdotool > /dev/null") != 0) GTEST_SKIP() << "no xdotool";
    if (!display_.start()) GTEST_SKIP() << "no virtual display: " << display_.error();
  }
  void TearDown() override { delete demo_; }

  bool xdotool(const std::string& args) {
    const std::string cmd = "DISPLAY=" + display_.name() + " xdotool " + args;
    return std::system(cmd.c_str()) == 0;
  }

  // Waits for the n-th dialog and takes its widgets' boxes: the lines
  // between the previous dialog's "ready" and this one's (they may have
  // been read already while the test waited for the previous answer).
  bool ready(int n) {
    const std::string mark = "ready " + std::to_string(n) + "\n";
    if (!demo_->wait_line(mark.substr(0, mark.size() - 1), 30000)) return false;
    const std::string& out = demo_->output();
    const size_t to = out.find(mark);
    size_t from = n > 1 ? out.find("ready " + std::to_string(n - 1) + "\n") : 0;
    from = from == std::string::npos ? 0 : from;
    at_.clear();
    std::istringstream lines(out.substr(from, to - from));
    std::string word, id;
    Box box;
    while (lines >> word) {
      if (word == "at" && lines >> id >> box.x >> box.y >> box.w >> box.h) at_[id] = box;
    }
    return true;
  }

  // A click on the widget (its centre, or dx pixels from its left edge):
  // the button goes up only once the demo has seen it down (with hold, once
  // it has been down for as many frames as make the host idle), and the
  // next step waits until the demo has seen it up, unless the click ends
  // the dialog.
  void click(const std::string& id, int dx = -1, bool ends_dialog = false, bool hold = false) {
    ASSERT_TRUE(at_.count(id)) << id << " is not on the dialog:\n" << demo_->output();
    const Box b = at_[id];
    const int x = b.x + (dx < 0 ? b.w / 2 : dx), y = b.y + b.h / 2;
    ASSERT_TRUE(xdotool("mousemove --window " + std::to_string(window_) + " " +
                        std::to_string(x) + " " + std::to_string(y) + " mousedown 1"));
    ASSERT_TRUE(demo_->wait_line("button 1", 30000)) << demo_->output();
    if (hold) {
      ASSERT_TRUE(demo_->wait_line("held", 30000)) << demo_->output();
    }
    ASSERT_TRUE(xdotool("mouseup 1"));
    if (!ends_dialog) {
      ASSERT_TRUE(demo_->wait_line("button 0", 30000)) << demo_->output();
    }
  }

  VirtualDisplay display_;
  ChildProgram* demo_ = nullptr;
  unsigned long window_ = 0;
  struct Box {
    int x = 0, y = 0, w = 0, h = 0;
  };
  std::map<std::string, Box> at_;
};

TEST_F(DemoEndToEnd, EachDialogAnswers) {
  demo_ = new ChildProgram(QVL_KVGUI_DEMO, {"--trace"},
                           {"DISPLAY=" + display_.name(), "SDL_VIDEODRIVER=x11"});
  ASSERT_TRUE(ready(1)) << demo_->output();
  window_ = display_.find_window("KvguiDemo");
  ASSERT_NE(window_, 0u);
  display_.focus(window_);

  // The colour picker: red to 0 by a click at the left end of its slider.
  // The picker runs the host's message step, which waits for input once
  // the frames have been idle for a while: each press is held that long,
  // and its release must still be seen.
  click("sl_R", 2, false, true);
  click("bt_ok", -1, true, true);
  ASSERT_TRUE(demo_->wait_line("colour 008000", 20000)) << demo_->output();

  // The keypad: x replaces the selected "hello".
  ASSERT_TRUE(ready(2)) << demo_->output();
  click("bx");
  click("btOK", -1, true);
  ASSERT_TRUE(demo_->wait_line("text x", 20000)) << demo_->output();

  // The file chooser: a name typed into its field, saved as a .txt file in
  // the temporary folder.
  ASSERT_TRUE(ready(3)) << demo_->output();
  click("tx_file");
  ASSERT_TRUE(xdotool("type notes"));
  ASSERT_TRUE(demo_->wait_line("typed notes", 30000)) << demo_->output();
  click("bt_ok", -1, true);
  const std::string saved = qvl_test::temp_dir() + "notes.txt";
  ASSERT_TRUE(demo_->wait_line("file " + saved, 20000)) << demo_->output();
  EXPECT_EQ(qvl_test::read_file(saved), "");

  // The popup list and the message box.
  ASSERT_TRUE(ready(4)) << demo_->output();
  click("b2", -1, true);
  ASSERT_TRUE(demo_->wait_line("item 2", 20000)) << demo_->output();
  ASSERT_TRUE(ready(5)) << demo_->output();
  click("bt_yes", -1, true);
  ASSERT_TRUE(demo_->wait_line("answer 1", 20000)) << demo_->output();
  EXPECT_EQ(demo_->wait_exit(20000), 0) << demo_->output();
  EXPECT_EQ(demo_->output().substr(demo_->output().size() - 5), "exit\n");
}

}  // namespace
