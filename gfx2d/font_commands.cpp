#include "gfx2d/font_commands.h"

#include "core/error_state.h"
#include "files/file_resolve.h"
#include "gfx2d/opengl_rainbows.h"

int32_t qvl_gfx_current_font = 0;

namespace {

bool slot_ok(int slot) { return slot >= 0 && slot < kFontSlots; }

}  // namespace

void qvl_font_load(const BasicString& name, int slot) {
  qvl_err_state.last_error = 0;
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  // An out-of-range slot names no font: stop before anything is touched.
  if (!slot_ok(slot)) {
    qvl_err_raise(7);
    return;
  }
  if (!gfx) return;
  if (name.length == 0) {  // empties the slot
    gfx->load_font(slot, "");
    return;
  }
  qvl_gfx_current_font = slot;
  gfx->font_scale[slot] = 1.0f;
  BasicString resolved(name);
  if (qvl_file_resolve(resolved) && gfx->load_font(slot, resolved.text)) return;
  qvl_err_raise(3);
  gfx->install_system_font(slot);
}

int qvl_font_select(int slot, double scale, int colour) {
  if (static_cast<unsigned>(slot) > 31u) return qvl_err_raise(7);
  qvl_gfx_current_font = slot;
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) {
    gfx->font_scale[slot] = static_cast<float>(scale);
    if (colour != -1) gfx->print_colour = static_cast<uint32_t>(colour);
  }
  return slot;
}

int qvl_font_current() { return qvl_gfx_current_font; }

void qvl_font_print(const BasicString& text, double x, double y, int proportional) {
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows)
    gfx->print_text(qvl_gfx_current_font, text.text, static_cast<float>(x),
                    static_cast<float>(y), 0.0f, proportional, 1);
}

int qvl_font_text_width(const BasicString& text, int proportional) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  return gfx ? gfx->text_width(qvl_gfx_current_font, text.text, proportional) : 0;
}

int qvl_font_text_width_cstr(const char* const* text, int proportional) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx || !text) return 0;
  return gfx->text_width(qvl_gfx_current_font, *text, proportional);
}

void qvl_font_glyph_size(int* width, int* height) {
  double w = 0.0, h = 0.0;
  qvl_font_glyph_size_f(&w, &h);
  if (width) *width = static_cast<int>(w);
  if (height) *height = static_cast<int>(h);
}

void qvl_font_glyph_size_f(double* width, double* height) {
  int gw = 0, gh = 0;
  float scale = 0.0f;
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) {
    gfx->glyph_size(qvl_gfx_current_font, &gw, &gh);
    scale = gfx->font_scale[qvl_gfx_current_font];
  }
  if (width) *width = static_cast<double>(scale * static_cast<float>(gw));
  if (height) *height = static_cast<double>(scale * static_cast<float>(gh));
}

int qvl_font_free_slot() {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  return gfx ? gfx->find_free_font() : -1;
}

void qvl_font_load_vector(const void* data, int slot) {
  qvl_err_state.last_error = 0;
  // The 32 slots are all there is; another number names no font.
  if (!slot_ok(slot)) {
    qvl_err_raise(7);
    return;
  }
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) gfx->load_vector_font(slot, data);
}

void qvl_font_startup_search() {
  for (const char* name : {"Media/smalfont.png", "Media/smalfont.bmp", "smalfont.png",
                           "smalfont.bmp"}) {
    BasicString found(name);
    if (qvl_file_resolve(found)) {
      qvl_font_load(found, 0);
      break;
    }
  }
  qvl_font_select(0, 2.0, -1);
}
