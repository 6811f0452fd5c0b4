// Typed characters: the queue's rules, the line input fed by pushed SDL
// events through the running frame loop, and the file requester with a
// stand-in zenity.
#include "host/text_input.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "files/app_name.h"
#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "host/project_settings.h"
#include "host/startup.h"
#include "tests/host/small_host.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

class TypedChars : public ::testing::Test {
 protected:
  void SetUp() override { qvl_input_manager = new InputManager(); }
  void TearDown() override {
    delete qvl_input_manager;
    qvl_input_manager = nullptr;
  }
  std::string drain() {
    std::string s;
    for (BasicString c = qvl_input_typed_char(); !c.empty(); c = qvl_input_typed_char())
      s += c.c_str();
    return s;
  }
};

TEST_F(TypedChars, QueueRules) {
  for (int c : {int('a'), 13, 0, 1, 8, 9, 10, 27, 31, 0x20, 0xE9, 0x100 + 'b'}) qvl_input_push_char(c);
  EXPECT_EQ(drain(), std::string("a\n\b\t\n \xE9" "b"));
  EXPECT_EQ(qvl_input_typed_char().length, 0);
  EXPECT_EQ(qvl_input_manager->next_char(), 0);
  EXPECT_FALSE(qvl_input_manager->take_char());
}

TEST_F(TypedChars, SixteenWaitTheSeventeenthIsDropped) {
  for (int i = 0; i < 17; ++i) qvl_input_push_char('A' + i);
  EXPECT_EQ(drain(), "ABCDEFGHIJKLMNOP");
  qvl_input_push_char('x');  // room again once read
  EXPECT_TRUE(qvl_input_manager->take_char());
}

// --- The line input ------------------------------------------------------

std::vector<std::string> g_printed;
// Types Enter after this many prints (0 = never).
size_t g_enter_after = 0;

void record_print(const char* text, int, int, int) {
  g_printed.emplace_back(text);
  if (g_enter_after && g_printed.size() == g_enter_after) qvl_input_push_char(13);
}

void start() {
  qvl_test::start_small_host();
  qvl_input_line_painter.print = record_print;
}

void push_text(const char* utf8) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.windowID = 0;
  std::snprintf(e.text.text, sizeof e.text.text, "%s", utf8);
  SDL_PushEvent(&e);
}

void push_key(SDL_Keycode sym) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = sym;
  e.key.keysym.scancode = SDL_GetScancodeFromKey(sym);
  SDL_PushEvent(&e);
}

// Characters arrive through the message pump of the frames the line input
// shows; backspace takes the last byte back; Enter ends the line.
TEST(LineInput, TypedThroughTheFrameLoop) {
  auto r = qvl_test::run_in_child([] {
    start();
    push_key(SDLK_BACKSPACE);  // on an empty line: nothing
    push_text("ab");
    push_key(SDLK_BACKSPACE);
    push_text("\xC3\xA9z");  // é arrives as its code-page byte
    push_key(SDLK_RETURN);
    push_text("after");  // stays in the queue for the next reader
    BasicString text;
    qvl_input_text(text, 5, 6, 0);
    std::printf("[%s]", text.c_str());
    std::printf("[%s]", qvl_input_typed_char().c_str());
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out, "[a\xE9z][a]");
}

// The screen under the line is kept in background slot 3 and put back
// before every redraw, whatever the picture became meanwhile, and the
// slot is freed at the end.
TEST(LineInput, KeepsTheScreenUnderTheLine) {
  static const LineInputPainter real = qvl_input_line_painter;
  auto r = qvl_test::run_in_child([] {
    start();
    qvl_input_line_painter.print = [](const char* text, int x, int y, int proportional) {
      OpenGLRainbows* gfx = qvl_gfx_rainbows;
      std::printf("[%d %08x]", gfx->background_slots[3] >= 0, gfx->get_pixel(150, 110));
      real.print(text, x, y, proportional);
      // Whatever the frame leaves behind must not show under the next line.
      glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      static int prints = 0;
      if (++prints == 3) qvl_input_push_char(13);
    };
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::printf("before %08x", qvl_gfx_rainbows->get_pixel(150, 110));
    BasicString text("x");
    qvl_input_text(text, 5, 6, 1);
    std::printf("after %d", qvl_gfx_rainbows->background_slots[3]);
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  size_t at = r.out.find("before ");
  ASSERT_NE(at, std::string::npos) << r.out;
  std::string red = r.out.substr(at + 7, 8);
  EXPECT_EQ(r.out, "before " + red + "[1 " + red + "][1 " + red + "][1 " + red + "]after -1");
}

TEST(LineInput, NumbersAndAnEmptyLine) {
  auto r = qvl_test::run_in_child([] {
    start();
    double d = -1;
    push_text("2.5e1");
    push_key(SDLK_RETURN);
    qvl_input_text_float(&d, 0, 0, 0);
    int n = -1;
    push_key(SDLK_KP_ENTER);
    qvl_input_text_int(&n, 0, 0, 0);
    std::printf("%g %d", d, n);
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  EXPECT_EQ(r.out, "25 0");
}

// The cursor shows after 21 frames without typing and toggles every 21.
TEST(LineInput, CursorBlinksAfterTwentyOneIdleFrames) {
  auto r = qvl_test::run_in_child([] {
    start();
    g_enter_after = 45;
    BasicString text("hi");
    qvl_input_text(text, 0, 0, 1);
    for (size_t i = 0; i < g_printed.size(); ++i)
      if (g_printed[i] == "hi_") std::printf("%zu ", i);
  });
  EXPECT_EQ(r.exit_status, 0) << r.err;
  std::string want;
  for (int i = 21; i <= 41; ++i) want += std::to_string(i) + " ";
  EXPECT_EQ(r.out, want);
}

// --- The file requester --------------------------------------------------

// A stand-in zenity: records its arguments, then answers as told by
// $ZENITY_ANSWER and exits with $ZENITY_STATUS.
void install_zenity() {
  std::string dir = qvl_test::temp_dir() + "bin";
  mkdir(dir.c_str(), 0755);
  std::string path = dir + "/zenity";
  FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fprintf(f,
               "#!/bin/sh\n"
               "for a in \"$@\"; do printf '%%s\\n' \"$a\"; done > \"$TMPDIR/zenity-args\"\n"
               "printf '%%s\\n' \"$ZENITY_ANSWER\"\n"
               "exit \"${ZENITY_STATUS:-0}\"\n");
  std::fclose(f);
  chmod(path.c_str(), 0755);
  setenv("PATH", (dir + ":/usr/bin:/bin").c_str(), 1);
}

std::string request(int open, const char* filter) {
  BasicString result("old");
  qvl_win_file_requester(result, open, BasicString(filter));
  return result.c_str();
}

TEST(FileRequester, Answers) {
  install_zenity();
  setenv("ZENITY_STATUS", "0", 1);
  setenv("ZENITY_ANSWER", "/home/u/My Pictures/a.png", 1);
  EXPECT_EQ(request(1, "Images|*.png;*.bmp|All|*.*"), "/home/u/My Pictures/a.png");
  std::string args = qvl_test::read_file(qvl_test::temp_dir() + "zenity-args");
  EXPECT_NE(args.find("--file-selection\n"), std::string::npos) << args;
  EXPECT_NE(args.find("--file-filter=Images | *.png *.bmp\n"), std::string::npos) << args;
  EXPECT_NE(args.find("--file-filter=All | *.*\n"), std::string::npos) << args;
  EXPECT_EQ(args.find("--save"), std::string::npos);

  setenv("ZENITY_ANSWER", "C:\\games\\\xC3\xA9t\xC3\xA9.sav", 1);  // UTF-8 to code page
  EXPECT_EQ(request(0, ""), "C:/games/\xE9t\xE9.sav");
  args = qvl_test::read_file(qvl_test::temp_dir() + "zenity-args");
  EXPECT_NE(args.find("--save\n"), std::string::npos) << args;

  setenv("ZENITY_STATUS", "1", 1);  // cancelled
  setenv("ZENITY_ANSWER", "", 1);
  EXPECT_EQ(request(1, "All|*.*"), "NO_FILE");
  setenv("ZENITY_STATUS", "0", 1);  // success, but no name
  EXPECT_EQ(request(1, "All|*.*"), "NO_FILE");

  setenv("PATH", "/nonexistent", 1);  // no dialog program at all
  EXPECT_EQ(request(1, "All|*.*"), "NO_FILE");
}

// Without zenity every request reads as cancelled; the error log says why,
// once however often the program asks. A cancel says nothing.
TEST(FileRequester, AMissingDialogProgramIsLoggedOnce) {
  install_zenity();
  setenv("ZENITY_STATUS", "1", 1);
  EXPECT_EQ(request(1, "All|*.*"), "NO_FILE");
  EXPECT_EQ(qvl_test::error_log().find("zenity"), std::string::npos);
  setenv("PATH", "/nonexistent", 1);
  EXPECT_EQ(request(1, "All|*.*"), "NO_FILE");
  EXPECT_EQ(request(0, ""), "NO_FILE");
  std::string log = qvl_test::error_log();
  size_t first = log.find("zenity cannot be run");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find("zenity", first + 1), std::string::npos) << log;
}

TEST(FileRequester, KeepsTheCurrentFolder) {
  install_zenity();
  setenv("ZENITY_ANSWER", "/x", 1);
  std::string here = qvl_test::temp_dir() + "here";
  mkdir(here.c_str(), 0755);
  ASSERT_EQ(chdir(here.c_str()), 0);
  request(1, "");
  char cwd[1024];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(std::string(cwd) + "/", here + "/");
  std::string args = qvl_test::read_file(qvl_test::temp_dir() + "zenity-args");
  EXPECT_NE(args.find("--filename=" + here + "/\n"), std::string::npos) << args;
}

// The filter list ends in two NULs inside its 1,024 bytes, however long
// the filter.
TEST(FileRequester, FilterCopyStaysInItsBuffer) {
  RequesterFilter f;
  qvl_input_requester_filter(BasicString(std::string(2000, 'x').c_str()), &f);
  EXPECT_EQ(f.buffer[1021], 'x');
  EXPECT_EQ(f.buffer[1022], 0);
  EXPECT_EQ(f.buffer[1023], 0);
  qvl_input_requester_filter(BasicString("A|*.a||B"), &f);
  EXPECT_EQ(std::string(f.buffer, 10), std::string("A\0*.a\0\0B\0\0", 10));
}

}  // namespace
