// The real player end to end on a private Xvfb display: the demo game from
// the start transcript through the title screen, joining, play, the
// display, the level change, the pause dialog, leaving, full screen and closing;
// a game packed into the program's archive; a damaged game file.
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "game/gamefile.h"
#include "gfx2d/viewport.h"
#include "tests/game/play_fixture.h"
#include "tests/support/test_files.h"
#include "tests/support/virtual_display.h"
#include "tools/demo_game.h"
#include "tools/hostile_files.h"
#include "tools/hostile_games.h"

namespace {

using Clock = std::chrono::steady_clock;

// The play picture, 320 x 480 scaled by 1.5 in the 1024 x 768 window.
constexpr int kLeft = 272, kTop = 24;
constexpr double kScale = 1.5;

bool eventually(const std::function<bool()>& done, int timeout_ms) {
  const auto t0 = Clock::now();
  while (!done()) {
    if (Clock::now() - t0 > std::chrono::milliseconds(timeout_ms)) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// 0xBBGGRR as the 0xRRGGBB of an X pixel.
uint32_t rgb(uint32_t bgr) { return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | bgr >> 16; }

class PlayerEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.start()) GTEST_SKIP() << "no virtual display: " << display_.error();
    dir_ = qvl_test::temp_path("player/");
    ASSERT_EQ(mkdir(dir_.c_str(), 0777), 0);
    ASSERT_EQ(mkdir((dir_ + "Media").c_str(), 0777), 0);
    // The player makes its own folder current and reads "Media" there.
    const std::string exe = qvl_test::read_file(ZEMO_PLAYER_PATH);
    ASSERT_FALSE(exe.empty());
    qvl_test::write_file(dir_ + "zemo-player", exe);
    ASSERT_EQ(chmod((dir_ + "zemo-player").c_str(), 0755), 0);
    ASSERT_TRUE(demo_game_write_media(dir_ + "Media/"));
  }

  void start() {
    program_ = std::make_unique<ChildProgram>(
        dir_ + "zemo-player", std::vector<std::string>{},
        std::vector<std::string>{"DISPLAY=" + display_.name(), "SDL_VIDEODRIVER=x11"});
  }
  // The player's window, given the focus, its title the game's.
  unsigned long game_window(const std::string& title) {
    unsigned long w = 0;
    eventually([&] {
      w = display_.find_window(title);
      if (!w) w = display_.find_window(title + " <pause>");
      return w != 0;
    }, 20000);
    EXPECT_NE(w, 0u) << program_->output();
    display_.focus(w);
    EXPECT_TRUE(display_.wait_title(w, title, 5000)) << display_.title_of(w);
    return w;
  }
  // Holds a key long enough for several frames, then lets it go.
  void tap(unsigned long keysym, int hold_ms = 300) {
    display_.key(keysym, true);
    sleep_ms(hold_ms);
    display_.key(keysym, false);
  }
  // The window pixel of play-picture pixel (x, y).
  uint32_t picture_pixel(unsigned long w, int x, int y) {
    return display_.pixel(w, kLeft + int(x * kScale), kTop + int(y * kScale));
  }
  bool lines_in_order(const std::vector<std::string>& lines) {
    size_t at = 0;
    for (const std::string& l : lines) {
      at = program_->output().find(l, at);
      if (at == std::string::npos) return false;
      at += l.size();
    }
    return true;
  }
  int close_and_wait(unsigned long w) {
    display_.close_window(w);
    return program_->wait_exit(20000);
  }

  VirtualDisplay display_;
  std::string dir_;
  std::unique_ptr<ChildProgram> program_;
};

TEST_F(PlayerEndToEnd, PlaysTheDemoGame) {
  start();
  ASSERT_TRUE(program_->wait_line("run game", 30000)) << program_->output();
  EXPECT_EQ(program_->output().rfind("ZEMO player app - V", 0), 0u) << program_->output();
  EXPECT_TRUE(lines_in_order({"\n.zemo file format: 33\nReading game...\nreading zzz_game.zemo\n",
                              "\nReading is done...\nSave to: ", "/ZEMO/playgame.ini\nrun game\n"}))
      << program_->output();

  // The window has the game's title, also after losing and regaining the focus.
  const unsigned long w = game_window("Star Patrol");
  const unsigned long other = display_.make_other_window();
  display_.focus(other);
  EXPECT_TRUE(display_.wait_title(w, "Star Patrol <pause>", 10000)) << display_.title_of(w);
  display_.focus(w);
  EXPECT_TRUE(display_.wait_title(w, "Star Patrol", 10000)) << display_.title_of(w);

  // Right Ctrl joins player 1; play starts once it is released.
  tap(XK_Control_R);
  ASSERT_TRUE(program_->wait_line("clicked 0", 10000)) << program_->output();
  ASSERT_TRUE(program_->wait_line("running 0", 10000)) << program_->output();

  // Play: the picture centred, black around it; the ship where it starts,
  // carried up with the scrolling; rock on the left; the display on top.
  const uint32_t ship = rgb(0xE06020), navy = rgb(0x301008);
  EXPECT_TRUE(eventually([&] { return picture_pixel(w, 112 + 8, 1536 - 1120 + 8) == ship; }, 10000));
  EXPECT_EQ(display_.pixel(w, 100, 400), 0u);
  EXPECT_EQ(display_.pixel(w, 900, 400), 0u);
  const uint32_t rock = picture_pixel(w, 40, 74 * 16 - 1120 + 60);
  EXPECT_TRUE(rock == rgb(0x303838) || rock == rgb(0x606870) || rock == 0) << std::hex << rock;
  int stars = 0, background = 0;
  for (int x = 160; x < 240; ++x) {
    const uint32_t p = picture_pixel(w, x, 100);
    background += p == navy;
    stars += p == 0xFFFFFF;
  }
  EXPECT_GT(background, 40);
  EXPECT_EQ(picture_pixel(w, 40, 4), 0u) << "the display's strip is black";

  // A click into the top 48 pixels pauses; OK closes the dialog and writes
  // the options file, and play goes on.
  const std::string options =
      std::string(std::getenv("XDG_CONFIG_HOME")) + "/Quarvel/ZEMO/playgame.ini";
  EXPECT_EQ(qvl_test::read_file(options), "");
  display_.click(w, 500, 20);
  ASSERT_TRUE(program_->wait_line("Menu is set up", 10000)) << program_->output();
  sleep_ms(1500);  // the dialog glides into place
  const VirtualResolution v = qvl_virtual_resolution_fit(1024, 768, 320, 320);
  display_.click(w, v.offset_x + int(play_test::kPauseOkX * v.scale),
                 v.offset_y + int(play_test::kPauseOkY * v.scale));
  ASSERT_TRUE(program_->wait_line("Save to: " + options, 10000)) << program_->output();
  EXPECT_TRUE(eventually(
      [&] { return qvl_test::read_file(options) == "[options]\r\ninput=0\r\nautofire=0\r\n"; }, 5000))
      << qvl_test::read_file(options);
  EXPECT_TRUE(eventually([&] { return picture_pixel(w, 200, 300) != 0; }, 10000));

  // Alt+Enter switches to full screen and back; play goes on.
  display_.press_keys({XK_Alt_L, XK_Return});
  sleep_ms(1500);
  display_.focus(w);
  display_.press_keys({XK_Alt_L, XK_Return});
  sleep_ms(1500);
  display_.focus(w);
  EXPECT_TRUE(eventually([&] { return picture_pixel(w, 200, 300) != 0; }, 10000));

  // Esc leaves for the title screen, where right Ctrl joins again.
  tap(XK_Escape);
  tap(XK_Control_R);
  EXPECT_TRUE(program_->wait_line("clicked 0", 10000)) << program_->output();
  EXPECT_TRUE(program_->wait_line("running 0", 10000)) << program_->output();

  // Closing the window ends the program.
  EXPECT_EQ(close_and_wait(w), 0) << program_->output();
  const std::string& out = program_->output();
  EXPECT_EQ(out.substr(out.size() - 5), "exit\n");
}

// The demo game with a first level made quick: 40 rows of plain space
// scrolling a pixel a frame, and a mine of one life sitting in front of
// player 1. The second level is the demo's own.
void write_quick_game(const std::string& path) {
  Tgame g;
  demo_game_build(g);
  Tlevel& level = g.levels.data[0];
  level.scroll_speed = 5;
  level.layers.data[0].tiles.dim(20, 40, 0, 0);  // tile 0 everywhere
  BasicArray<int>& walls = level.layers.data[1].tiles;
  walls.dim(20, 40, 0, 0);
  for (int i = 0; i < walls.count; ++i) walls.data[i] = -1;
  level.starts.data[0] = Tpoint{112, 40 * 16 - 64};
  level.starts.data[1] = Tpoint{192, 40 * 16 - 64};
  level.waves.dim(1, 0, 0, 0);
  Twave& w = level.waves.data[0];
  w.spawns.push(TSpawnPt{112, 400, 0});
  w.path.push(Tpoint{112, 400});
  Tobject mine;
  mine.anim = 15;
  mine.lives = 1;
  mine.speed = 0;
  mine.score = 250;
  mine.fire_rate = 0;
  mine.bonus = mine.stompable = 0;
  w.enemies.data[0] = mine;
  ASSERT_TRUE(gamefile_write(g, BasicString(path.c_str()), false));
}

// The ink of one 8 x 8 glyph cell of the display's score (cell 0 is "$").
std::vector<bool> score_cell(VirtualDisplay& d, unsigned long w, int cell) {
  std::vector<bool> ink;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ink.push_back(d.pixel(w, kLeft + 64 + cell * 8 + x, kTop + 1 + y) == 0xFFFFFF);
  return ink;
}

bool blank(const std::vector<bool>& ink) {
  for (bool b : ink)
    if (b) return false;
  return true;
}

TEST_F(PlayerEndToEnd, AKillShowsInTheDisplayAndTheLevelChanges) {
  write_quick_game(dir_ + "Media/zzz_game.zemo");
  start();
  ASSERT_TRUE(program_->wait_line("run game", 30000)) << program_->output();
  const unsigned long w = game_window("Star Patrol");
  tap(XK_Control_R);
  ASSERT_TRUE(program_->wait_line("running 0", 10000)) << program_->output();
  const uint32_t ship = rgb(0xE06020);
  ASSERT_TRUE(eventually([&] { return picture_pixel(w, 112 + 8, 576 - 160 + 8) == ship; }, 10000));
  // "$       0" before the shot.
  const std::vector<bool> zero = score_cell(display_, w, 8);
  EXPECT_FALSE(blank(zero));
  EXPECT_TRUE(blank(score_cell(display_, w, 6)));
  tap(XK_Control_R, 200);
  // "$     250" after it.
  EXPECT_TRUE(eventually([&] { return !blank(score_cell(display_, w, 6)); }, 10000));
  EXPECT_FALSE(blank(score_cell(display_, w, 7)));
  EXPECT_EQ(score_cell(display_, w, 8), zero);
  // Once the top is reached the level closes and the demo's second level
  // opens at its bottom, with rock in the top right corner.
  const uint32_t rock_dark = rgb(0x303838), rock_light = rgb(0x606870);
  EXPECT_TRUE(eventually([&] {
    const uint32_t p = picture_pixel(w, 13 * 16 + 8, 20);
    return p == rock_dark || p == rock_light;
  }, 20000));
  EXPECT_EQ(close_and_wait(w), 0) << program_->output();
}

TEST_F(PlayerEndToEnd, GameInTheAppendedArchiveLoads) {
  const std::string game = dir_ + "Media/zzz_game.zemo";
  const std::string pack = std::string(SBPACK_PATH) + " " + dir_ + "zemo-player " + game;
  ASSERT_EQ(std::system((pack + " > /dev/null").c_str()), 0);
  ASSERT_EQ(unlink(game.c_str()), 0);
  start();
  // Not on the disk: said so, and a click goes on to the archive's copy.
  ASSERT_TRUE(program_->wait_line("Game data not found", 30000)) << program_->output();
  const unsigned long w = game_window("ZemoAppName");
  display_.click(w, 500, 400);
  ASSERT_TRUE(program_->wait_line("Reading is done...", 20000)) << program_->output();
  ASSERT_TRUE(program_->wait_line("run game", 20000)) << program_->output();
  EXPECT_TRUE(display_.wait_title(w, "Star Patrol", 10000)) << display_.title_of(w);
  EXPECT_EQ(close_and_wait(w), 0) << program_->output();
}

// A game that cannot be read is a failed run: "Load Error!", and whether
// the file is missing or damaged, and however the program is then left,
// exit status 2, with "exit" still the last line.
TEST_F(PlayerEndToEnd, UnreadableGameEndsWithStatus2) {
  const std::string game = dir_ + "Media/zzz_game.zemo";
  const std::string whole = qvl_test::read_file(game);
  struct Case {
    const char* what;
    bool missing;
    bool escape;  // leave with Esc rather than a click
    std::string bytes;
    const char* reason;  // the line printed before "Load Error!"
    bool pipe = false;   // the game's name is a named pipe that no one writes
  } cases[] = {{"missing", true, false, "", "load failed: there is no such file\n"},
               {"a named pipe", false, false, "", "load failed: the file cannot be opened\n", true},
               {"damaged", false, false, whole.substr(0, 1000), "load failed: the file ends early"},
               {"damaged, Esc", false, true, whole.substr(0, 1000), "load failed: the file ends early"},
               // Its play picture would take 3.25 GB and 18 s before play.
               {"a play picture of 16384 x 16384", false, false,
                hostile::game_with_view(16384, 16384), "load failed: the play picture is larger"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    unlink(game.c_str());
    if (c.pipe)
      ASSERT_EQ(mkfifo(game.c_str(), 0600), 0);
    else if (!c.missing)
      qvl_test::write_file(game, c.bytes);
    start();
    const unsigned long w = game_window("ZemoAppName");
    if (c.missing) {
      ASSERT_TRUE(program_->wait_line("Game data not found", 30000)) << program_->output();
      display_.click(w, 500, 400);
    }
    ASSERT_TRUE(program_->wait_line("Load Error!", 30000)) << program_->output();
    EXPECT_NE(program_->output().find(c.reason), std::string::npos) << program_->output();
    if (c.escape) {
      tap(XK_Escape);
    } else {
      display_.click(w, 500, 400);
    }
    EXPECT_EQ(program_->wait_exit(20000), 2) << program_->output();
    const std::string& out = program_->output();
    EXPECT_EQ(out.substr(out.size() - 5), "exit\n");
  }
}

// The demo game's joypad picture replaced by an 8,229-byte PNG declaring
// 8192 x 8192 pixels took 1,219 MB in the player; it is refused before it
// is decoded (the error log says why), and the game plays on without it.
TEST_F(PlayerEndToEnd, ASmallPictureDeclaringALargeOneIsRefused) {
  qvl_test::write_file(dir_ + "Media/joypad0.png", hostile::png_blank(8192, 8192, 0, 1, 9));
  start();
  ASSERT_TRUE(program_->wait_line("run game", 30000)) << program_->output();
  const unsigned long w = game_window("Star Patrol");
  EXPECT_EQ(close_and_wait(w), 0) << program_->output();
  EXPECT_GT(program_->peak_mb(), 0.0);
  EXPECT_LT(program_->peak_mb(), 400.0);
}

// Named pipes in place of the in-game font and a joypad picture hold
// nothing up: each is refused as a file that cannot be read (the system
// font and no joypad sprite stand in) and the game plays.
TEST_F(PlayerEndToEnd, NamedPipesInMediaAreRefusedAndTheGamePlays) {
  for (const char* name : {"ingamefont.png", "joypad0.png"}) {
    const std::string path = dir_ + "Media/" + name;
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  }
  start();
  ASSERT_TRUE(program_->wait_line("run game", 30000)) << program_->output();
  const unsigned long w = game_window("Star Patrol");
  EXPECT_EQ(close_and_wait(w), 0) << program_->output();
}

// A swarm of 1,000 spawn points of 1,000 templates in view at the start:
// the frame loop stays responsive, and the player ends soon after SIGTERM,
// SIGINT or the window's close (it took 47 s after SIGTERM, or never).
TEST_F(PlayerEndToEnd, ASwarmLeavesTheFrameLoopResponsive) {
  qvl_test::write_file(dir_ + "Media/zzz_game.zemo", hostile::game_with_swarm(1000, 1000));
  for (const int how : {SIGTERM, SIGINT, 0}) {
    SCOPED_TRACE(how == SIGTERM ? "SIGTERM" : how == SIGINT ? "SIGINT" : "close");
    start();
    ASSERT_TRUE(program_->wait_line("run game", 30000)) << program_->output();
    const unsigned long w = game_window("Star Patrol");
    tap(XK_Control_R);
    ASSERT_TRUE(program_->wait_line("running 0", 10000)) << program_->output();
    sleep_ms(500);  // the swarm's first frames
    if (how != 0) {
      program_->send_signal(how);
      EXPECT_EQ(program_->wait_exit(20000), 0) << program_->output();
    } else {
      EXPECT_EQ(close_and_wait(w), 0) << program_->output();
    }
  }
}

}  // namespace
