// measure-load: loads one file the way the runtime does, so that what a
// file costs can be measured from outside (/usr/bin/time -v) apart from
// the player; the figures of docs/benchmarks.md.
//
//   measure-load image|sprite|font|background|wav|music|kvd|object|package|movie|title <file>
//
// "sprite", "font", "background", "package" and "movie" open a hidden
// window for their textures (SDL's offscreen video driver does without a
// display); "object" builds what "kvd" reads; "wav" opens the sound device
// (SDL_AUDIODRIVER=dummy does without one), "music" plays the file as music
// for 200 ms. Prints what came of the load.
// "title" reads a game file and counts the title screen's frames in 10 s
// of the main thread's CPU, each frame shown as the player's loop shows it
// but without the wait for the frame rate: GL finishes the frame before the
// next begins, so what is measured is the title, not a driver queue growing
// without end (no keys).
#include <GL/gl.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "core/basic_string.h"
#include "core/error_state.h"
#include "game/gamefile.h"
#include "game/model.h"
#include "game/play_seam.h"
#include "game/run.h"
#include "game/title_screen.h"
#include "gfx2d/image_files.h"
#include "gfx2d/opengl_rainbows.h"
#include "gfx2d/sprite_batch.h"
#include "gfx3d/kvd_file.h"
#include "gfx3d/scene_package.h"
#include "host/input_manager.h"
#include "host/movie.h"
#include "host/music.h"
#include "host/sound_slots.h"
#include "platform/video.h"

namespace {

// The main thread's own time: the GL driver's threads do not count.
double cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

int title_frames(const char* name) {
  OpenGLRainbows* gfx = new OpenGLRainbows();
  qvl_gfx_rainbows = gfx;
  if (!gfx->create_window(nullptr, 1024, 768, 0, 60, 0, 0)) return -1;
  play_seam.key = [](int) { return 0; };
  play_seam.mouse = [](int* x, int* y, int* b1, int* b2) { *x = *y = *b1 = *b2 = 0; };
  play_seam.message_step = [] {};
  play_seam.show_screen = [] {
    qvl_gfx_flush_sprites();
    glFinish();
  };
  play_seam.sleep = [](int) {};
  if (!gamefile_read(game, BasicString(name))) return -1;
  game_run(game, 0, 0, 0);
  int frames = 0;
  const double start = cpu_seconds();
  while (cpu_seconds() - start < 10) {
    menu_title_screen(game, 0, playgame);
    play_seam.show_screen();
    ++frames;
  }
  return frames;
}

OpenGLRainbows* open_window(int w, int h) {
  OpenGLRainbows* gfx = new OpenGLRainbows();
  qvl_gfx_rainbows = gfx;
  if (!gfx->create_window(nullptr, w, h, 0, 60, 0, 0)) {
    std::fprintf(stderr, "measure-load: no window: %s\n", plat_video_error());
    std::exit(1);
  }
  return gfx;
}

void close_window(OpenGLRainbows* gfx) {
  qvl_gfx_rainbows = nullptr;
  delete gfx;
  plat_video_quit();
}

// The picture kinds: what the runtime makes of an image file as a sprite,
// a font or a background, textures included.
bool load_picture(const char* kind, const char* name) {
  OpenGLRainbows* gfx = open_window(64, 64);
  bool ok = false;
  if (std::strcmp(kind, "sprite") == 0) ok = gfx->load_sprite(1, name, 0x8000FF, false);
  if (std::strcmp(kind, "font") == 0) ok = gfx->load_font(1, name);
  if (std::strcmp(kind, "background") == 0) ok = gfx->load_background(0, name);
  close_window(gfx);
  return ok;
}

int play_movie(const char* name) {
  OpenGLRainbows* gfx = open_window(320, 240);
  qvl_win_set_handle(gfx->window);
  qvl_input_manager = new InputManager();
  qvl_input_manager->window = gfx->window;
  const int rc = qvl_video_play_once(BasicString(name));
  close_window(gfx);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: measure-load image|sprite|font|background|wav|music|kvd|object|package|"
                 "movie|title <file>\n");
    return 2;
  }
  const char* kind = argv[1];
  const char* name = argv[2];
  if (std::strcmp(kind, "image") == 0) {
    PixelImage image;
    const bool ok = qvl_img_read_file(image, name, kNoColourKey);
    std::printf("image: %s, %d x %d\n", ok ? "read" : "refused", image.width, image.height);
  } else if (std::strcmp(kind, "sprite") == 0 || std::strcmp(kind, "font") == 0 ||
             std::strcmp(kind, "background") == 0) {
    std::printf("%s: %s\n", kind, load_picture(kind, name) ? "loaded" : "refused");
  } else if (std::strcmp(kind, "movie") == 0) {
    std::printf("movie: error %d\n", play_movie(name));
  } else if (std::strcmp(kind, "object") == 0) {
    MeshObjectX object;
    const bool ok = qvl_kvd_read(object, name);
    if (ok) object.build();
    std::printf("object: %s, %d frames\n", ok ? "built" : "refused", object.frames.count);
  } else if (std::strcmp(kind, "wav") == 0) {
    qvl_snd_startup(nullptr);
    qvl_snd_load(BasicString(name), 1, 4);
    std::printf("wav: slot 1 holds %d copies\n", qvl_snd_slots[1].count);
    qvl_snd_shutdown();
  } else if (std::strcmp(kind, "music") == 0) {
    qvl_mus_play(BasicString(name), 0);
    const bool opened = qvl_mus_window && qvl_mus_window->music;
    std::printf("music: %s, %.0f ms\n", opened ? "opened" : "refused", qvl_mus_length_ms());
    if (opened) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    qvl_mus_stop();
  } else if (std::strcmp(kind, "kvd") == 0) {
    MeshObject object;
    const bool ok = qvl_kvd_read(object, name);
    std::printf("kvd: %s, %d frames\n", ok ? "read" : "refused", object.frames.count);
  } else if (std::strcmp(kind, "package") == 0) {
    OpenGLRainbows* gfx = open_window(64, 64);
    {
      ObjectSlot slot;
      const bool ok = qvl_x3d_load_package(name, slot, 0x8000FF);
      std::printf("package: %s, %d textures\n", ok ? "loaded" : "refused", slot.textures.count);
    }
    close_window(gfx);
  } else if (std::strcmp(kind, "title") == 0) {
    std::printf("title: %d frames in 10 s\n", title_frames(name));
  } else {
    std::fprintf(stderr, "measure-load: unknown kind %s\n", kind);
    return 2;
  }
  return 0;
}
