// The drawing style shared by every dialog and widget: text printing and
// measuring with the library's spacing flag, caption forms and their sizes,
// outlines, bevels, two-colour gradient boxes, fitted sprites, the pressed
// colour, the GUI font fitted to the widget height, and named metrics.
// All drawing goes through the 2D drawing commands in the current viewport.
#pragma once

#include "core/basic_string.h"

// What a caption shows: "SPR_B" + n is sprite n, "SPR_C" + a decimal
// 0xBBGGRR colour is a swatch, anything else is text (possibly several
// lines). The prefixes count only at the start.
enum class KvguiCaptionForm { TEXT, SPRITE, SWATCH };
struct KvguiCaption {
  KvguiCaptionForm form;
  int number;  // sprite id or colour
};
KvguiCaption kvgui_caption_form(const BasicString& caption);

// A sprite's size; 0 x 0 for an id outside the sprite table (captions and
// free-id searches may give one), without raising an error.
void kvgui_sprite_size(int id, int* w, int* h);

void kvgui_fit_font();
// kvgui_fit_font when font scaling is on and the widget height above 8.
void kvgui_apply_font_scaling();
void kvgui_set_text_kerning(int flag);

void kvgui_print_text(const BasicString& text, int x, int y);
// With bold set, a copy one pixel to the right at half opacity first.
void kvgui_print_text_bold(const BasicString& text, int x, int y, int bold);
int kvgui_measure_text_width(const BasicString& text);
int kvgui_measure_caption_width(const BasicString& caption);
int kvgui_measure_caption_ex(const BasicString& caption, int pad);
int kvgui_measure_caption_padded(const BasicString& caption);
int kvgui_measure_caption_height(const BasicString& caption);
// "WIDGETSPACE" gives 2 and 2; "CAPTIONHEIGHT" max(24, glyph height) twice;
// any other name 0 and 0.
void kvgui_get_metric(const BasicString& name, int* a, int* b);

// A one-pixel outline whose corner pixels stay free.
void kvgui_draw_outline(int x, int y, int w, int h, int colour);
// The same outline at x 0 of the viewport.
void kvgui_draw_bevel(int y, int w, int h, int colour);
// Colour a blends into colour b over the first 35 % (top, or left for a
// box narrower than 0.65 of its height); equal colours give one rectangle.
void kvgui_draw_gradient_box(int a, int b, double x, double y, double w, double h);
// The sprite centred in the box: unscaled while the box is at least two
// thirds of its size each way, else scaled down uniformly.
void kvgui_draw_sprite_fitted(int sprite, int x, int y, int w, int h);
// Each colour byte times 7/8 (the pressed look); the top byte becomes 0.
int kvgui_darken_color(int colour);
