// OpenGLRainbows: the one graphics object. It owns the sprite table, the
// font and render-target slots, the main window with its GL context, the
// viewport and the frame timing; the drawing commands all go through it.
// Main thread only.
#pragma once

#include <cstdint>
#include "core/call_by_name.h"
#include "core/grow_vector.h"
#include "platform/win_messages.h"

class Rainbows3D;

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
};

// Glyph metrics of one character of a bitmap font.
struct GlyphInfo {
  uint8_t left;
  uint8_t width;
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

  // Operations whose full versions live with the viewport, render-target,
  // drawing and sprite code (see gfx2d/stand_ins.cpp until they arrive).
  void set_viewport(int x, int y, int width, int height, float zoom);
  void end_render_target();
  void clear_frame();
  void set_alpha_test(float value);
  void free_all_sprites();

  // Fields, in the order of the record.
  GrowVector<TexVertex> vertices{128, 512};  // scratch list for draw_vertex_array
  int32_t unit0_sprite;
  int32_t unit1_sprite;
  int32_t mipmap_bound;
  GlyphInfo glyphs[kFontSlots][256];
  float font_scale[kFontSlots];
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
