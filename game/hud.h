// What the frame draws over play: the level-transition fade, the head-up
// display with each player's lives and score, the mode caption, and the
// stretching of the off-screen play picture onto the screen.
#pragma once

#include "game/model.h"

// The height of band k (0 .. 8) of the fade, for bands a pixels high at
// fade position b (0 open .. 16 closed): the lower bands close first.
int game_fade_band_height(int k, int a, double b);
// Draws the fade over the current drawing size: black bands closing (or,
// without the flag, opening) with progress 0 .. 1.
int game_fade_blinds(double progress, int closing);

// "[Editor]" or "[Pause]" at (0, 0), blinking with a period of 2048 ms.
int hud_draw_mode_caption(int editor);

// The scale the play picture is stretched with onto the screen, stepped to
// whole or simple values, and whether the stretch is smoothed.
struct PictureScale {
  double scale;
  int smoothing;
};
PictureScale hud_picture_scale(int screen_w, int screen_h, int game_w, int game_h);

// The text of player slot i in the display: "P1 *START*" when not joined,
// else "P1 " + the lives icon (code 1) + "x" + lives; score_text gets "$"
// and the score in 8 characters.
void hud_player_texts(const Tobject& player, int i, BasicString& text, BasicString& score_text);

// The last drawing of a frame: the display over the picture and, with the
// off-screen target, the picture stretched onto the screen.
void hud_draw(Tgame& game);
