// Viewport, orientation and virtual resolution.
#include "gfx2d/viewport.h"

#include <GL/gl.h>

#include <cmath>
#include <utility>

#include "core/maths.h"
#include "gfx2d/gfx_log.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx2d/sprite_table.h"

VirtualResolution qvl_gfx_virtual_resolution = {0, 0, 0, 0, 0.0f};
int32_t qvl_gfx_target_slot = -1;
int32_t qvl_gfx_requested_width = 0, qvl_gfx_requested_height = 0;
void (*qvl_gfx_end_shadow_pass_hook)() = nullptr;

// The mappings work in 64 bits and saturate, so that no point a program
// passes overflows; such points lie far outside the window either way.
namespace {
int sat(int64_t v) { return qvl_math_saturate_int(v); }
}  // namespace

IntPair qvl_orient_logical_to_window(int orientation, int w, int h, int x, int y) {
  const int64_t W = w, H = h, X = x, Y = y;
  switch (orientation) {
    case 1: return {sat(W - 1 - Y), x};
    case 2: return {sat(W - 1 - X), sat(H - 1 - Y)};
    case 3: return {y, sat(H - 1 - X)};
    default: return {x, y};
  }
}

IntPair qvl_orient_window_to_logical(int orientation, int w, int h, int x, int y) {
  const int64_t W = w, H = h, X = x, Y = y;
  switch (orientation) {
    case 1: return {y, sat(W - 1 - X)};
    case 2: return {sat(W - 1 - X), sat(H - 1 - Y)};
    case 3: return {sat(H - 1 - Y), x};
    default: return {x, y};
  }
}

IntPair qvl_orient_vector(int orientation, int x, int y) {
  const int64_t X = x, Y = y;
  switch (orientation) {
    case 1: return {sat(-Y), x};
    case 2: return {sat(-X), sat(-Y)};
    case 3: return {y, sat(-X)};
    default: return {x, y};
  }
}

ViewportRect qvl_orient_viewport_window_rect(int orientation, int w, int h, int x, int y, int vw,
                                             int vh) {
  const int64_t W = w, H = h, X = x, Y = y;
  switch (orientation) {
    case 1: return {sat(W - Y - vh), x, vh, vw};
    case 2: return {sat(W - X - vw), sat(H - Y - vh), vw, vh};
    case 3: return {y, sat(H - X - vw), vh, vw};
    default: return {x, y, vw, vh};
  }
}

void qvl_orient_clip_rotation(int orientation, float m[16]) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
  // Column-major: m[0], m[1] are the images of clip x; m[4], m[5] of clip y.
  switch (orientation) {
    case 1:  // (x, y) -> (y, -x)
      m[0] = 0; m[1] = -1; m[4] = 1; m[5] = 0;
      break;
    case 2:  // (x, y) -> (-x, -y)
      m[0] = -1; m[5] = -1;
      break;
    case 3:  // (x, y) -> (-y, x)
      m[0] = 0; m[1] = 1; m[4] = -1; m[5] = 0;
      break;
    default:
      break;
  }
}

float qvl_virtual_scale_step(float m) {
  if (m >= 10.0f) return std::floor(m);
  if (m >= 8.0f) return 8.0f;
  if (m >= 4.0f) return 4.0f;
  if (m >= 3.0f) return 3.0f;
  if (m >= 2.0f) return 2.0f;
  if (m >= 1.5f) return 1.5f;
  return 1.0f;
}

VirtualResolution qvl_virtual_resolution_fit(int w, int h, double vw, double vh) {
  double fy = h / vh, fx = w / vw;
  float m = static_cast<float>(fy > fx ? fx : fy);
  float g = qvl_virtual_scale_step(m);
  VirtualResolution r;
  r.offset_x = static_cast<int32_t>((w - vw * g) * 0.5);
  r.offset_y = static_cast<int32_t>((h - vh * g) * 0.5);
  r.width = static_cast<int32_t>(vw);
  r.height = static_cast<int32_t>(vh);
  r.scale = g;
  return r;
}

namespace {

bool turned(int orientation) { return orientation == 1 || orientation == 3; }

// The render target being drawn into, or null.
RenderTarget* current_target_of(OpenGLRainbows& gfx) {
  int t = gfx.current_target;
  return (t >= 0 && t < kRenderTargets) ? &gfx.render_targets[t] : nullptr;
}

// Image size of the sprite a render target draws into.
IntPair target_image_size(const OpenGLRainbows& gfx, const RenderTarget& t) {
  if (!qvl_sprite_id_valid(t.sprite) || !gfx.sprites) return {0, 0};
  const SpriteSlot& s = gfx.sprites[t.sprite];
  return {s.img_width, s.img_height};
}

}  // namespace

float qvl_gfx_viewport_zoom = 1.0f;

void OpenGLRainbows::set_viewport(int x, int y, int w, int h, float zoom) {
  qvl_gfx_flush_sprites();
  if (virtual_height == 0) {
    virtual_width = screen_width;
    virtual_height = screen_height;
  }
  RenderTarget* target = current_target_of(*this);
  if (w <= 0 || h <= 0) {
    x = y = 0;
    if (target) {
      w = target->width;
      h = target->height;
    } else {
      w = virtual_width;
      h = virtual_height;
      if (turned(orientation)) std::swap(w, h);
    }
  }
  glMatrixMode(GL_PROJECTION);
  if (target) {
    // Target rows run bottom-up like the window's: logical y = 0 is the top
    // of the sprite's image.
    int image_h = target_image_size(*this, *target).y;
    glViewport(x, image_h - h - y, w, h);
    glLoadIdentity();
  } else {
    float m[16];
    qvl_orient_clip_rotation(orientation, m);
    glLoadMatrixf(m);
    ViewportRect r =
        qvl_orient_viewport_window_rect(orientation, screen_width, screen_height, x, y, w, h);
    glViewport(r.x, screen_height - r.y - r.height, r.width, r.height);
  }
  qvl_gfx_ortho(0.0f, static_cast<float>(w), static_cast<float>(h), 0.0f, -1.0f, 1.0f);
  viewport_x = x;
  viewport_y = y;
  viewport_width = w;
  viewport_height = h;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const bool zoomed = zoom != 1.0f && !target;
  if (zoomed) glScalef(zoom, zoom, zoom);
  qvl_gfx_viewport_zoom = zoomed ? zoom : 1.0f;
}

const ViewportRect* OpenGLRainbows::get_viewport() {
  static ViewportRect record;
  record = {viewport_x, viewport_y, viewport_width, viewport_height};
  return &record;
}

void OpenGLRainbows::logical_to_window(int x, int y, int* wx, int* wy) {
  IntPair p = qvl_orient_logical_to_window(orientation, screen_width, screen_height, x, y);
  *wx = p.x;
  *wy = p.y;
}

void OpenGLRainbows::window_to_logical(int x, int y, int* lx, int* ly) {
  IntPair p = qvl_orient_window_to_logical(orientation, screen_width, screen_height, x, y);
  *lx = p.x;
  *ly = p.y;
}

void OpenGLRainbows::orient_vector(int x, int y, int* ox, int* oy) {
  IntPair p = qvl_orient_vector(orientation, x, y);
  *ox = p.x;
  *oy = p.y;
}

void OpenGLRainbows::orient_rect(int x, int y, int w, int h, int* ox, int* oy, int* ow,
                                 int* oh) {
  logical_to_window(x, y, ox, oy);
  orient_vector(w, h, ow, oh);
}

void OpenGLRainbows::orient_rect_to_window(int x, int y, int w, int h, int* ox, int* oy, int* ow,
                                           int* oh) {
  logical_to_window(x, y, ox, oy);
  switch (orientation) {
    case 1: *ow = h; *oh = -w; break;
    case 2: *ow = -w; *oh = -h; break;
    case 3: *ow = -h; *oh = w; break;
    default: *ow = w; *oh = h; break;
  }
}

// Commands.

namespace {

// The virtual resolution applies while it is set and the commands draw to
// the window.
bool virtual_in_force() {
  return qvl_gfx_virtual_resolution.scale != 0.0f && qvl_gfx_target_slot == -1;
}

}  // namespace

SurfaceViewport qvl_gfx_surface_viewport(int x, int y, int w, int h) {
  SurfaceViewport v{x, y, w, h, 1.0f};
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx) return v;
  if (virtual_in_force()) {
    const VirtualResolution& r = qvl_gfx_virtual_resolution;
    if (w <= 0) {  // only the width asks for the whole area
      w = r.width;
      h = r.height;
    }
    v.x = static_cast<int>(x * r.scale) + r.offset_x;
    v.y = static_cast<int>(y * r.scale) + r.offset_y;
    v.width = static_cast<int>(w * r.scale);
    v.height = static_cast<int>(h * r.scale);
    v.zoom = r.scale;
  }
  if (v.width <= 0 || v.height <= 0) {
    // The graphics object's own reading of an empty size: all of the target,
    // or of the screen it draws for.
    v.x = v.y = 0;
    if (RenderTarget* target = current_target_of(*gfx)) {
      v.width = target->width;
      v.height = target->height;
    } else {
      v.width = gfx->virtual_height == 0 ? gfx->screen_width : gfx->virtual_width;
      v.height = gfx->virtual_height == 0 ? gfx->screen_height : gfx->virtual_height;
      if (turned(gfx->orientation)) std::swap(v.width, v.height);
    }
  }
  return v;
}

SurfaceViewport qvl_gfx_whole_surface() {
  SurfaceViewport v{0, 0, 0, 0, 1.0f};
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx) return v;
  if (RenderTarget* target = current_target_of(*gfx)) {
    v.width = target->width;
    v.height = target->height;
  } else {
    v.width = gfx->screen_width;
    v.height = gfx->screen_height;
    if (turned(gfx->orientation)) std::swap(v.width, v.height);
  }
  return v;
}

void qvl_gfx_set_surface_viewport(const SurfaceViewport& v) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx) return;
  if (qvl_gfx_end_shadow_pass_hook) qvl_gfx_end_shadow_pass_hook();
  gfx->set_viewport(v.x, v.y, v.width, v.height, v.zoom);
}

void qvl_gfx_set_viewport(int x, int y, int w, int h) {
  qvl_gfx_set_surface_viewport(qvl_gfx_surface_viewport(x, y, w, h));
}

void qvl_gfx_set_orientation(int orientation) {
  if (!qvl_gfx_rainbows) return;
  qvl_gfx_rainbows->orientation = orientation < 0 ? 0 : orientation > 3 ? 3 : orientation;
  qvl_gfx_set_viewport(0, 0, 0, 0);
}

int qvl_gfx_orientation() { return qvl_gfx_rainbows ? qvl_gfx_rainbows->orientation : 0; }

void qvl_gfx_set_virtual_resolution(double width, double height) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx) return;
  VirtualResolution& v = qvl_gfx_virtual_resolution;
  if (width > 0 && height > 0) {
    v.scale = 0.0f;
    qvl_gfx_target_slot = -1;
    gfx->end_render_target();
    qvl_gfx_set_viewport(0, 0, 0, 0);
    int w = 0, h = 0;
    qvl_gfx_screen_size(&w, &h);
    v = qvl_virtual_resolution_fit(w, h, width, height);
    gfx->virtual_width = v.width;
    gfx->virtual_height = v.height;
  } else {
    v.scale = 0.0f;
    gfx->virtual_width = 0;
    gfx->virtual_height = 0;
  }
  qvl_gfx_set_viewport(0, 0, 0, 0);
}

void qvl_gfx_logical_viewport(const SurfaceViewport& v, double* x, double* y, double* w,
                              double* h) {
  double vx = v.x, vy = v.y, vw = v.width, vh = v.height;
  if (virtual_in_force()) {
    const VirtualResolution& r = qvl_gfx_virtual_resolution;
    vx = (vx - r.offset_x) / r.scale;
    vy = (vy - r.offset_y) / r.scale;
    vw /= r.scale;
    vh /= r.scale;
  }
  *x = vx;
  *y = vy;
  *w = vw;
  *h = vh;
}

void qvl_gfx_get_viewport_f(double* x, double* y, double* w, double* h) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx) return;
  const SurfaceViewport v{gfx->viewport_x, gfx->viewport_y, gfx->viewport_width,
                          gfx->viewport_height, qvl_gfx_viewport_zoom};
  qvl_gfx_logical_viewport(v, x, y, w, h);
}

void qvl_gfx_get_viewport(int* x, int* y, int* w, int* h) {
  double fx = 0, fy = 0, fw = 0, fh = 0;
  qvl_gfx_get_viewport_f(&fx, &fy, &fw, &fh);
  *x = static_cast<int>(fx);
  *y = static_cast<int>(fy);
  *w = static_cast<int>(fw);
  *h = static_cast<int>(fh);
}

void qvl_gfx_screen_size(int* w, int* h) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  *w = *h = 0;
  if (!gfx) return;
  if (RenderTarget* t = current_target_of(*gfx)) {
    IntPair s = target_image_size(*gfx, *t);
    *w = s.x;
    *h = s.y;
    return;
  }
  *w = gfx->virtual_width;
  *h = gfx->virtual_height;
  if (turned(gfx->orientation)) std::swap(*w, *h);
}

void qvl_gfx_screen_size_f(double* w, double* h) {
  int iw, ih;
  qvl_gfx_screen_size(&iw, &ih);
  *w = iw;
  *h = ih;
}

void qvl_gfx_desktop_size(int* w, int* h) {
  *w = qvl_gfx_desktop_width;
  *h = qvl_gfx_desktop_height;
}

void qvl_gfx_desktop_size_f(double* w, double* h) {
  *w = qvl_gfx_desktop_width;
  *h = qvl_gfx_desktop_height;
}

void qvl_notify_screen_size(int w, int h) {
  qvl_gfx_log("qvl_notify_screen_size %dx%d\n", w, h);
  qvl_gfx_desktop_width = qvl_gfx_requested_width = w;
  qvl_gfx_desktop_height = qvl_gfx_requested_height = h;
  if (qvl_gfx_rainbows) {
    qvl_gfx_rainbows->screen_width = w;
    qvl_gfx_rainbows->screen_height = h;
  }
}

void qvl_gfx_requested_screen_size(int* w, int* h) {
  if (w) *w = qvl_gfx_requested_width;
  if (h) *h = qvl_gfx_requested_height;
}
