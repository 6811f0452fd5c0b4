// OpenGLRainbows: the one graphics object. It owns the sprite table, the
// font and render-target slots, the main window with its GL context, the
// viewport and the frame timing; the drawing commands all go through it.
// Main thread only.
#pragma once

#include <cstdint>
#include "core/call_by_name.h"
#include "core/grow_vector.h"
#include "gfx2d/vector_font.h"
#include "platform/win_messages.h"

class Rainbows3D;
struct ColourVertex;
enum class ColourPrimitive;
struct QuadVertex;
struct PixelImage;
struct ViewportRect;

// One vertex of the scratch list: position and texture coordinates, 20 bytes.
struct TexVertex {
  float x, y, z, u, v;
};

// One sprite id's textures and sizes; img_width 0 = the id is free.
struct SpriteSlot {
  uint32_t texture;
  uint32_t mip_texture;
  float u_max, v_max;
  int16_t tex_width, tex_height;
  int16_t img_width, img_height;
  int16_t anim_width, anim_height;

  // Records a w x h image in a tw x th texture: both sizes and the part of
  // the texture the image covers.
  void set_sizes(int tw, int th, int w, int h) {
    tex_width = static_cast<int16_t>(tw);
    tex_height = static_cast<int16_t>(th);
    img_width = static_cast<int16_t>(w);
    img_height = static_cast<int16_t>(h);
    u_max = static_cast<float>(w) / static_cast<float>(tw);
    v_max = static_cast<float>(h) / static_cast<float>(th);
  }
};

// Glyph metrics of one character of a bitmap font.
struct GlyphInfo {
  uint8_t left;
  uint8_t width;
  uint8_t ink;  // 0: the glyph's cell of the sheet is transparent all over
  float u_left, u_right;
};

// An off-screen target; released = {0, 0, -1, 0, 0, -1}.
struct RenderTarget {
  uint32_t framebuffer;
  uint32_t depth_buffer;
  int32_t saved_binding;
  int32_t width, height;
  int32_t sprite;

  void set_released() { *this = RenderTarget{0, 0, -1, 0, 0, -1}; }
  // render_target.cpp: w x h is the texture's (power-of-two) size.
  bool attach_texture(int w, int h, uint32_t texture, bool depth);
  bool begin();
  bool end();
  void release();
};

constexpr int kSpriteCount = 65537;
constexpr int kFontSlots = 32;
constexpr int kRenderTargets = 32;
constexpr int kBackgroundSlots = 8;

class OpenGLRainbows {
 public:
  OpenGLRainbows();
  virtual ~OpenGLRainbows();
  // The deleting destructor: the object must come from new.
  virtual void destroy_and_free();

  // 2D render state.
  void reset_2d_state();
  void set_alpha_mode(float mode);
  void texture_off();
  void bind_sprite_texture(int id);
  void draw_vertex_array(uint32_t gl_mode);

  // Fonts and text (gfx2d/bitmap_font.cpp, gfx2d/vector_text.cpp,
  // gfx2d/text_3d.cpp). Slots are 0 to 31; others are ignored.
  bool load_font(int slot, const char* name);
  void install_system_font(int slot);
  void glyph_size(int slot, int* width, int* height);
  int text_width(int slot, const char* text, int proportional);
  void print_text(int slot, const char* text, float x, float y, float z, int proportional,
                  int scaled);
  // Each byte of text printed with the scale at its own x (xs holds one per
  // byte), as printing them one by one would, in one batch; bitmap fonts
  // only (nothing is printed for a vector font).
  void print_glyphs_at(int slot, const char* text, const int* xs, float y, int proportional);
  // The bitmap-font body of both: from x on, each glyph advancing the next,
  // or each at xs[i] when xs is given.
  void print_bitmap_glyphs(int slot, const char* text, const int* xs, float x, float y, float z,
                           int proportional, int scaled);
  // The quads that printing would draw, into the scratch list `vertices`
  // (four a glyph, each a two-triangle strip, in the font sprite's texture);
  // returns their number. zoom is the scale the viewport draws at. With
  // blended set (the drawing blends), glyphs without ink get no quad: they
  // would change no pixel. A bitmap-font slot only; may bind the font's
  // texture to ask GL its filter.
  int glyph_quads(int slot, const char* text, const int* xs, float x, float y, float z,
                  int proportional, int scaled, float zoom, bool blended);
  // Glyph quads as glyph_quads makes them, in one batch with the font's
  // texture.
  void draw_glyph_quads(int slot, const TexVertex* quads, int count);
  int find_free_font();
  int load_vector_font(int slot, const void* data);
  void print_vector_text(int slot, const char* text, float x, float y, int proportional);
  void print_text_3d(int slot, const char* text, float x, float y, float z, float size,
                     int proportional);

  // Window and context.
  int create_window(void* instance, int width, int height, int depth, int fps, int samples,
                    int full_screen);
  void close_window();
  int set_windowed();
  int set_fullscreen();
  int set_mode(int width, int height, int depth, int full);
  void set_logical_size(int width, int height);
  void set_frame_rate(int fps, int vsync);
  int hide_window();

  // Present and message pump.
  int present(QvlRoutine hook);
  int pump_messages(QvlRoutine hook, uint8_t wait);

  // Sprite table and texture upload (gfx2d/sprite_table.cpp).
  int find_free_sprite();
  void free_sprite(int id);
  void free_all_sprites();
  void sprite_size(int id, int* width, int* height);
  void set_anim_size(int id, int frame_width, int frame_height);
  bool set_sprite_image(int id, const PixelImage& image, bool normal_map);
  bool load_sprite(int id, const char* name, uint32_t colour_key, bool normal_map);

  // Viewport and orientation (gfx2d/viewport.cpp).
  void set_viewport(int x, int y, int width, int height, float zoom);
  const ViewportRect* get_viewport();
  void logical_to_window(int x, int y, int* wx, int* wy);
  void window_to_logical(int x, int y, int* lx, int* ly);
  void orient_vector(int x, int y, int* ox, int* oy);
  void orient_rect(int x, int y, int w, int h, int* ox, int* oy, int* ow, int* oh);
  void orient_rect_to_window(int x, int y, int w, int h, int* ox, int* oy, int* ow, int* oh);

  // Polygon batch and primitives (gfx2d/poly_batch.cpp, gfx2d/primitives.cpp).
  void poly_begin(int id, int mode);
  void poly_vertex(float x, float y, float tx, float ty, uint32_t colour);
  void poly_vertex_plain(float x, float y, uint32_t colour);
  void poly_new_strip();
  void poly_end();
  void draw_line(float x1, float y1, float x2, float y2, uint32_t colour);
  void draw_line_int(int x1, int y1, int x2, int y2, uint32_t colour);
  // Lines (x1, y1, x2, y2 each) as draw_line draws them, each with its end
  // pixel, in one lines draw and one points draw.
  void draw_lines(const int* ends, int count, uint32_t colour);
  void draw_rect(int x, int y, int width, int height, uint32_t colour);
  // Untextured primitives in one draw call, each vertex with its colour;
  // with indices, the primitives take the vertices they name.
  void draw_coloured(ColourPrimitive primitive, const ColourVertex* vertices, int count,
                     const uint16_t* indices = nullptr, int index_count = 0);
  void set_pixel(int x, int y, uint32_t colour);
  void clear_frame();
  void set_clear_colour(uint32_t colour);
  void set_smoothing(int flag);
  void apply_smoothing();
  void set_alpha_test(float value);
  void draw_vertex_array_3d(uint32_t gl_mode);
  void bind_textures_3d(int a, int b, int mipmapped, const uint32_t* table);

  // Sprite drawing (gfx2d/sprite_draw.cpp).
  void draw_sprite(int id, int x, int y);
  void draw_sprite_stretched(int id, int x, int y, int w, int h);
  // Quads of one sprite (four fan corners each, as qvl_sprite_blit_quad
  // makes them), drawn as its blits draw.
  void draw_sprite_quads(int id, const QuadVertex* quads, int count);
  void draw_sprite_rotated(int id, int x, int y, float angle, float zoom);
  void draw_anim(int id, int frame, int x, int y);
  void draw_anim_rotated(int id, int frame, int x, int y, float angle, float zoom);
  void draw_anim_stretched(int id, int frame, int x, int y, int w, int h);
  void draw_sprite_3d(int id, float x, float y, float z, float scale);

  // Render targets (gfx2d/render_target.cpp).
  bool create_render_target(unsigned slot, int id, int width, int height);
  void use_render_target(unsigned slot);
  void end_render_target();
  int find_free_render_target();

  // Read-back, grabs and background slots (read_back.cpp, background_slots.cpp).
  uint32_t get_pixel(int x, int y);
  uint32_t probe_colour_key();
  bool grab_sprite(int id, int x, int y, int w, int h);
  bool sprite_to_image(int id, PixelImage& image);
  // The sprite's image written to a file, the format chosen by the name's
  // extension; false when the sprite has no image or the write fails.
  bool save_sprite(int id, const char* name);
  bool save_screenshot(const char* name);
  void draw_background(int slot);
  bool load_background(int slot, const char* name);
  bool grab_background(int slot);
  void free_background(int slot);
  void set_transparent_colour(uint32_t colour);

  // Pixel collision (pixel_collision.cpp).
  void fetch_alpha_mask(int id);
  void ensure_alpha_mask(int id);
  bool masks_overlap(int a, int xa, int ya, int b, int xb, int yb, int left, int top, int right,
                     int bottom);
  bool sprite_collision(int a, int b, int xa, int ya, int xb, int yb);
  bool anim_collision(int a, int frame_a, int xa, int ya, int b, int frame_b, int xb, int yb);
  bool rect_mask_overlap(int a, int xa, int ya, int b, int xb, int yb, int left, int top,
                         int right, int bottom);

  // Texture cache (texture_cache.cpp): all sprite images to the cache file
  // and back.
  bool move_textures(bool restore);

  // Fields, in the order of the record.
  GrowVector<TexVertex> vertices{128, 512};  // scratch list for draw_vertex_array
  int32_t unit0_sprite;
  int32_t unit1_sprite;
  int32_t mipmap_bound;
  GlyphInfo glyphs[kFontSlots][256];
  float font_scale[kFontSlots];
  VectorFont vector_fonts[kFontSlots];
  uint32_t print_colour;
  SpriteSlot* sprites;
  float global_alpha;
  float blend_value;
  float alpha_test_value;
  uint8_t clear_each_frame;
  uint8_t clear_depth;
  uint8_t bgra_supported;
  RenderTarget render_targets[kRenderTargets];
  int32_t current_target;
  uint8_t* alpha_masks[kSpriteCount];
  int32_t background_slots[kBackgroundSlots];
  uint8_t smoothing;
  WindowHandle window;
  int32_t screen_width, screen_height;
  int32_t virtual_width, virtual_height;
  int32_t colour_depth;
  uint8_t fullscreen;
  int32_t sample_count;
  int32_t viewport_x, viewport_y, viewport_width, viewport_height;
  int32_t orientation;
  uint32_t colour_key;
  uint32_t font_colour_key;
  Rainbows3D* engine_3d;
  double next_frame_time;
  double frame_period;
  void* instance;
  GlContext gl_context;
};

// The one graphics object; null before the start-up and after the shutdown.
extern OpenGLRainbows* qvl_gfx_rainbows;
// Copy of unit0_sprite for the vertex-array and batch drawing.
extern int32_t qvl_gfx_bound_sprite;

// The alpha that drawing takes under an alpha mode (set_alpha_mode): the
// mode's magnitude, at most 1; 1 with blending off (mode 0).
float qvl_gfx_mode_alpha(float mode);

// Multiplies an orthographic projection onto the current matrix.
void qvl_gfx_ortho(float l, float r, float b, float t, float n, float f);

// Where typed characters from the pumps go; the input code installs the
// typed-character queue here (null drops them).
using QvlCharSink = void (*)(int c);
extern QvlCharSink qvl_gfx_char_sink;

// The millisecond clock and sleep of the frame limiter; the host points them
// at the runtime timer, tests at a fake clock.
struct QvlFrameClock {
  double (*now_ms)();
  void (*sleep_ms)(int ms);
};
extern QvlFrameClock qvl_gfx_frame_clock;

// Process-wide window state: the caption text, the copy of the main window
// handle, the desktop size kept at window creation.
BasicString& qvl_win_caption();
WindowHandle qvl_win_handle();
void qvl_win_set_handle(WindowHandle window);
extern int32_t qvl_gfx_desktop_width, qvl_gfx_desktop_height;

bool qvl_win_gl_has_extension(const char* name);
// Multisample "format": the sample count to ask for, 0 = none.
int qvl_win_choose_multisample_format(int samples);
int qvl_win_multisample_format_if_supported(int samples);
void qvl_win_save_window_placements();
void qvl_win_restore_window_placements();
void qvl_win_restore_window_placements_twice();
