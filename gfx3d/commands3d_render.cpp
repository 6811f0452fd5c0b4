// The 3D commands over the frame, lights, fog, textures, drawing and the
// shader slots.
#include <cstdint>
#include <vector>

#include "core/error_state.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx3d/commands3d.h"
#include "gfx3d/rainbows3d.h"

namespace {

float f(double value) { return static_cast<float>(value); }

// While a program is in use its two samplers follow the texture units.
void set_sampler_uniforms(Rainbows3D& engine) {
  if (engine.current_shader < 0 || engine.current_shader >= kShaderSlots) return;
  engine.shader_set_uniform_int("TextureID1", 0, nullptr);
  engine.shader_set_uniform_int("TextureID2", 1, nullptr);
}

// The command textures, bound for the draw commands and the texture
// command.
void bind_command_textures(OpenGLRainbows& gfx) {
  gfx.bind_textures_3d(qvl_x3d_command_texture_a, qvl_x3d_command_texture_b, qvl_x3d_mipmapping,
                       nullptr);
}

// A double colour or mode as the integer the program meant; out of range
// values saturate rather than wrap.
int truncated(double value) {
  if (!(value > -2147483648.0)) return INT32_MIN;  // NaN too
  if (value >= 2147483647.0) return INT32_MAX;
  return static_cast<int>(value);
}

}  // namespace

// ---- State and frame ----

void qvl_x3d_begin_3d(double near_plane, double far_plane, double field_of_view) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  engine->clear();
  engine->begin_3d(f(near_plane), f(far_plane), f(field_of_view));
  qvl_x3d_command_cull_mode = 0;
  engine->set_cull_mode(0);
  qvl_x3d_command_texture_a = qvl_x3d_command_texture_b = -1;
  engine->light_mask = 0;
  engine->shadow_enabled = 0;
  if (engine->gfx) {
    engine->gfx->bind_textures_3d(-1, -1, qvl_x3d_mipmapping, nullptr);
    engine->gfx->apply_smoothing();
  }
  set_sampler_uniforms(*engine);
}

void qvl_x3d_end_3d() {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  engine->set_shadow_pass(0);
  if (engine->gfx) engine->gfx->reset_2d_state();
}

void qvl_x3d_clear() {
  if (qvl_x3d_engine) qvl_x3d_engine->clear();
}

void qvl_x3d_set_textures(int first, int second) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  qvl_x3d_command_texture_a = first;
  qvl_x3d_command_texture_b = second;
  if (engine->gfx) {
    bind_command_textures(*engine->gfx);
    engine->gfx->apply_smoothing();
  }
  set_sampler_uniforms(*engine);
}

void qvl_x3d_set_texture_offset(double u, double v) {
  if (!qvl_x3d_engine) return;
  qvl_x3d_engine->texture_offset_u = f(u);
  qvl_x3d_engine->texture_offset_v = f(v);
}

void qvl_x3d_set_sphere_mapping(int flag) {
  if (qvl_x3d_engine) qvl_x3d_engine->sphere_mapping = flag != 0 ? 1 : 0;
}

void qvl_x3d_set_cull_mode(int n) {
  if (!qvl_x3d_engine) return;
  const int mode = n == 0 ? 0 : n < 0 ? -1 : 1;
  qvl_x3d_command_cull_mode = mode;
  qvl_x3d_engine->set_cull_mode(mode);
}

void qvl_x3d_set_depth_test(int flag) {
  if (qvl_x3d_engine) qvl_x3d_engine->set_depth_test(flag != 0);
}

void qvl_x3d_set_fog(double colour, double mode, double a, double b) {
  if (qvl_x3d_engine) qvl_x3d_engine->set_fog(truncated(colour), truncated(mode), f(a), f(b));
}

void qvl_x3d_set_light(int n, int colour, double x, double y, double z, double dx, double dy,
                       double dz, double cutoff) {
  if (qvl_x3d_engine)
    qvl_x3d_engine->set_light(n, colour, f(x), f(y), f(z), f(dx), f(dy), f(dz), f(cutoff),
                              qvl_err_state.debug_mode != 0);
}

void qvl_x3d_light_at_camera(int n, int colour) {
  if (qvl_x3d_engine) qvl_x3d_engine->light_at_camera(n, colour);
}

void qvl_x3d_set_camera(double x, double y, double z, double target_x, double target_y,
                        double target_z) {
  if (qvl_x3d_engine)
    qvl_x3d_engine->set_camera(f(x), f(y), f(z), f(target_x), f(target_y), f(target_z));
}

void qvl_x3d_set_camera_up(double x, double y, double z) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  engine->camera_up_x = f(x);
  engine->camera_up_y = f(y);
  engine->camera_up_z = f(z);
}

// ---- Drawing ----

void qvl_x3d_object_draw(int n, int a, int b, double factor, int blend) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  if (engine->gfx) bind_command_textures(*engine->gfx);
  engine->draw_object(n, a, b, f(factor), blend != 0);
}

void qvl_x3d_object_draw_frame(int n, int a) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine) return;
  if (engine->gfx) bind_command_textures(*engine->gfx);
  engine->draw_object(n, a, a, 0.0f, false);
}

void qvl_x3d_set_shade_table(BasicArray<double>& array) {
  if (array.size1 <= 0 || !array.data) {
    // The levels are bytes: the report is a byte array's.
    BasicArray<uint8_t> levels;
    levels.at(0);
    return;
  }
  std::vector<uint8_t> levels(static_cast<size_t>(array.size1));
  for (int i = 0; i < array.size1; ++i) {
    // x 255 to a 16-bit integer, of which the low byte is the level.
    const int whole = truncated(array.at(i) * 255.0);
    levels[static_cast<size_t>(i)] = static_cast<uint8_t>(whole & 0xFF);
  }
  if (qvl_x3d_engine)
    qvl_x3d_engine->set_shade_table(levels.data(), static_cast<int>(levels.size()));
}

void qvl_x3d_draw_sprite(int id, double x, double y, double z, double scale) {
  Rainbows3D* engine = qvl_x3d_engine;
  if (!engine || id < 0 || !engine->gfx) return;
  // Sprites face the camera whichever way the program culls.
  engine->set_cull_mode(-1);
  engine->gfx->draw_sprite_3d(static_cast<uint16_t>(id), f(x), f(y), f(z), f(scale));
  engine->set_cull_mode(qvl_x3d_command_cull_mode);
}

// ---- Shader slots ----

bool qvl_x3d_shader_load(int n, const BasicString& vertex_file, const BasicString& fragment_file) {
  if (!qvl_x3d_engine) return false;
  return qvl_x3d_engine->shader_load(n, vertex_file.empty() ? nullptr : vertex_file.c_str(),
                                     fragment_file.empty() ? nullptr : fragment_file.c_str(),
                                     qvl_x3d_log_callback);
}

void qvl_x3d_shader_use(int n) {
  if (qvl_x3d_engine) qvl_x3d_engine->shader_use(n);
}

void qvl_x3d_shader_set_uniform(const BasicString& name, double value) {
  if (qvl_x3d_engine)
    qvl_x3d_engine->shader_set_uniform_float(name.c_str(), f(value), qvl_x3d_log_callback);
}
