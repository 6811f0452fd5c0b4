#include "host/movie.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "core/error_state.h"
#include "core/logs.h"
#include "files/file_resolve.h"
#include "files/mem_file.h"
#include "files/strongbox.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "host/input_manager.h"
#include "host/music.h"
#include "host/show_screen.h"
#include "platform/mpv_player.h"
#include "platform/new_file.h"
#include "platform/remove_path.h"
#include "platform/temp_folder.h"
#include "platform/video.h"

namespace {

constexpr int kNameSize = 1024;
// Each pass of the wait yields this long, so a movie never spins a core.
constexpr int kPassSleepMs = 2;

// The file the player opens, and a temporary copy to delete afterwards.
struct MovieFile {
  char path[kNameSize] = {};
  std::string temp_copy;
  ~MovieFile() {
    if (!temp_copy.empty()) qvl_os_remove_path(temp_copy.c_str());
  }
};

// A MemFile block (given by the program, or the resolving reader's product)
// is copied to a file of our own, since the next look-up may free it.
bool copy_out_mem_file(MovieFile& file) {
  const uint8_t* block = nullptr;
  uint32_t size = 0;
  if (!qvl_mem_file_acquire(file.path, &block, &size)) return false;
  char folder[kNameSize];
  qvl_os_temp_folder(folder, sizeof folder);
  std::string path = std::string(folder) + "qvlmovie.bin";
  bool written = plat_file_write_new(path, 4, block, size);
  qvl_mem_file_unpin(block);
  if (!written || path.size() >= sizeof file.path) return false;
  file.temp_copy = path;
  std::memcpy(file.path, path.c_str(), path.size() + 1);
  return true;
}

bool resolve_movie(const BasicString& name, MovieFile& file) {
  // Longer names cannot be resolved, and must not overrun the buffer.
  if (name.c_length() >= kNameSize) return false;
  if (qvl_arc_movie) {
    if (!qvl_arc_movie->resolve(name.c_str(), file.path, false)) return false;
  } else {
    BasicString resolved(name.c_str());
    if (!qvl_file_resolve(resolved) || resolved.c_length() >= kNameSize) return false;
    std::memcpy(file.path, resolved.c_str(), resolved.c_length() + 1);
  }
  return !qvl_mem_file_is_name(file.path) || copy_out_mem_file(file);
}

bool user_wants_out(InputManager* input) {
  return input && (input->take_char() != 0 || input->any_button_down());
}

// Characters typed and buttons held before the movie must not end it.
void drain_input(InputManager* input) {
  if (!input) return;
  while (input->take_char() != 0) {
  }
  while (input->any_button_down()) {
    qvl_win_pump_hooked(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(kPassSleepMs));
    while (input->take_char() != 0) {
    }
  }
}

// The player changes blending, texture bindings, unpack alignment, the
// viewport and the scissor behind the state cache's back.
void restore_render_state(OpenGLRainbows& gfx) {
  plat_gl_reset_after_movie();
  qvl_gfx_state_cache.reset();
  gfx.unit0_sprite = gfx.unit1_sprite = -1;
  qvl_gfx_bound_sprite = -1;
  gfx.blend_value = 0.0f;  // not the reset's value, so the blend is set again
  gfx.reset_2d_state();
}

// False when the player gave up on the file (one it cannot open, or a
// frame past the decoder's budget).
bool play_until_done(PlatMovie* movie, OpenGLRainbows& gfx, bool loop) {
  InputManager* input = qvl_input_manager;
  QvlRoutine hook = qvl_win_find_msg_hook();
  PlatMovieStatus status{};
  for (;;) {
    plat_movie_poll(movie, &status);
    // The player's own end of file ends it, even when the position stalls
    // short of the length.
    if (status.ended) return !status.failed;
    if (!loop && status.duration_ms > 0.0 && status.position_ms >= status.duration_ms) return true;
    if (user_wants_out(input)) return true;
    qvl_mus_restart_if_due();
    gfx.pump_messages(hook, 0);
    if (!gfx.window) return true;  // the window went while we waited
    PlatRect client = plat_window_rect(gfx.window);
    if (client.w > 0 && client.h > 0 && plat_movie_render(movie, client.w, client.h))
      plat_gl_swap(gfx.window);
    std::this_thread::sleep_for(std::chrono::milliseconds(kPassSleepMs));
  }
}

}  // namespace

int qvl_video_play(const BasicString& name, int loop) {
  MovieFile file;
  if (!resolve_movie(name, file)) return 3;
  OpenGLRainbows* gfx = qvl_gfx_rainbows;
  if (!gfx || !gfx->window) return 3;
  PlatMovie* movie = plat_movie_open(file.path, loop != 0, kMovieMaxPixels);
  if (!movie) {
    qvl_log_error_file(plat_movie_error());
    return 3;
  }
  drain_input(qvl_input_manager);
  qvl_gfx_flush_sprites();  // the movie's renderer changes GL behind the caches
  const bool played = play_until_done(movie, *gfx, loop != 0);
  if (!played) qvl_log_error_file((std::string(plat_movie_error()) + "\n").c_str());
  plat_movie_close(movie);
  restore_render_state(*gfx);
  // A file the player could not open is one that cannot be opened.
  return played ? 0 : 3;
}

int qvl_video_play_once(const BasicString& name) { return qvl_video_play(name, 0); }
int qvl_video_play_looped(const BasicString& name) { return qvl_video_play(name, 1); }
