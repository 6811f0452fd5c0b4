// The busy overlay: feedback during long work outside the frame loop (such
// as reading or writing the game file). Each call while busy redraws the
// screen as it was when the work began, dimmed, with five grey bars moving
// like a wave in the middle, and shows the screen; calls closer together
// than one frame period (16.7 ms) draw nothing.
#pragma once

// busy 0 ends the overlay (its screen image is released); any other value
// draws a busy frame when one is due. sprite is where the screen is grabbed
// at the first busy call; -1 takes a free sprite id.
int kvgui_show_busy(int busy, int sprite);

// The height of bar i (0 to 4) at time now_ms, and its grey level l
// (30 to 255; the colour is l x 0x010101).
struct KvguiBusyBar {
  int level;
  int height;
};
KvguiBusyBar kvgui_busy_bar(int i, double now_ms);
