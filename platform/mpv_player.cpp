#include "platform/mpv_player.h"

#include <dlfcn.h>
#include <unistd.h>
#include <mpv/client.h>
#include <mpv/render.h>
#include <mpv/render_gl.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/file_io.h"

namespace {

// The libmpv entry points this layer uses, bound once.
struct MpvApi {
  decltype(&mpv_create) create;
  decltype(&mpv_initialize) initialize;
  decltype(&mpv_set_option_string) set_option_string;
  decltype(&mpv_command_async) command_async;
  decltype(&mpv_observe_property) observe_property;
  decltype(&mpv_wait_event) wait_event;
  decltype(&mpv_terminate_destroy) terminate_destroy;
  decltype(&mpv_error_string) error_string;
  decltype(&mpv_render_context_create) render_create;
  decltype(&mpv_render_context_set_update_callback) render_set_update_callback;
  decltype(&mpv_render_context_update) render_update;
  decltype(&mpv_render_context_render) render;
  decltype(&mpv_render_context_free) render_free;
};

MpvApi g_api;
bool g_bound = false;
std::string g_error;

enum Observed : uint64_t { kDuration = 1, kPosition };

template <typename F>
bool bind(void* lib, F& slot, const char* name) {
  slot = reinterpret_cast<F>(dlsym(lib, name));
  if (!slot) g_error = std::string("libmpv lacks ") + name;
  return slot != nullptr;
}

bool load_libmpv() {
  if (g_bound) return true;
  void* lib = nullptr;
  for (const char* name : {"libmpv.so.2", "libmpv.so.1", "libmpv.so"})
    if ((lib = dlopen(name, RTLD_NOW | RTLD_LOCAL))) break;
  if (!lib) {
    g_error = std::string("cannot load libmpv: ") + dlerror();
    return false;
  }
  // The library stays loaded: libmpv and its decoders do not unload cleanly.
  MpvApi& a = g_api;
  g_bound = bind(lib, a.create, "mpv_create") && bind(lib, a.initialize, "mpv_initialize") &&
            bind(lib, a.set_option_string, "mpv_set_option_string") &&
            bind(lib, a.command_async, "mpv_command_async") &&
            bind(lib, a.observe_property, "mpv_observe_property") &&
            bind(lib, a.wait_event, "mpv_wait_event") &&
            bind(lib, a.terminate_destroy, "mpv_terminate_destroy") &&
            bind(lib, a.error_string, "mpv_error_string") &&
            bind(lib, a.render_create, "mpv_render_context_create") &&
            bind(lib, a.render_set_update_callback, "mpv_render_context_set_update_callback") &&
            bind(lib, a.render_update, "mpv_render_context_update") &&
            bind(lib, a.render, "mpv_render_context_render") &&
            bind(lib, a.render_free, "mpv_render_context_free");
  return g_bound;
}

void* gl_proc(void*, const char* name) { return SDL_GL_GetProcAddress(name); }

// The movie's sound follows the program's own choice of audio driver: with
// SDL's silent drivers (tests, headless runs) mpv gets its null output.
bool audio_is_silent() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  return driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "disk") == 0);
}

}  // namespace

struct PlatMovie {
  mpv_handle* mpv = nullptr;
  mpv_render_context* render = nullptr;
  std::atomic<bool> frame_ready{false};
  PlatMovieStatus status{false, false, -1.0, -1.0};
};

const char* plat_movie_error() { return g_error.c_str(); }

PlatMovie* plat_movie_open(const char* path, bool loop, long long max_frame_pixels) {
  // The player's thread would wait in its open for a named pipe's writer,
  // and closing the movie would then wait for that thread: only a regular
  // file is handed over.
  const int fd = plat_open_regular_fd(path);
  if (fd < 0) {
    g_error = std::string(path) + ": " + plat_open_error_text(errno);
    return nullptr;
  }
  close(fd);
  if (!load_libmpv()) return nullptr;
  // libmpv refuses to start under a locale with a decimal comma; the
  // runtime formats its own numbers, so "C" here changes nothing else.
  std::setlocale(LC_NUMERIC, "C");
  auto* movie = new PlatMovie;
  const MpvApi& a = g_api;
  movie->mpv = a.create();
  if (!movie->mpv) {
    g_error = "mpv_create failed";
    delete movie;
    return nullptr;
  }
  const std::string max_pixels = "max_pixels=" + std::to_string(max_frame_pixels);
  const char* options[][2] = {
      {"config", "no"},         {"terminal", "no"},       {"vo", "libmpv"},
      {"hwdec", "no"},          {"osc", "no"},            {"osd-level", "0"},
      {"input-default-bindings", "no"}, {"input-vo-keyboard", "no"},
      {"load-scripts", "no"},   {"ytdl", "no"},           {"sub-auto", "no"},
      {"audio-file-auto", "no"}, {"keepaspect", "yes"},   {"idle", "yes"},
      {"loop-file", loop ? "inf" : "no"},
      {"ao", audio_is_silent() ? "null" : "auto"},
      // libavcodec's own check of the sizes a stream declares, made
      // when the decoder opens.
      {"vd-lavc-o", max_pixels.c_str()},
  };
  for (auto& o : options) a.set_option_string(movie->mpv, o[0], o[1]);
  int rc = a.initialize(movie->mpv);
  if (rc >= 0) {
    mpv_opengl_init_params gl{gl_proc, nullptr};
    int advanced = 0;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advanced},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    rc = a.render_create(&movie->render, movie->mpv, params);
  }
  if (rc < 0) {
    g_error = std::string("libmpv: ") + a.error_string(rc);
    plat_movie_close(movie);
    return nullptr;
  }
  a.render_set_update_callback(
      movie->render, [](void* m) { static_cast<PlatMovie*>(m)->frame_ready = true; }, movie);
  a.observe_property(movie->mpv, kDuration, "duration", MPV_FORMAT_DOUBLE);
  a.observe_property(movie->mpv, kPosition, "time-pos", MPV_FORMAT_DOUBLE);
  const char* command[] = {"loadfile", path, nullptr};
  a.command_async(movie->mpv, 0, command);
  return movie;
}

namespace {

void take_property(PlatMovieStatus& s, const mpv_event& ev) {
  auto* p = static_cast<const mpv_event_property*>(ev.data);
  bool unset = p->format == MPV_FORMAT_NONE || !p->data;
  switch (ev.reply_userdata) {
    case kDuration: s.duration_ms = unset ? -1.0 : *static_cast<double*>(p->data) * 1000.0; break;
    case kPosition: s.position_ms = unset ? -1.0 : *static_cast<double*>(p->data) * 1000.0; break;
    default: break;
  }
}

}  // namespace

void plat_movie_poll(PlatMovie* movie, PlatMovieStatus* status) {
  PlatMovieStatus& s = movie->status;
  for (;;) {
    mpv_event* ev = g_api.wait_event(movie->mpv, 0);
    if (ev->event_id == MPV_EVENT_NONE) break;
    switch (ev->event_id) {
      case MPV_EVENT_END_FILE: {
        s.ended = true;
        auto* end = static_cast<const mpv_event_end_file*>(ev->data);
        if (end && end->reason == MPV_END_FILE_REASON_ERROR) {
          s.failed = true;
          g_error = std::string("libmpv: ") + g_api.error_string(end->error);
        }
        break;
      }
      case MPV_EVENT_COMMAND_REPLY:
        // A loadfile that was refused outright never starts a file.
        if (ev->error < 0) s.ended = true;
        break;
      case MPV_EVENT_SHUTDOWN: s.ended = true; break;
      case MPV_EVENT_PROPERTY_CHANGE: take_property(s, *ev); break;
      default: break;
    }
  }
  *status = s;
}

bool plat_movie_render(PlatMovie* movie, int width, int height) {
  if (!movie->frame_ready.exchange(false)) return false;
  if (!(g_api.render_update(movie->render) & MPV_RENDER_UPDATE_FRAME)) return false;
  mpv_opengl_fbo fbo{0, width, height, 0};
  int flip = 1;
  int block = 0;
  mpv_render_param params[] = {
      {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
      {MPV_RENDER_PARAM_FLIP_Y, &flip},
      {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
      {MPV_RENDER_PARAM_INVALID, nullptr},
  };
  return g_api.render(movie->render, params) >= 0;
}

void plat_movie_close(PlatMovie* movie) {
  if (!movie) return;
  if (movie->render) g_api.render_free(movie->render);
  if (movie->mpv) g_api.terminate_destroy(movie->mpv);
  delete movie;
}

void plat_gl_reset_after_movie() {
  using BindFn = void (*)(unsigned, unsigned);
  using UnaryFn = void (*)(unsigned);
  // Entry points that the movie renderer itself required; a context that
  // showed a movie has them, and none is called without its pointer.
  auto active_texture = reinterpret_cast<UnaryFn>(SDL_GL_GetProcAddress("glActiveTexture"));
  auto use_program = reinterpret_cast<UnaryFn>(SDL_GL_GetProcAddress("glUseProgram"));
  auto bind_buffer = reinterpret_cast<BindFn>(SDL_GL_GetProcAddress("glBindBuffer"));
  auto bind_framebuffer = reinterpret_cast<BindFn>(SDL_GL_GetProcAddress("glBindFramebuffer"));
  auto bind_vertex_array = reinterpret_cast<UnaryFn>(SDL_GL_GetProcAddress("glBindVertexArray"));
  if (use_program) use_program(0);
  if (bind_vertex_array) bind_vertex_array(0);
  if (bind_buffer) {
    bind_buffer(GL_ARRAY_BUFFER, 0);
    bind_buffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    bind_buffer(GL_PIXEL_UNPACK_BUFFER, 0);
  }
  if (bind_framebuffer) bind_framebuffer(GL_FRAMEBUFFER, 0);
  if (active_texture) {
    for (unsigned unit = 4; unit-- > 0;) {
      active_texture(GL_TEXTURE0 + unit);
      glBindTexture(GL_TEXTURE_2D, 0);
    }
  } else {
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glDisable(GL_SCISSOR_TEST);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
