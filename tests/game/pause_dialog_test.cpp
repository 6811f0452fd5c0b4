// The pause dialog driven frame by frame with the widget library's real
// kinds: the mouse clicks its check box, radio group and buttons where the
// layout put them, play's clock stands still while it is up, OK saves the
// options and play goes on, and the Title button sends everyone back to
// the title screen with the play picture still there to draw into; a
// blocking run (the editor's test play) gives the picture back when its
// stop button ends it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <functional>
#include <string>

#include "game/frame.h"
#include "game/pause_dialog.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/viewport.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/kvgui.h"
#include "kvgui/globals.h"
#include "kvgui/records.h"
#include "kvgui/seam.h"
#include "tests/game/play_fixture.h"
#include "tests/support/screen_pictures.h"
#include "tests/support/test_files.h"

namespace {

using play_test::press;
using play_test::script;

// The demo's 320 x 480 picture on a 1024 x 768 window: play draws into the
// picture's target and the dialog shows on the screen. The run loads the
// demo's own in-game font, so the dialog is laid out as in the player.
class PauseDialog : public PlayFramesOn<1024, 768> {
 public:
  void SetUp() override {
    PlayFramesOn::SetUp();
    if (HasFatalFailure()) return;
    const std::string media = qvl_test::temp_path("Media");
    ASSERT_EQ(mkdir(media.c_str(), 0777), 0);
    ASSERT_TRUE(demo_game_write_media(media + "/"));
    ASSERT_EQ(chdir(media.c_str()), 0);
    // The dialog reads the same scripted mouse and clock as play.
    kvgui_seam.now_ms = [] { return script.timer_ms; };
    kvgui_seam.frame_time_ms = [] { return 17.0; };
    kvgui_seam.mouse = [](int* x, int* y, int* b1, int* b2) {
      *x = script.mouse_x;
      *y = script.mouse_y;
      *b1 = script.mouse_button;
      *b2 = 0;
    };
    kvgui_seam.key_down = [](int scan) { return script.keys[scan & 255] ? 1 : 0; };
    kvgui_seam.typed_char = [] { return BasicString(); };
    kvgui_seam.message_step = [] {};
    kvgui_seam.show_screen = [] {};
  }
  void TearDown() override {
    kvgui_dialog_stack.dim(0, 0, 0, 0);
    kvgui_fade_images.dim(0, 0, 0, 0);
    kvgui_seam_use_host();
    PlayFramesOn::TearDown();
  }

  // One frame of the player application, the clock 17 ms on.
  int frame() {
    script.timer_ms += 17;
    return game_frame(game);
  }
  // Clicks into the top stripe during play; the dialog opens and is left
  // to glide into place.
  void pause() {
    script.mouse_x = 500;
    script.mouse_y = 20;
    script.mouse_button = 1;
    frame();
    ASSERT_EQ(playgame.paused, 1);
    for (int f = 0; f < 200 && !(menu_options_dialog_built() && kvgui_top_dialog().slide_target == -10000);
         ++f)
      frame();
    ASSERT_TRUE(menu_options_dialog_built());
  }
  // The point (dx, dy) inside the widget, or its centre.
  static void centre(const char* id, int* x, int* y, int dx = -1, int dy = -1) {
    const BasicString bid(id);
    const int w = int(kvgui_get_number(bid, BasicString("WIDTH")));
    const int h = int(kvgui_get_number(bid, BasicString("HEIGHT")));
    EXPECT_GT(w, 0) << id;
    *x = int(kvgui_get_number(bid, BasicString("XPOS"))) + (dx < 0 ? w / 2 : dx);
    *y = int(kvgui_get_number(bid, BasicString("YPOS"))) + (dy < 0 ? h / 2 : dy);
  }
  // Button 1 down on the widget (at (dx, dy) inside it, or its centre) for
  // a frame, then up; the result of the frame that lets it go.
  int click(const char* id, int dx = -1, int dy = -1) {
    centre(id, &script.mouse_x, &script.mouse_y, dx, dy);
    script.mouse_button = 1;
    frame();
    script.mouse_button = 0;
    return frame();
  }
  static std::string options_file() {
    return qvl_test::read_file(std::string(std::getenv("XDG_CONFIG_HOME")) +
                               "/Quarvel/ZEMO/playgame.ini");
  }
};

TEST_F(PauseDialog, OkTakesTheChoicesSavesThemAndPlayGoesOn) {
  testing::internal::CaptureStdout();
  run_and_join();
  frames(10);
  pause();
  const int clock = frame_clock;
  // Where the player end-to-end test clicks OK.
  int ok_x = 0, ok_y = 0;
  centre("bt_ok", &ok_x, &ok_y);
  EXPECT_EQ(ok_x, play_test::kPauseOkX);
  EXPECT_EQ(ok_y, play_test::kPauseOkY);
  EXPECT_EQ(kvgui_get_property(BasicString(), BasicString("TEXT")).compare_text("Pause"), 0);
  EXPECT_EQ(kvgui_get_number(BasicString("rd_ctrl"), BasicString("SELECT")), 0);
  // The second item of the radio group, "Gamepad", lies below the first.
  const int rh = int(kvgui_get_number(BasicString("rd_ctrl"), BasicString("HEIGHT")));
  click("rd_ctrl", 4, rh * 3 / 4);
  EXPECT_EQ(kvgui_get_number(BasicString("rd_ctrl"), BasicString("SELECT")), 1);
  click("ch_auto");
  EXPECT_EQ(kvgui_get_number(BasicString("ch_auto"), BasicString("SELECT")), 1);
  EXPECT_EQ(frame_clock, clock);  // play stands still under the dialog
  EXPECT_EQ(playgame.input, 0);   // nothing taken before OK
  EXPECT_EQ(click("bt_ok"), 1);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Init menu...\nMenu is set up\n"), std::string::npos) << out;
  EXPECT_EQ(playgame.paused, 0);
  EXPECT_FALSE(menu_options_dialog_built());
  EXPECT_EQ(playgame.input, 1);
  EXPECT_EQ(playgame.autofire, 1);
  EXPECT_EQ(options_file(), "[options]\r\ninput=1\r\nautofire=1\r\n");
  frames(3);
  EXPECT_EQ(frame_clock, clock + 3 * 17);
  EXPECT_EQ(game.players.data[0].lives, 3);

  // Paused again, the dialog shows what was chosen.
  pause();
  EXPECT_EQ(kvgui_get_number(BasicString("rd_ctrl"), BasicString("SELECT")), 1);
  EXPECT_EQ(kvgui_get_number(BasicString("ch_auto"), BasicString("SELECT")), 1);
}

// The dialog is drawn at twice its size (its virtual resolution) with
// texture smoothing on. Queued, it looks as it does drawn widget by widget
// (a tool tip on OK, a radio row hovered); and the blanks of its captions
// draw nothing, not the top of the glyph below them in the font's sheet.
TEST_F(PauseDialog, DrawingQueuedLooksAsWidgetByWidgetAndBlanksStayBlank) {
  run_and_join();
  frames(10);
  pause();
  auto expect_same_picture = [](const char* what) {
    std::vector<uint32_t> pictures[2];
    for (bool queued : {false, true}) {
      kvgui_queue_drawing = queued;
      qvl_gfx_flush_sprites();
      glClear(GL_COLOR_BUFFER_BIT);
      kvgui_show(0);
      qvl_gfx_flush_sprites();
      pictures[queued] = qvl_test::read_frame(1024, 768);
    }
    const qvl_test::FrameDifference d =
        qvl_test::compare_frames(pictures[0], pictures[1], 1024, 768, 1);
    EXPECT_EQ(d.pixels, 0) << what << ": worst channel difference " << d.worst
                           << "; first pixels (direct / queued):" << d.first;
  };
  kvgui_set_property(BasicString("bt_ok"), BasicString("TIPTEXT"), BasicString("Back to play"));
  centre("bt_ok", &script.mouse_x, &script.mouse_y);
  for (int f = 0; f < 40; ++f) frame();
  expect_same_picture("a tool tip on OK");
  const int rh = int(kvgui_get_number(BasicString("rd_ctrl"), BasicString("HEIGHT")));
  centre("rd_ctrl", &script.mouse_x, &script.mouse_y, 4, rh * 3 / 4);
  frame();
  expect_same_picture("a radio row hovered");

  // "Made with Z.E.M.O.": the rows under its first blank have the colour
  // of the button's face in those rows (its gradient runs top to bottom).
  script.mouse_x = script.mouse_y = 0;
  frame();
  kvgui_show(0);
  const VirtualResolution& v = qvl_gfx_virtual_resolution;
  ASSERT_GT(v.scale, 1.0f);
  auto window = [&v](int logical, int offset) { return int(logical * v.scale) + offset; };
  const BasicString caption("Made with Z.E.M.O.");
  const int bx = int(kvgui_get_number(BasicString("bt_web"), BasicString("XPOS")));
  const int by = int(kvgui_get_number(BasicString("bt_web"), BasicString("YPOS")));
  const int bw = int(kvgui_get_number(BasicString("bt_web"), BasicString("WIDTH")));
  const int bh = int(kvgui_get_number(BasicString("bt_web"), BasicString("HEIGHT")));
  int gw = 0, gh = 0;
  qvl_font_glyph_size(&gw, &gh);
  const int text_x = bx + (bw - kvgui_measure_text_width(caption)) / 2;
  const int blank = text_x + kvgui_measure_text_width(BasicString("Made"));
  const int blank_w = kvgui_measure_text_width(BasicString(" "));
  const int text_y = by + (bh - gh) / 2;
  int marked = 0;
  for (int y = window(text_y, v.offset_y); y < window(text_y + gh, v.offset_y) + 1; ++y) {
    const uint32_t face = rgb(window(bx + 2, v.offset_x), y);
    for (int x = window(blank, v.offset_x) + 1; x < window(blank + blank_w, v.offset_x) - 1; ++x)
      marked += rgb(x, y) != face;
  }
  EXPECT_EQ(marked, 0);
}

TEST_F(PauseDialog, TitleButtonLeavesThePlayPictureInPlace) {
  testing::internal::CaptureStdout();
  run_and_join();
  frames(10);
  const int target = gamestate.target_sprite;
  ASSERT_GE(target, 0);
  pause();
  EXPECT_EQ(kvgui_get_property(BasicString("bt_stop"), BasicString("TEXT")).compare_text("Title"), 0);
  EXPECT_EQ(click("bt_stop"), 0);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(playgame.paused, 0);
  EXPECT_EQ(game.players.data[0].lives, -1);
  EXPECT_EQ(options_file(), "");  // only OK saves
  // The picture's target and sprite stay for the next game.
  EXPECT_EQ(gamestate.target_sprite, target);
  int w = 0, h = 0;
  qvl_sprite_size(target, &w, &h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 480);
  frame();  // the title screen
  press(play_test::kRightCtrl);
  frame();
  press(play_test::kRightCtrl, false);
  frames(3);
  EXPECT_EQ(game.players.data[0].lives, 3);
}


// The editor's test play runs its own frames; each shown frame runs the
// next step of a script once its condition holds.
std::deque<std::function<bool()>> steps;
int shown = 0;
int target_seen = -1;

TEST_F(PauseDialog, BlockingRunGivesThePictureBackWhenItsStopButtonEndsIt) {
  auto run = [](std::function<void()> f) {
    steps.push_back([f] {
      f();
      return true;
    });
  };
  run([] {
    target_seen = gamestate.target_sprite;
    press(play_test::kRightCtrl);
  });
  run([] { press(play_test::kRightCtrl, false); });
  for (int i = 0; i < 5; ++i) run([] {});
  run([] {
    script.mouse_x = 500;
    script.mouse_y = 20;
    script.mouse_button = 1;  // let go by the wait's message step
  });
  steps.push_back([] { return menu_options_dialog_built() && kvgui_top_dialog().slide_target == -10000; });
  run([] {
    EXPECT_EQ(kvgui_get_property(BasicString("bt_stop"), BasicString("TEXT")).compare_text("Editor"), 0);
    EXPECT_EQ(kvgui_get_property(BasicString("cb_startlv"), BasicString("TEXT")).compare_text("Stage 1|Stage 2"),
              0);
    centre("bt_stop", &script.mouse_x, &script.mouse_y);
    script.mouse_button = 1;
  });
  run([] { script.mouse_button = 0; });
  shown = 0;
  play_seam.show_screen = [] {
    script.timer_ms += 17;
    // A run that never ends would hang the test: stop it loudly.
    if (++shown > 2000) {
      ADD_FAILURE() << "the run never ended";
      std::abort();
    }
    if (!steps.empty() && steps.front()()) steps.pop_front();
  };
  testing::internal::CaptureStdout();
  game_run(game, 0, 1, 1);
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(steps.empty());
  EXPECT_EQ(game.players.data[0].lives, -1);
  ASSERT_GE(target_seen, 0);
  EXPECT_EQ(gamestate.target_sprite, -1);
  EXPECT_EQ(qvl_gfx_target_slot, -1);  // drawing is back on the screen
  int w = 1, h = 1;
  qvl_sprite_size(target_seen, &w, &h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
}

}  // namespace
