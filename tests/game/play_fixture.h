// Play driven frame by frame: scripted keys, mouse, joysticks and clock in
// place of the host (no waiting, no window needed), and a fixture that adds
// the graphics object with the demo game's sprites for the tests that need
// pixel collisions.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "game/frame.h"
#include "game/model.h"
#include "game/palette_sprites.h"
#include "game/play_seam.h"
#include "game/run.h"
#include "tests/gfx2d/gfx_fixture.h"
#include "tools/demo_game.h"

namespace play_test {

struct Script {
  bool keys[256] = {};
  int mouse_x = 0, mouse_y = 0, mouse_button = 0;
  int joysticks = 0;
  double axis_x[4] = {}, axis_y[4] = {};
  int hat_x[4] = {}, hat_y[4] = {};
  int buttons[4] = {};  // bit b: button b down
  double timer_ms = 0;
  int shows = 0, sleeps = 0, message_steps = 0;
  // A wait for keys or the mouse to go up ends with the next message step.
  bool release_on_message_step = true;
};

inline Script script;

inline void install() {
  script = Script();
  play_seam = PlaySeam{
      [](int scan) { return script.keys[scan & 255] ? 1 : 0; },
      [](int* x, int* y, int* b1, int* b2) {
        *x = script.mouse_x;
        *y = script.mouse_y;
        *b1 = script.mouse_button;
        *b2 = 0;
      },
      [] { return script.joysticks; },
      [](int n) { return script.axis_x[n & 3]; },
      [](int n) { return script.axis_y[n & 3]; },
      [](int n) { return script.hat_x[n & 3]; },
      [](int n) { return script.hat_y[n & 3]; },
      [](int n, int b) { return (script.buttons[n & 3] >> b) & 1; },
      [] {
        script.message_steps += 1;
        if (!script.release_on_message_step) return;
        std::memset(script.keys, 0, sizeof script.keys);
        script.mouse_button = 0;
      },
      [] { script.shows += 1; },
      [](int) { script.sleeps += 1; },
      [] { return script.timer_ms; }};
}

inline void press(int scan, bool down = true) { script.keys[scan] = down; }

// Scan codes the tests press.
constexpr int kRightCtrl = 157, kLeftCtrl = 29, kUp = 200, kDown = 208, kLeft = 203, kRight = 205;
constexpr int kEsc = 1, kQ = 16;

// The centre of the pause dialog's OK button in the dialog's 320 x 320
// picture, laid out with the demo's in-game font.
constexpr int kPauseOkX = 23, kPauseOkY = 107;

}  // namespace play_test

// The demo game loaded into `game` with its sprites and sheets, on a
// W x H window; at 320 x 480 (the game's own size) play draws straight to
// it, on a larger one into the play picture's target.
template <int W, int H>
class PlayFramesOn : public GfxWindowFixture<W, H> {
 public:
  void SetUp() override {
    GfxWindowFixture<W, H>::SetUp();
    if (this->HasFatalFailure()) return;
    play_test::install();
    demo_game_build(game);
    gamefile_build_sprites(game.images, game.palette, kFirstImageSprite, 16, kImageSheetSprite);
    gamefile_build_sprites(game.tiles, game.palette, kFirstTileSprite, 16, kTileSheetSprite);
  }
  void TearDown() override {
    play_seam = play_seam_host();
    GfxWindowFixture<W, H>::TearDown();
  }

  // Starts a run and joins player 0 (fire pressed for one title frame,
  // released for the next), so that the next frame starts the level.
  void run_and_join() {
    game_run(game, 0, 0, 0);
    play_test::press(play_test::kRightCtrl);
    game_frame(game);
    play_test::press(play_test::kRightCtrl, false);
    game_frame(game);
  }
  // n frames of play; the result of the last.
  int frames(int n) {
    int r = 1;
    for (int k = 0; k < n; ++k) r = game_frame(game);
    return r;
  }
};

using PlayFrames = PlayFramesOn<320, 480>;
