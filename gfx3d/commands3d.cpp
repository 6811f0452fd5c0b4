// The 3D commands over objects, debug drawing, projection and collision.
#include "gfx3d/commands3d.h"

#include <string>

#include "core/error_state.h"
#include "core/logs.h"
#include "files/file_resolve.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/viewport.h"
#include "gfx3d/matrix4.h"
#include "gfx3d/object_build.h"
#include "gfx3d/rainbows3d.h"

int32_t qvl_x3d_command_texture_a = -1;
int32_t qvl_x3d_command_texture_b = -1;
int32_t qvl_x3d_command_cull_mode = 0;

namespace {

ObjectSlot* slot_of(int n) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine || n < 0 || n >= engine->objects.count) return nullptr;
  return &engine->objects[n];
}

Vec3 vec(double x, double y, double z) {
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

float clamped(double value, double low, double high) {
  if (!(value >= low)) return static_cast<float>(low);  // NaN too
  return static_cast<float>(value > high ? high : value);
}

bool debug_mode() { return qvl_err_state.debug_mode != 0; }

constexpr int kHitColour = 0x0000FF;
constexpr int kMissColour = 0x00FF00;

}  // namespace

// ---- Objects ----

void qvl_x3d_object_begin(int n) {
  if (qvl_x3d_engine) qvl_x3d_engine->begin_object(n, 1);
}

void qvl_x3d_object_new_frame(int frame) {
  if (qvl_x3d_engine) qvl_x3d_engine->new_frame(frame);
}

void qvl_x3d_object_set_normal(double x, double y, double z) {
  if (qvl_x3d_engine)
    qvl_x3d_engine->set_vertex_normal(static_cast<float>(x), static_cast<float>(y),
                                      static_cast<float>(z));
}

void qvl_x3d_object_add_vertex(double x, double y, double z, double u, double v, int colour) {
  if (qvl_x3d_engine)
    qvl_x3d_engine->add_vertex(static_cast<float>(x), static_cast<float>(y),
                               static_cast<float>(z), static_cast<float>(u),
                               static_cast<float>(v), static_cast<uint32_t>(colour));
}

void qvl_x3d_object_new_group() {
  if (qvl_x3d_engine) qvl_x3d_engine->new_group(1);
}

void qvl_x3d_object_end() {
  if (qvl_x3d_engine) qvl_x3d_engine->end_object();
}

void qvl_x3d_object_load(const BasicString& name, int n) {
  if (!qvl_x3d_engine) return;
  BasicString resolved(name);
  if (!qvl_file_resolve(resolved)) resolved.assign_cstr("");
  qvl_x3d_engine->load_object(resolved.c_str(), n);
}

int qvl_x3d_object_save(const BasicString& name, int n) {
  return qvl_x3d_engine && qvl_x3d_engine->save_object(name.c_str(), n) ? 1 : 0;
}

void qvl_x3d_object_rebuild(int n) {
  if (qvl_x3d_engine) qvl_x3d_engine->rebuild_object(n);
}

void qvl_x3d_object_scale(int n, double x, double y, double z) {
  ObjectSlot* slot = slot_of(n);
  if (!slot) return;
  for (int i = 0; i < slot->parts.count; ++i)
    slot->parts[i].scale(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

int qvl_x3d_object_face_count(int n) {
  const ObjectSlot* slot = slot_of(n);
  if (!slot) return 0;
  int64_t records = 0;
  for (int i = 0; i < slot->parts.count; ++i) {
    const MeshObjectX& part = slot->parts[i];
    if (part.frames.count > 0) records += part.frames[0].triangles.count;
  }
  return static_cast<int>(records / 3);
}

void qvl_x3d_object_get_face(int n, int frame, int face, BasicArray<double>& array) {
  array.dim(3, 9, 0, 0);
  const ObjectSlot* slot = slot_of(n);
  if (!slot || !array.data || face < 0) return;
  int64_t before = 0;
  for (int i = 0; i < slot->parts.count; ++i) {
    const MeshObjectX& part = slot->parts[i];
    if (part.frames.count == 0) continue;
    // A frame the part does not have holds no faces.
    const int64_t faces =
        frame >= 0 && frame < part.frames.count ? part.frames[frame].triangles.count / 3 : 0;
    if (face < before + faces) {
      const MeshVertex* corner = &part.frames[frame].triangles[static_cast<int>(face - before) * 3];
      for (int c = 0; c < 3; ++c) {
        const MeshVertex& r = corner[c];
        const double values[9] = {r.x, r.y, r.z, r.u, r.v, static_cast<double>(r.colour),
                                  r.nx, r.ny, r.nz};
        for (int k = 0; k < 9; ++k) array.at2(c, k) = values[k];
      }
      return;
    }
    before += faces;
  }
}

// ---- Debug drawing and text ----

void qvl_x3d_draw_axes(double x, double y, double z) {
  if (qvl_x3d_engine)
    qvl_x3d_engine->draw_axes(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void qvl_x3d_draw_dot(double x, double y, double z, double size, int colour) {
  if (qvl_x3d_engine) qvl_x3d_engine->draw_dot(vec(x, y, z), colour, clamped(size, 1, 512));
}

void qvl_x3d_draw_line(double x1, double y1, double z1, double x2, double y2, double z2,
                       double width, int colour) {
  if (qvl_x3d_engine)
    qvl_x3d_engine->draw_line(vec(x1, y1, z1), vec(x2, y2, z2), colour, clamped(width, 1, 512));
}

void qvl_x3d_print_text(const BasicString& text, double x, double y, double z, double size,
                        int proportional) {
  if (!qvl_gfx_rainbows) return;
  qvl_gfx_rainbows->print_text_3d(qvl_gfx_current_font, text.c_str(), static_cast<float>(x),
                                  static_cast<float>(y), static_cast<float>(z),
                                  static_cast<float>(size), proportional);
}

// ---- Projection ----

namespace {

bool viewport_of(int viewport[4]) {
  OpenGLRainbows* gfx = qvl_x3d_engine ? qvl_x3d_engine->gfx : nullptr;
  if (!gfx) return false;
  const ViewportRect* v = gfx->get_viewport();
  if (!v) return false;
  viewport[0] = v->x, viewport[1] = v->y, viewport[2] = v->width, viewport[3] = v->height;
  return true;
}

}  // namespace

bool qvl_x3d_project(double x, double y, double z, double* sx, double* sy, double* sz) {
  int viewport[4];
  if (!viewport_of(viewport)) return false;
  float wx = 0, wy = 0, wz = 0;
  if (!qvl_x3d_project_point(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
                             &wx, &wy, &wz, viewport, qvl_x3d_engine->projection_matrix,
                             qvl_x3d_engine->camera_matrix))
    return false;
  *sx = wx, *sy = wy, *sz = wz;
  return true;
}

bool qvl_x3d_unproject(double sx, double sy, double sz, double* x, double* y, double* z) {
  int viewport[4];
  if (!viewport_of(viewport)) return false;
  float px = 0, py = 0, pz = 0;
  // The window y runs from the top here as in the projection, so a
  // projected point comes back where it was.
  if (!qvl_x3d_unproject_point(static_cast<float>(sx), static_cast<float>(sy),
                               static_cast<float>(sz), &px, &py, &pz, viewport,
                               qvl_x3d_engine->projection_matrix, qvl_x3d_engine->camera_matrix))
    return false;
  *x = px, *y = py, *z = pz;
  return true;
}

// ---- Collision ----

int qvl_x3d_object_hit_sphere(int n, int frame, double radius, double x, double y, double z) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return 0;
  const Vec3 centre = vec(x, y, z);
  const bool hit = engine->hit_sphere(n, frame, static_cast<float>(radius), centre);
  if (debug_mode())
    engine->draw_debug_sphere(centre, static_cast<float>(radius), hit ? kHitColour : kMissColour,
                              hit ? 5 : 1);
  return hit ? 1 : 0;
}

int qvl_x3d_object_hit_box(int n, int frame, double x, double y, double z, double width,
                           double height, double depth) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return 0;
  const Vec3 centre = vec(x, y, z);
  const Vec3 a = vec(width / 2, 0, 0), b = vec(0, 0, depth / 2), c = vec(0, height / 2, 0);
  const bool hit = engine->hit_box(n, frame, centre, a, b, c);
  if (debug_mode())
    engine->draw_debug_box(centre, a, b, c, hit ? kHitColour : kMissColour, hit ? 5 : 1);
  return hit ? 1 : 0;
}

int qvl_x3d_sphere_hits_box(double x, double y, double z, double radius, double width,
                            double height, double depth) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return 0;
  return engine->sphere_hits_box(vec(x, y, z), static_cast<float>(radius),
                                 static_cast<float>(width / 2), static_cast<float>(height / 2),
                                 static_cast<float>(depth / 2))
             ? 1
             : 0;
}

double qvl_x3d_object_hit_ray(int n, int frame, double x, double y, double z, double dx,
                              double dy, double dz) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return 0;
  const Vec3 start = vec(x, y, z), direction = vec(dx, dy, dz);
  const float distance = engine->hit_ray(n, frame, start, direction);
  if (debug_mode()) {
    const float length = distance != 0.0f ? distance : 1000.0f;
    const int colour = distance == 0.0f ? 0x0000FF : distance > 0.0f ? 0x00FF00 : 0x00FFFF;
    engine->draw_line(start, start + normalized(direction) * length, colour,
                      distance == 0.0f ? 1.0f : 5.0f);
  }
  return distance;
}

int qvl_x3d_last_hit_face() { return qvl_x3d_last_hit_vertex / 3; }

void qvl_x3d_log_callback(const char* text) {
  if (!debug_mode() || !text) return;
  qvl_log_debug(BasicString((std::string(text) + "\n").c_str()));
}
