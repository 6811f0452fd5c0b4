#include "kvgui/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/maths.h"
#include "gfx2d/draw_commands.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/poly_batch.h"
#include "gfx2d/sprite_draw.h"
#include "gfx2d/sprite_table.h"
#include "gfx2d/viewport.h"
#include "kvgui/draw_queue.h"

bool kvgui_queue_drawing = true;

namespace {

struct Canvas {
  bool queuing = false;
  // GL lags behind what the canvas was given while it queues.
  bool viewport_stale = false, alpha_stale = false;
  SurfaceViewport view{0, 0, 0, 0, 1.0f};
  float alpha_mode = -1.0f;
  int batches = 0;
  KvguiDrawQueue queue;
};

Canvas& canvas() {
  static Canvas c;
  return c;
}

// Surface pixels of a point in the viewport.
struct Point {
  double x, y;
};

Point to_surface(const Canvas& c, double x, double y) {
  return {c.view.x + x * c.view.zoom, c.view.y + y * c.view.zoom};
}

struct Clip {
  double x0, y0, x1, y1;
};

Clip clip_of(const Canvas& c) {
  return {double(c.view.x), double(c.view.y), double(c.view.x) + c.view.width,
          double(c.view.y) + c.view.height};
}

int floor_pixel(double v) { return static_cast<int>(std::clamp(std::floor(v), -1e9, 1e9)); }
int ceil_pixel(double v) { return static_cast<int>(std::clamp(std::ceil(v), -1e9, 1e9)); }

// The pixels a shape between these corners may cover.
KvguiBox box_around(double x0, double y0, double x1, double y1) {
  KvguiBox b;
  b.x0 = floor_pixel(std::min(x0, x1));
  b.y0 = floor_pixel(std::min(y0, y1));
  b.x1 = ceil_pixel(std::max(x0, x1));
  b.y1 = ceil_pixel(std::max(y0, y1));
  return b;
}

void grow(KvguiBox& box, const KvguiBox& more) {
  if (more.empty()) return;
  if (box.empty()) {
    box = more;
    return;
  }
  box.x0 = std::min(box.x0, more.x0);
  box.y0 = std::min(box.y0, more.y0);
  box.x1 = std::max(box.x1, more.x1);
  box.y1 = std::max(box.y1, more.y1);
}

// Whether this call goes into the queue; if not, what waits is drawn first
// and GL is brought to the canvas's state, so the caller can draw at once.
bool queue_it() {
  Canvas& c = canvas();
  const OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (c.queuing && gfx && c.alpha_mode < 0.0f && gfx->alpha_test_value >= 1.0f) return true;
  kvgui_canvas_flush();
  return false;
}

float queued_alpha() { return qvl_gfx_mode_alpha(canvas().alpha_mode); }

bool bitmap_font(const OpenGLRainbows& gfx, int slot) {
  return slot >= 0 && slot < kFontSlots && gfx.vector_fonts[slot].empty();
}

// --- Cutting to the viewport ---------------------------------------------------

// The smallest and largest x and y of n corners.
struct Bounds {
  double x0, y0, x1, y1;
};

template <class V>
Bounds bounds_of(const V* v, int n) {
  Bounds b{v[0].x, v[0].y, v[0].x, v[0].y};
  for (int k = 1; k < n; ++k) {
    b.x0 = std::min<double>(b.x0, v[k].x);
    b.y0 = std::min<double>(b.y0, v[k].y);
    b.x1 = std::max<double>(b.x1, v[k].x);
    b.y1 = std::max<double>(b.y1, v[k].y);
  }
  return b;
}

// An axis-aligned quad whose attribute a varies with x only and b with y
// only (texture coordinates, or a gradient's colour along one side): each
// corner moved into the clip takes the values its new place has.
template <class V, class GetA, class GetB>
bool cut_quad(V* q, const Clip& clip, GetA a_of, GetB b_of) {
  const Bounds b = bounds_of(q, 4);
  const double xl = b.x0, xr = b.x1, yt = b.y0, yb = b.y1;
  if (xl >= clip.x1 || xr <= clip.x0 || yt >= clip.y1 || yb <= clip.y0) return false;
  if (xl >= clip.x0 && xr <= clip.x1 && yt >= clip.y0 && yb <= clip.y1) return true;
  // The attributes at the quad's sides.
  double a_l = 0, a_r = 0, b_t = 0, b_b = 0;
  for (int k = 0; k < 4; ++k) {
    if (q[k].x == xl) a_l = a_of(q[k]);
    if (q[k].x == xr) a_r = a_of(q[k]);
    if (q[k].y == yt) b_t = b_of(q[k]);
    if (q[k].y == yb) b_b = b_of(q[k]);
  }
  for (int k = 0; k < 4; ++k) {
    const double x = std::clamp<double>(q[k].x, clip.x0, clip.x1);
    const double y = std::clamp<double>(q[k].y, clip.y0, clip.y1);
    if (x != q[k].x) a_of(q[k]) = static_cast<float>(a_l + (x - xl) * (a_r - a_l) / (xr - xl));
    if (y != q[k].y) b_of(q[k]) = static_cast<float>(b_t + (y - yt) * (b_b - b_t) / (yb - yt));
    q[k].x = static_cast<float>(x);
    q[k].y = static_cast<float>(y);
  }
  return true;
}

// The pixels a shape with these corners may cover.
template <class V>
KvguiBox box_of_corners(const V* v, int n) {
  const Bounds b = bounds_of(v, n);
  return box_around(b.x0, b.y0, b.x1, b.y1);
}

template <class V>
KvguiBox box_of(const V* q) {
  return box_of_corners(q, 4);
}

// A quad of a gradient, whose colour varies along one side only (down
// its height when along_y), cut to the clip: a corner moved along that
// side takes the colour of its new place. False when nothing is left.
bool cut_colour_quad(ColourVertex q[4], const Clip& clip, bool along_y) {
  const Bounds b = bounds_of(q, 4);
  const double xl = b.x0, xr = b.x1, yt = b.y0, yb = b.y1;
  if (xl >= clip.x1 || xr <= clip.x0 || yt >= clip.y1 || yb <= clip.y0) return false;
  const double from = along_y ? yt : xl, to = along_y ? yb : xr;
  ColourVertex first = q[0], last = q[0];
  for (int k = 0; k < 4; ++k) {
    if ((along_y ? q[k].y : q[k].x) == from) first = q[k];
    if ((along_y ? q[k].y : q[k].x) == to) last = q[k];
  }
  for (int k = 0; k < 4; ++k) {
    const double x = std::clamp<double>(q[k].x, clip.x0, clip.x1);
    const double y = std::clamp<double>(q[k].y, clip.y0, clip.y1);
    const double at = along_y ? y : x;
    if (at != (along_y ? q[k].y : q[k].x) && to > from) {
      const double t = (at - from) / (to - from);
      auto mix = [t](float a, float b) { return static_cast<float>(a + t * (double(b) - a)); };
      q[k].r = mix(first.r, last.r);
      q[k].g = mix(first.g, last.g);
      q[k].b = mix(first.b, last.b);
      q[k].a = mix(first.a, last.a);
    }
    q[k].x = static_cast<float>(x);
    q[k].y = static_cast<float>(y);
  }
  return true;
}

// Sutherland-Hodgman: the part of a one-coloured polygon inside the clip.
int cut_polygon(ColourVertex* poly, int n, const Clip& clip, ColourVertex* out) {
  ColourVertex a[8], b[8];
  std::copy(poly, poly + n, a);
  for (int edge = 0; edge < 4 && n > 0; ++edge) {
    auto inside = [&](const ColourVertex& v) {
      switch (edge) {
        case 0: return v.x >= clip.x0;
        case 1: return v.x <= clip.x1;
        case 2: return v.y >= clip.y0;
        default: return v.y <= clip.y1;
      }
    };
    auto cross = [&](const ColourVertex& p, const ColourVertex& q) {
      const double t = edge < 2 ? ((edge == 0 ? clip.x0 : clip.x1) - p.x) / (double(q.x) - p.x)
                                : ((edge == 2 ? clip.y0 : clip.y1) - p.y) / (double(q.y) - p.y);
      ColourVertex v = p;
      v.x = static_cast<float>(p.x + t * (double(q.x) - p.x));
      v.y = static_cast<float>(p.y + t * (double(q.y) - p.y));
      return v;
    };
    int m = 0;
    for (int i = 0; i < n; ++i) {
      const ColourVertex& p = a[i];
      const ColourVertex& q = a[(i + 1) % n];
      if (inside(p)) {
        b[m++] = p;
        if (!inside(q)) b[m++] = cross(p, q);
      } else if (inside(q)) {
        b[m++] = cross(p, q);
      }
    }
    n = m;
    std::copy(b, b + n, a);
  }
  std::copy(a, a + n, out);
  return n;
}

// --- Lines and points ------------------------------------------------------------

// GL places a line's and a point's vertex 3/8 of a pixel in; the pixel a
// coordinate falls in.
constexpr double kPixelShift = 0.375;
int pixel_at(double v) { return floor_pixel(v + kPixelShift); }

bool point_inside(double x, double y, const Clip& clip) {
  const int px = pixel_at(x), py = pixel_at(y);
  return px >= clip.x0 && px < clip.x1 && py >= clip.y0 && py < clip.y1;
}

// The vertices of a few lines with their end pixels, queued together, in
// one colour cut to one clip.
struct LineVertices {
  static constexpr int kLines = 8;
  ColourVertex colour;  // its x and y are set for each vertex
  Clip clip;
  ColourVertex lines[2 * kLines];
  ColourVertex points[kLines];
  int line_count = 0, point_count = 0;
  KvguiBox box;

  void vertex(ColourVertex* to, double x, double y) const {
    *to = colour;
    to->x = static_cast<float>(x);
    to->y = static_cast<float>(y);
  }
  void line(double x0, double y0, double x1, double y1) {
    vertex(&lines[line_count++], x0, y0);
    vertex(&lines[line_count++], x1, y1);
  }
};

bool whole(double v) { return v == std::floor(v); }

// One axis-aligned line with its end pixel, cut to the clip. On whole
// pixels the pixels it covers - both ends included - go out as one line
// reaching a pixel further (GL leaves out the pixel a line ends in): Mesa
// draws points at many times the cost of lines. Elsewhere the line and its
// end pixel go out as drawn at once.
void queue_line(const Canvas& c, const int* ends, LineVertices& out) {
  const Clip& clip = out.clip;
  Point a = to_surface(c, ends[0], ends[1]);
  Point b = to_surface(c, ends[2], ends[3]);
  if (whole(a.x) && whole(a.y) && whole(b.x) && whole(b.y)) {
    const double x0 = std::max(std::min(a.x, b.x), clip.x0);
    const double x1 = std::min(std::max(a.x, b.x), clip.x1 - 1);
    const double y0 = std::max(std::min(a.y, b.y), clip.y0);
    const double y1 = std::min(std::max(a.y, b.y), clip.y1 - 1);
    if (x0 > x1 || y0 > y1) return;
    if (y0 == y1)
      out.line(x0, y0, x1 + 1, y0);
    else
      out.line(x0, y0, x0, y1 + 1);
    grow(out.box, KvguiBox{int(x0), int(y0), int(x1) + 1, int(y1) + 1});
    return;
  }
  if (point_inside(b.x, b.y, clip)) {
    out.vertex(&out.points[out.point_count++], b.x, b.y);
    grow(out.box, KvguiBox{pixel_at(b.x), pixel_at(b.y), pixel_at(b.x) + 1, pixel_at(b.y) + 1});
  }
  if (a.x == b.x && a.y == b.y) return;  // no line, only its end pixel
  const bool horizontal = a.y == b.y;
  // Across the line: the row or column it lies in must be inside.
  const int across = pixel_at(horizontal ? a.y : a.x);
  if (across < (horizontal ? clip.y0 : clip.x0) || across >= (horizontal ? clip.y1 : clip.x1))
    return;
  // Along the line GL clips where the line, 3/8 of a pixel on, leaves the
  // viewport: each end is brought to that place, the direction kept, so the
  // cut line covers the pixels GL's clipped line would.
  const double lo = horizontal ? clip.x0 : clip.y0, hi = horizontal ? clip.x1 : clip.y1;
  double& s = horizontal ? a.x : a.y;
  double& e = horizontal ? b.x : b.y;
  const double s_cut = std::clamp(s + kPixelShift, lo, hi) - kPixelShift;
  const double e_cut = std::clamp(e + kPixelShift, lo, hi) - kPixelShift;
  if (s_cut == e_cut) return;  // wholly outside
  s = s_cut;
  e = e_cut;
  out.line(a.x, a.y, b.x, b.y);
  grow(out.box, KvguiBox{pixel_at(std::min(a.x, b.x)), pixel_at(std::min(a.y, b.y)),
                         pixel_at(std::max(a.x, b.x)) + 1, pixel_at(std::max(a.y, b.y)) + 1});
}

void draw_lines_at_once(const int* ends, int count, int colour) {
  if (OpenGLRainbows* gfx = qvl_gfx_rainbows) gfx->draw_lines(ends, count, uint32_t(colour));
}

// Lines with their end pixels into the queue, a few at a time; ring: they
// are the border of the box they span, and nothing inside it.
void queue_lines(const int* ends, int count, int colour, bool ring) {
  for (int i = 0; i < count; ++i) {
    const int* e = ends + 4 * i;
    if (e[0] != e[2] && e[1] != e[3]) {
      // Slanted: the queue cannot cut it.
      kvgui_canvas_flush();
      draw_lines_at_once(ends, count, colour);
      return;
    }
  }
  Canvas& c = canvas();
  for (int first = 0; first < count; first += LineVertices::kLines) {
    LineVertices v;
    v.colour = qvl_gfx_colour_vertex(0.0f, 0.0f, uint32_t(colour), queued_alpha());
    v.clip = clip_of(c);
    for (int i = first; i < count && i < first + LineVertices::kLines; ++i)
      queue_line(c, ends + 4 * i, v);
    v.box.ring = ring && count <= LineVertices::kLines;
    c.queue.add_lines(v.lines, v.line_count, v.box);
    c.queue.add_points(v.points, v.point_count, v.box);
  }
}

// --- Text ----------------------------------------------------------------------------

void queue_glyphs(OpenGLRainbows& gfx, int slot, int quads) {
  Canvas& c = canvas();
  if (quads <= 0) return;
  const Clip clip = clip_of(c);
  TexVertex* v = gfx.vertices.data;
  // Into the surface's pixels; a text inside its clip (the most of them)
  // needs no cutting.
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (int k = 0; k < 4 * quads; ++k) {
    const Point p = to_surface(c, v[k].x, v[k].y);
    v[k].x = static_cast<float>(p.x);
    v[k].y = static_cast<float>(p.y);
    x0 = std::min<double>(x0, v[k].x);
    y0 = std::min<double>(y0, v[k].y);
    x1 = std::max<double>(x1, v[k].x);
    y1 = std::max<double>(y1, v[k].y);
  }
  if (x0 >= clip.x0 && x1 <= clip.x1 && y0 >= clip.y0 && y1 <= clip.y1) {
    c.queue.add_glyphs(slot, c.alpha_mode, v, quads, box_around(x0, y0, x1, y1));
    return;
  }
  int kept = 0;
  KvguiBox box;
  for (int i = 0; i < quads; ++i) {
    TexVertex q[4] = {v[4 * i], v[4 * i + 1], v[4 * i + 2], v[4 * i + 3]};
    const bool inside = cut_quad(
        q, clip, [](TexVertex& t) -> float& { return t.u; },
        [](TexVertex& t) -> float& { return t.v; });
    if (!inside) continue;
    grow(box, box_of(q));
    std::copy(q, q + 4, v + 4 * kept++);
  }
  c.queue.add_glyphs(slot, c.alpha_mode, v, kept, box);
}

}  // namespace

// --- State ---------------------------------------------------------------------------

void kvgui_canvas_begin() {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  Canvas& c = canvas();
  if (c.queuing) kvgui_canvas_flush();
  c.queuing = false;
  c.batches = 0;
  if (!gfx) return;
  // Whatever texture smoothing last reached the font's sheet, its text is
  // drawn with the setting in force.
  const int slot = qvl_gfx_current_font;
  if (bitmap_font(*gfx, slot) && gfx->sprites[kFirstFontSprite + slot].img_width > 0) {
    gfx->bind_sprite_texture(kFirstFontSprite + slot);
    gfx->apply_smoothing();
  }
  // A turned screen maps the viewports in ways the queue does not follow.
  if (!kvgui_queue_drawing || gfx->orientation != 0) return;
  c.queuing = true;
  c.viewport_stale = c.alpha_stale = false;
  c.view = SurfaceViewport{gfx->viewport_x, gfx->viewport_y, gfx->viewport_width,
                           gfx->viewport_height, qvl_gfx_viewport_zoom};
  c.alpha_mode = gfx->blend_value;
  const SurfaceViewport whole = qvl_gfx_whole_surface();
  c.queue.start(whole.width, whole.height);
}

void kvgui_canvas_end() {
  kvgui_canvas_flush();
  canvas().queuing = false;
}

void kvgui_canvas_flush() {
  Canvas& c = canvas();
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!c.queuing || !gfx) return;
  if (!c.queue.empty()) {
    qvl_gfx_set_surface_viewport(qvl_gfx_whole_surface());
    c.batches += c.queue.draw(*gfx);
    c.viewport_stale = c.alpha_stale = true;
  }
  if (c.viewport_stale) qvl_gfx_set_surface_viewport(c.view);
  if (c.alpha_stale) gfx->set_alpha_mode(c.alpha_mode);
  c.viewport_stale = c.alpha_stale = false;
}

void kvgui_canvas_after_own_drawing() {
  Canvas& c = canvas();
  const OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!c.queuing || !gfx) return;
  c.view = SurfaceViewport{gfx->viewport_x, gfx->viewport_y, gfx->viewport_width,
                           gfx->viewport_height, qvl_gfx_viewport_zoom};
  c.alpha_mode = gfx->blend_value;
  c.viewport_stale = c.alpha_stale = false;
}

int kvgui_canvas_batches_drawn() { return canvas().batches; }

void kvgui_canvas_viewport(int x, int y, int w, int h) {
  Canvas& c = canvas();
  if (!c.queuing) {
    qvl_gfx_set_viewport(x, y, w, h);
    return;
  }
  c.view = qvl_gfx_surface_viewport(x, y, w, h);
  c.viewport_stale = true;
}

void kvgui_canvas_get_viewport(double* x, double* y, double* w, double* h) {
  Canvas& c = canvas();
  if (!c.queuing) {
    qvl_gfx_get_viewport_f(x, y, w, h);
    return;
  }
  qvl_gfx_logical_viewport(c.view, x, y, w, h);
}

void kvgui_canvas_alpha(double mode) {
  Canvas& c = canvas();
  if (!c.queuing) {
    qvl_gfx_set_alpha_mode(mode);
    return;
  }
  c.alpha_mode = static_cast<float>(mode);
  c.alpha_stale = true;
}

// --- Shapes ---------------------------------------------------------------------------

void kvgui_canvas_rect(int x, int y, int w, int h, int colour) {
  if (!queue_it()) {
    qvl_gfx_draw_rect(x, y, w, h, colour);
    return;
  }
  Canvas& c = canvas();
  const RectEdges ex = qvl_gfx_rect_edges(x, w), ey = qvl_gfx_rect_edges(y, h);
  const Clip clip = clip_of(c);
  const Point lo = to_surface(c, double(ex.lo), double(ey.lo));
  const Point hi = to_surface(c, double(ex.hi), double(ey.hi));
  const double x0 = std::max(lo.x, clip.x0), x1 = std::min(hi.x, clip.x1);
  const double y0 = std::max(lo.y, clip.y0), y1 = std::min(hi.y, clip.y1);
  if (x0 >= x1 || y0 >= y1) return;
  const float alpha = queued_alpha();
  auto at = [&](double px, double py) {
    return qvl_gfx_colour_vertex(float(px), float(py), uint32_t(colour), alpha);
  };
  // The fan draw_rect sends: (x0, y1) (x1, y1) (x1, y0) (x0, y0).
  const ColourVertex v[4] = {at(x0, y1), at(x1, y1), at(x1, y0), at(x0, y0)};
  static constexpr uint16_t kFan[6] = {0, 1, 2, 0, 2, 3};
  c.queue.add_faces(v, 4, kFan, 6, box_around(x0, y0, x1, y1));
}

void kvgui_canvas_line(int x1, int y1, int x2, int y2, int colour) {
  if (!queue_it()) {
    qvl_gfx_draw_line(x1, y1, x2, y2, colour);
    return;
  }
  const int ends[4] = {x1, y1, x2, y2};
  queue_lines(ends, 1, colour, false);
}

void kvgui_canvas_lines(const int* ends, int lines, int colour) {
  if (lines <= 0) return;
  if (!queue_it()) {
    draw_lines_at_once(ends, lines, colour);
    return;
  }
  queue_lines(ends, lines, colour, false);
}

void kvgui_canvas_outline(int x, int y, int w, int h, int colour) {
  // Edges shorter than their corners are left out rather than drawn
  // backwards over the corners.
  int ends[16];
  int n = 0;
  auto add = [&](int64_t a, int64_t b, int64_t c, int64_t d) {
    int* e = ends + 4 * n++;
    e[0] = qvl_math_saturate_int(a);
    e[1] = qvl_math_saturate_int(b);
    e[2] = qvl_math_saturate_int(c);
    e[3] = qvl_math_saturate_int(d);
  };
  const int64_t right = int64_t(x) + w - 1, bottom = int64_t(y) + h - 1;
  if (w > 2) {
    add(int64_t(x) + 1, y, right - 1, y);
    add(int64_t(x) + 1, bottom, right - 1, bottom);
  }
  if (h > 2) {
    add(x, int64_t(y) + 1, x, bottom - 1);
    add(right, int64_t(y) + 1, right, bottom - 1);
  }
  if (n == 0) return;
  if (!queue_it()) {
    draw_lines_at_once(ends, n, colour);
    return;
  }
  queue_lines(ends, n, colour, w > 2 && h > 2);
}

void kvgui_canvas_gradient(double x, double y, double w, double h, int a, int b,
                           bool horizontal) {
  // The strip's six corners, as the polygon batch takes them (floats).
  float px[6], py[6];
  int colours[6];
  if (horizontal) {
    const double split = y + 0.35 * h;
    const double xs[6] = {x + w, x, x + w, x, x + w, x};
    const double ys[6] = {y, y, split, split, y + h, y + h};
    for (int k = 0; k < 6; ++k) {
      px[k] = static_cast<float>(xs[k]);
      py[k] = static_cast<float>(ys[k]);
      colours[k] = k < 2 ? a : b;
    }
  } else {
    const double split = x + 0.35 * w;
    const double xs[6] = {x, x, split, split, x + w, x + w};
    const double ys[6] = {y, y + h, y, y + h, y, y + h};
    for (int k = 0; k < 6; ++k) {
      px[k] = static_cast<float>(xs[k]);
      py[k] = static_cast<float>(ys[k]);
      colours[k] = k < 2 ? a : b;
    }
  }
  if (!queue_it()) {
    qvl_gfx_poly_begin(-1, 2);
    for (int k = 0; k < 6; ++k) qvl_gfx_poly_vertex(px[k], py[k], 0, 0, colours[k]);
    qvl_gfx_poly_end();
    return;
  }
  Canvas& c = canvas();
  const Clip clip = clip_of(c);
  const float alpha = queued_alpha();
  ColourVertex v[8];
  for (int k = 0; k < 6; ++k) {
    const Point p = to_surface(c, px[k], py[k]);
    v[k] = qvl_gfx_poly_colour_vertex(float(p.x), float(p.y), uint32_t(colours[k]), alpha);
  }
  KvguiBox box = box_of_corners(v, 6);
  // The strip's triangles, as the polygon batch draws them.
  static constexpr uint16_t kStrip[12] = {0, 1, 2, 2, 1, 3, 2, 3, 4, 4, 3, 5};
  if (box.x0 >= clip.x0 && box.x1 <= clip.x1 && box.y0 >= clip.y0 && box.y1 <= clip.y1) {
    c.queue.add_faces(v, 6, kStrip, 12, box);
    return;
  }
  // Cut: the strip's two quads, corners 0..3 (a into b) and 2..5 (b), each
  // on its own.
  ColourVertex out[8];
  int n = 0;
  box = KvguiBox();
  for (int first : {0, 2}) {
    ColourVertex q[4] = {v[first], v[first + 1], v[first + 2], v[first + 3]};
    if (!cut_colour_quad(q, clip, horizontal)) continue;
    grow(box, box_of(q));
    std::copy(q, q + 4, out + n);
    n += 4;
  }
  static constexpr uint16_t kQuads[12] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
  c.queue.add_faces(out, n, kQuads, n / 4 * 6, box);
}

void kvgui_canvas_triangle(const double xy[6], int colour) {
  if (!queue_it()) {
    qvl_gfx_poly_begin(-1, 0);
    for (int k = 0; k < 3; ++k) qvl_gfx_poly_vertex(xy[2 * k], xy[2 * k + 1], 0, 0, colour);
    qvl_gfx_poly_end();
    return;
  }
  Canvas& c = canvas();
  ColourVertex corners[3];
  for (int k = 0; k < 3; ++k) {
    const Point p = to_surface(c, float(xy[2 * k]), float(xy[2 * k + 1]));
    corners[k] = qvl_gfx_poly_colour_vertex(float(p.x), float(p.y), uint32_t(colour), queued_alpha());
  }
  ColourVertex cut[8];
  const int n = cut_polygon(corners, 3, clip_of(c), cut);
  if (n < 3) return;
  uint16_t fan[18];
  for (int k = 1; k + 1 < n; ++k) {
    fan[3 * (k - 1)] = 0;
    fan[3 * (k - 1) + 1] = static_cast<uint16_t>(k);
    fan[3 * (k - 1) + 2] = static_cast<uint16_t>(k + 1);
  }
  c.queue.add_faces(cut, n, fan, 3 * (n - 2), box_of_corners(cut, n));
}

// --- Text and sprites -----------------------------------------------------------------

void kvgui_canvas_print(const char* text, int x, int y, int proportional) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx || !text || !*text) return;
  const int slot = qvl_gfx_current_font;
  if (!bitmap_font(*gfx, slot) || !queue_it()) {
    kvgui_canvas_flush();
    gfx->print_text(slot, text, static_cast<float>(x), static_cast<float>(y), 0.0f, proportional,
                    1);
    return;
  }
  const int quads = gfx->glyph_quads(slot, text, nullptr, static_cast<float>(x),
                                     static_cast<float>(y), 0.0f, proportional, 1,
                                     canvas().view.zoom, true);
  queue_glyphs(*gfx, slot, quads);
}

void kvgui_canvas_print_at(const char* text, const int* xs, int y, int proportional) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx || !text || !*text || !xs) return;
  const int slot = qvl_gfx_current_font;
  if (!bitmap_font(*gfx, slot) || !queue_it()) {
    kvgui_canvas_flush();
    gfx->print_glyphs_at(slot, text, xs, static_cast<float>(y), proportional);
    return;
  }
  const int quads = gfx->glyph_quads(slot, text, xs, 0.0f, static_cast<float>(y), 0.0f,
                                     proportional, 1, canvas().view.zoom, true);
  queue_glyphs(*gfx, slot, quads);
}

namespace {

void queue_sprite(int id, QuadVertex q[4]) {
  Canvas& c = canvas();
  for (int k = 0; k < 4; ++k) {
    const Point p = to_surface(c, q[k].x, q[k].y);
    q[k].x = static_cast<float>(p.x);
    q[k].y = static_cast<float>(p.y);
  }
  const bool inside = cut_quad(
      q, clip_of(c), [](QuadVertex& t) -> float& { return t.u; },
      [](QuadVertex& t) -> float& { return t.v; });
  if (inside) c.queue.add_sprites(id, c.alpha_mode, q, 1, box_of(q));
}

}  // namespace

void kvgui_canvas_sprite(int id, int x, int y) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx || !qvl_sprite_id_valid(id) || !queue_it()) {
    qvl_sprite_draw(id, x, y);
    return;
  }
  QuadVertex q[4];
  qvl_sprite_blit_quad(gfx->sprites[id], x, y, q);
  queue_sprite(id, q);
}

void kvgui_canvas_sprite_stretched(int id, int x, int y, int w, int h) {
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx || !qvl_sprite_id_valid(id) || !queue_it()) {
    qvl_sprite_draw_stretched(id, x, y, w, h);
    return;
  }
  QuadVertex q[4];
  qvl_sprite_stretched_quad(gfx->sprites[id], x, y, w, h, q);
  queue_sprite(id, q);
}
