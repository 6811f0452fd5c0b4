// Fonts on a real GL (Mesa): the built-in font printed and measured, font
// files, slot errors, vector text and 3D text, read back from the picture.
#include <png.h>

#include <cstdio>
#include <string>

#include "core/error_state.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/sprite_table.h"
#include "tests/gfx2d/image_fixtures.h"
#include "tests/gfx2d/text_fixture.h"

namespace {

using Fonts = GfxWindowTest;
constexpr uint32_t kWhite = 0xFFFFFF, kOutline = 0x080808;

// The built-in font prints at scale 4: 'A' printed at x 10.2 starts at 11,
// its cell pixel (2, 1) (white) covers 19..22 x 4..7, pixel (1, 1) is the
// outline and (0, 1) is transparent.
TEST_F(Fonts, BuiltinFontPrintsAtScaleFourFromTheCeiling) {
  gfx_->install_system_font(0);
  EXPECT_EQ(gfx_->font_scale[0], 4.0f);
  EXPECT_EQ(qvl_font_text_width("abc", 1), 96);
  EXPECT_EQ(qvl_font_text_width("abc", 0), 96);
  const char* text = "abcd";
  EXPECT_EQ(qvl_font_text_width_cstr(&text, 1), 128);
  int w = 0, h = 0;
  qvl_font_glyph_size(&w, &h);
  EXPECT_EQ(w, 32);
  EXPECT_EQ(h, 32);
  qvl_font_print("A", 10.2, 0.0, 1);
  EXPECT_EQ(rgb(19, 5), kWhite);
  EXPECT_EQ(rgb(22, 5), kWhite);
  EXPECT_EQ(rgb(15, 5), kOutline);
  EXPECT_EQ(rgb(14, 5), 0u) << "printing did not start at ceil(x)";
  EXPECT_EQ(rgb(19, 1), kOutline);  // above the bar
}

// A font sheet filtered linearly (texture smoothing applied to it) and
// drawn scaled samples between texels; each glyph must still sample only
// its own cell. The blank's cell is empty, and the cell below it ('0') has
// dark outline pixels in its top row: a blank that reaches across its edge
// draws them as a grey line. Printed 1:1, the sheet is sampled at texel
// centres and nothing changes.
TEST_F(Fonts, ScaledGlyphsOfASmoothedSheetSampleOnlyTheirOwnCell) {
  gfx_->install_system_font(0);
  gfx_->bind_sprite_texture(kFirstFontSprite);
  gfx_->smoothing = 1;
  gfx_->apply_smoothing();
  struct Case {
    float scale;
    int proportional;
  } const cases[] = {{1.5f, 1}, {1.5f, 0}, {2.5f, 1}, {0.75f, 1}};
  for (const Case& c : cases) {
    gfx_->draw_rect(0, 0, kWidth, kHeight, kWhite);
    qvl_font_select(0, c.scale, -1);
    qvl_font_print("   ", 10.0, 10.0, c.proportional);
    const int size = static_cast<int>(8 * c.scale) + 2;
    int marked = 0;
    for (int y = 8; y < 10 + size; ++y)
      for (int x = 8; x < 10 + 3 * size; ++x) marked += rgb(x, y) != kWhite;
    EXPECT_EQ(marked, 0) << "scale " << c.scale << ", proportional " << c.proportional;
  }
  // 1:1 the letters stay as sharp as they are unfiltered.
  gfx_->draw_rect(0, 0, kWidth, kHeight, 0);
  qvl_font_select(0, 1.0, -1);
  qvl_font_print("A", 10.0, 0.0, 1);
  EXPECT_EQ(rgb(12, 1), kWhite);
  EXPECT_EQ(rgb(11, 1), kOutline);
  EXPECT_EQ(rgb(10, 1), 0u);
}

TEST_F(Fonts, SlotErrorsRaiseSevenAndChangeNothing) {
  gfx_->install_system_font(0);
  qvl_font_select(5, 1.0, -1);
  struct Case {
    const char* what;
    void (*run)();
  };
  static const int16_t kData[] = {-1, 0, 0, 0};
  const Case cases[] = {
      {"select 32", [] { qvl_font_select(32, 1.0, -1); }},
      {"select -1", [] { qvl_font_select(-1, 1.0, -1); }},
      {"load into 32", [] { qvl_font_load("smalfont.png", 32); }},
      {"load into -1", [] { qvl_font_load("smalfont.png", -1); }},
      {"load empty name into 40", [] { qvl_font_load("", 40); }},
      {"vector font into 32", [] { qvl_font_load_vector(kData, 32); }},
  };
  for (const Case& c : cases) {
    qvl_err_clear();
    c.run();
    EXPECT_EQ(qvl_err_state.last_error, 7) << c.what;
    EXPECT_EQ(qvl_font_current(), 5) << c.what;
  }
  EXPECT_EQ(qvl_font_select(32, 1.0, -1), 7);
  EXPECT_EQ(qvl_font_select(31, 3.0, 0x123456), 31);
  EXPECT_EQ(gfx_->print_colour, 0x123456u);
  EXPECT_EQ(gfx_->font_scale[31], 3.0f);
}

TEST_F(Fonts, MissingFileGivesErrorThreeAndTheBuiltinFont) {
  qvl_font_load("no_such_font.png", 3);
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_EQ(qvl_font_current(), 3);
  EXPECT_EQ(gfx_->font_scale[3], 4.0f);
  int w = 0, h = 0;
  gfx_->glyph_size(3, &w, &h);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 8);
  EXPECT_EQ(qvl_font_free_slot(), 31);
  gfx_->install_system_font(31);
  EXPECT_EQ(qvl_font_free_slot(), 30);
  // An empty name empties the slot without an error.
  qvl_font_load("", 3);
  EXPECT_EQ(qvl_err_state.last_error, 0);
  gfx_->glyph_size(3, &w, &h);
  EXPECT_EQ(w, 0);
}

// A 128 x 64 PNG font (128 glyphs of 8 x 8) whose 'A' is a 4 x 8 red block
// at columns 2 to 5 of its cell.
std::string write_font_png() {
  fixtures::PngSpec spec{PNG_COLOR_TYPE_RGBA, 8, 128, 64, {}, {}, {}};
  spec.rows.assign(128 * 64 * 4, 0);
  for (int y = 32; y < 40; ++y)
    for (int x = 8 + 2; x < 8 + 6; ++x) {
      uint8_t* p = &spec.rows[(y * 128 + x) * 4];
      p[0] = 255;
      p[3] = 255;
    }
  std::string name = "font.png";
  fixtures::write_file(name, fixtures::png_file(spec));
  return name;
}

TEST_F(Fonts, FontFileMeasuresAndPrintsProportionally) {
  qvl_font_load(write_font_png().c_str(), 2);
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(gfx_->font_scale[2], 1.0f);
  EXPECT_EQ(gfx_->glyphs[2]['A'].width, 5);
  EXPECT_EQ(qvl_font_text_width("AA", 1), 10);
  EXPECT_EQ(qvl_font_text_width("AA", 0), 16);
  // Byte 193 is 'A' again in a 128-glyph font; byte 128 ends the text.
  qvl_font_print("A\xC1\x80" "A", 0.0, 0.0, 1);
  EXPECT_EQ(rgb(0, 3), 0xFFu);
  EXPECT_EQ(rgb(3, 3), 0xFFu);
  EXPECT_EQ(rgb(4, 3), 0u) << "the spacing column";
  EXPECT_EQ(rgb(5, 3), 0xFFu) << "byte 193 printed as A";
  EXPECT_EQ(rgb(10, 3), 0u) << "byte 128 did not end the text";
}

// A vector font whose 'I' is a filled square 0..10 x 0..10 (font units of
// 655.36 data units), at scale 2 in red.
TEST_F(Fonts, VectorTextDrawsItsTrianglesInThePrintColour) {
  const int16_t u = 6554;  // ~100 font units
  const int16_t data[] = {'I', 4, 2, 0,
                          0, 0, u, 0, u, u, 0, u,  // y up in the data
                          0, 0, u, u,                // left, bottom, right, top
                          0, 1, 2, 0, 2, 3,
                          'e', 3, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, u, u, 0, 1, 2,
                          -1};
  qvl_font_load_vector(data, 4);
  qvl_font_select(4, 0.25, 0x0000FF);
  int w = 0, h = 0;
  gfx_->glyph_size(4, &w, &h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 100);
  EXPECT_EQ(qvl_font_text_width("", 1), 1);
  qvl_font_print("I", 20.0, 10.0, 1);
  // Baseline y 10 + 25 (ascent 100 at scale 0.25), the square above it.
  EXPECT_EQ(rgb(30, 20), 0x0000FFu);
  EXPECT_EQ(rgb(18, 20), 0u);
  EXPECT_EQ(rgb(30, 37), 0u);
  // An empty vector font measures (0, 0): its slot counts as free.
  const int16_t empty[] = {-1, 0, 0, 0};
  qvl_font_load_vector(empty, 31);
  gfx_->glyph_size(31, &w, &h);
  EXPECT_EQ(w + h, 0);
  EXPECT_EQ(qvl_font_free_slot(), 31);
}

// Identity matrices: the point (0, 0, 0) lands in the middle of the window,
// where the text is centred with the slot's cell size and printed unscaled.
TEST_F(Fonts, ScreenTextAtAProjectedPoint) {
  gfx_->install_system_font(0);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gfx_->print_text_3d(0, "A", 0, 0, 0, 0.0f, 0);
  // 'A' cell at (80 - 4, 60 - 8); its bar pixel (2, 1).
  EXPECT_EQ(rgb(76 + 2, 52 + 1), kWhite);
  EXPECT_EQ(rgb(76 + 1, 52 + 1), kOutline);
}

// Standing in space: with identity matrices a size of 0.05 makes the 8 x 8
// cell 0.4 x 0.4 in clip space, its bottom centred on the point: columns
// 64..95, rows 36..59 of the window, 4 x 3 pixels per font pixel.
TEST_F(Fonts, TextStandingInSpaceFacesTheCamera) {
  gfx_->install_system_font(0);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gfx_->print_text_3d(0, "A", 0, 0, 0, 0.05f, 0);
  EXPECT_EQ(rgb(64 + 2 * 4 + 1, 36 + 3 + 1), kWhite);
  EXPECT_EQ(rgb(64 + 1 * 4 + 1, 36 + 3 + 1), kOutline);
  EXPECT_EQ(rgb(64 + 2 * 4 + 1, 36 + 1), kOutline) << "the line is upside down";
}

TEST_F(Fonts, TextInTheCameraPlaneDrawsNothingAndKeepsCullingAndLighting) {
  gfx_->install_system_font(0);
  qvl_gfx_state_cache.enable(GLCAP_CULL_FACE);
  qvl_gfx_state_cache.enable(GLCAP_LIGHTING);
  const float perspective[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, -1, 0, 0, -0.2f, 0};
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(perspective);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gfx_->print_text_3d(0, "AAAA", 0, 0, 0, 0.0f, 0);  // w = -z = 0
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  bool blank = true;
  for (int y = 0; y < kHeight; y += 2)
    for (int x = 0; x < kWidth; x += 2) blank = blank && rgb(x, y) == 0;
  EXPECT_TRUE(blank);
}

}  // namespace

namespace {

// The start-up's search: the fourth name found in the current folder is
// loaded into slot 0, which is then selected at scale 2.
TEST_F(Fonts, StartupSearchLoadsTheFirstFontFoundIntoSlotZero) {
  gfx_->install_system_font(0);
  std::rename(write_font_png().c_str(), "smalfont.bmp");  // a PNG under a .bmp name
  qvl_gfx_current_font = 7;
  qvl_font_startup_search();
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(qvl_font_current(), 0);
  EXPECT_EQ(gfx_->font_scale[0], 2.0f);
  EXPECT_EQ(gfx_->glyphs[0]['A'].width, 5) << "the font file's glyphs";
}

TEST_F(Fonts, StartupSearchWithoutAFontKeepsTheBuiltinFont) {
  gfx_->install_system_font(0);
  qvl_font_startup_search();
  EXPECT_EQ(qvl_font_current(), 0);
  EXPECT_EQ(gfx_->font_scale[0], 2.0f);
  EXPECT_EQ(gfx_->glyphs[0]['A'].width, 8);
}

}  // namespace
