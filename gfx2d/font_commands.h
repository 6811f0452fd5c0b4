// The font commands of the language over the one graphics object: loading
// and selecting font slots, printing and measuring with the current slot.
// Slots are 0 to 31; a slot outside that range raises runtime error 7 and
// changes nothing.
#pragma once

#include <cstdint>

#include "core/basic_string.h"

// The slot the commands print with and measure in.
extern int32_t qvl_gfx_current_font;

void qvl_font_load(const BasicString& name, int slot);
int qvl_font_select(int slot, double scale, int colour);
int qvl_font_current();
void qvl_font_print(const BasicString& text, double x, double y, int proportional);
int qvl_font_text_width(const BasicString& text, int proportional);
int qvl_font_text_width_cstr(const char* const* text, int proportional);
void qvl_font_glyph_size(int* width, int* height);
void qvl_font_glyph_size_f(double* width, double* height);
int qvl_font_free_slot();
void qvl_font_load_vector(const void* data, int slot);

// The start-up's font search: the first of "Media/smalfont.png",
// "Media/smalfont.bmp", "smalfont.png", "smalfont.bmp" that resolves is
// loaded into slot 0; then slot 0 is selected at scale 2.0 with the print
// colour kept. The built-in font must already be in slot 0.
void qvl_font_startup_search();
