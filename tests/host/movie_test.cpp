#include "host/movie.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>
#include <dirent.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "files/mem_file.h"
#include "gfx2d/gl_state_cache.h"
#include "gfx2d/opengl_rainbows.h"
#include "host/input_manager.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"
#include "tools/hostile_files.h"

namespace {

// An uncompressed YUV4MPEG2 clip: frames of flat light grey, 10 per second.
std::string write_clip(int width, int height, int frames) {
  std::string path = qvl_test::temp_dir() + "clip.y4m";
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fprintf(f, "YUV4MPEG2 W%d H%d F10:1 Ip A1:1 C420jpeg\n", width, height);
  std::vector<uint8_t> luma(width * height, 200), chroma(width * height / 4, 128);
  for (int i = 0; i < frames; ++i) {
    std::fputs("FRAME\n", f);
    std::fwrite(luma.data(), 1, luma.size(), f);
    std::fwrite(chroma.data(), 1, chroma.size(), f);
    std::fwrite(chroma.data(), 1, chroma.size(), f);
  }
  std::fclose(f);
  return path;
}

// The host pieces a movie needs: the window with its context, and input.
void open_host(int width, int height) {
  // llvmpipe registers the frames of its JIT code with the unwinder, which
  // deadlocks the sanitizer's slow unwinding on malloc (set for GL tests);
  // softpipe compiles nothing.
  setenv("GALLIUM_DRIVER", "softpipe", 1);
  auto* gfx = new OpenGLRainbows();
  qvl_gfx_rainbows = gfx;
  if (!gfx->create_window(nullptr, width, height, 0, 60, 0, 0)) std::_Exit(10);
  qvl_win_set_handle(gfx->window);
  qvl_input_manager = new InputManager();
  qvl_input_manager->window = gfx->window;
  qvl_gfx_char_sink = qvl_input_push_char;
}

int luma_at(int x, int y) {
  uint8_t rgba[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return (rgba[0] + rgba[1] + rgba[2]) / 3;
}

// Whether libmpv is in the process (without loading it).
bool libmpv_loaded() {
  for (const char* name : {"libmpv.so.2", "libmpv.so.1", "libmpv.so"}) {
    if (void* lib = dlopen(name, RTLD_NOW | RTLD_NOLOAD)) {
      dlclose(lib);
      return true;
    }
  }
  return false;
}

// Files left in the test's temporary folder whose names start with prefix.
int files_starting(const std::string& prefix) {
  int found = 0;
  if (DIR* dir = opendir(qvl_test::temp_dir().c_str())) {
    while (dirent* e = readdir(dir)) found += std::string(e->d_name).rfind(prefix, 0) == 0;
    closedir(dir);
  }
  return found;
}

double elapsed_ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

// Each movie runs in a child: libmpv, once loaded, stays in the process.
TEST(Movie, PlaysToItsEndScaledAndCentred) {
  auto r = qvl_test::run_in_child([] {
    std::string clip = write_clip(64, 32, 8);  // 0.8 s, twice as wide as high
    open_host(64, 64);
    // The player's few hundred libraries come with the first movie only.
    std::printf("before=%d ", libmpv_loaded());
    auto start = std::chrono::steady_clock::now();
    int rc = qvl_video_play_once(BasicString(clip.c_str()));
    double ms = elapsed_ms(start);
    std::printf("after=%d rc=%d slow=%d ", libmpv_loaded(), rc, ms > 500.0 ? 1 : 0);
    // The picture fills the width and sits in the middle: bars above and below.
    std::printf("centre=%d top=%d bottom=%d ", luma_at(32, 32) > 100, luma_at(32, 2) < 20,
                luma_at(32, 61) < 20);
    // The render state was handed back to the cache's rules.
    std::printf("cache=%d\n", qvl_gfx_state_cache.slots[GLCAP_BLEND] == 1);
  });
  EXPECT_EQ(r.out, "before=0 after=1 rc=0 slow=1 centre=1 top=1 bottom=1 cache=1\n") << r.err;
}

// Played from a memory block, as a movie from the archive is: the player
// gets a copy of its own, which is gone afterwards.
TEST(Movie, LoopedMovieEndsOnATypedCharacter) {
  auto r = qvl_test::run_in_child([] {
    std::string clip = qvl_test::read_file(write_clip(32, 32, 3));
    std::remove((qvl_test::temp_dir() + "clip.y4m").c_str());
    char name[kMemFileNameSize];
    if (!qvl_mem_file_register(clip.data(),
                               static_cast<uint32_t>(clip.size()), nullptr, name))
      std::_Exit(11);
    open_host(64, 64);
    qvl_input_manager->push_char('x');  // typed before the movie: discarded
    SDL_AddTimer(
        700,
        [](Uint32, void*) -> Uint32 {
          SDL_Event ev{};
          ev.type = SDL_TEXTINPUT;
          ev.text.windowID = SDL_GetWindowID(qvl_win_handle());
          ev.text.text[0] = 'a';
          SDL_PushEvent(&ev);
          return 0;
        },
        nullptr);
    auto start = std::chrono::steady_clock::now();
    int rc = qvl_video_play_looped(BasicString(name));
    double ms = elapsed_ms(start);
    std::printf("rc=%d after_key=%d copies_left=%d\n", rc, ms > 600.0 && ms < 5000.0 ? 1 : 0,
                files_starting("qvlmovie"));
  });
  EXPECT_EQ(r.out, "rc=0 after_key=1 copies_left=0\n") << r.err;
}

TEST(Movie, MissingFilesAndOverlongNamesGive3) {
  EXPECT_EQ(qvl_video_play_once(BasicString("no/such/movie.y4m")), 3);
  std::string long_name(2000, 'm');
  EXPECT_EQ(qvl_video_play_once(BasicString(long_name.c_str())), 3);
}

namespace {

// A 35-byte GIF declaring a 16000 x 16000 screen took 2.1 GB in the
// decoder and renderer before it played as a blank movie (8000 x 8000:
// 630 MB). The decoder refuses frames past 4096 x 4096 from the sizes the
// file declares: the movie gives 3 with the reason in the error log, within
// 400 MB, and a frame at the limit still plays.
TEST(Movie, FramesPastTheLimitAreRefusedFromTheirDeclaredSize) {
  struct Case {
    int width, height;
    int rc;
  } cases[] = {{16000, 16000, 3}, {4097, 4096, 3}, {4096, 4096, 0}};
  for (const Case& c : cases) {
    const std::string path = qvl_test::temp_dir() + "screen.gif";
    qvl_test::write_file(path, hostile::gif_declaring(static_cast<uint16_t>(c.width),
                                                      static_cast<uint16_t>(c.height)));
    const auto cost = qvl_test::measure_in_child([&path] {
      open_host(64, 64);
      std::printf("rc=%d\n", qvl_video_play_once(BasicString(path.c_str())));
    }, 1200, 60);
    const std::string what = std::to_string(c.width) + " x " + std::to_string(c.height);
    EXPECT_FALSE(cost.stopped) << what << ": " << cost.peak_mb << " MB";
    EXPECT_EQ(cost.result.out, "rc=" + std::to_string(c.rc) + "\n") << what << cost.result.err;
    // What a frame at the limit costs depends on the GL driver (280 MB on
    // llvmpipe, more under the sanitizers); a refusal costs next to nothing.
    if (c.rc == 3) {
      EXPECT_LT(cost.peak_mb, 400.0) << what;
    }
    const std::string log = qvl_test::error_log();
    EXPECT_EQ(log.find("libmpv: ") != std::string::npos, c.rc == 3) << what << ": " << log;
    std::remove(qvl_test::temp_path("ErrorLog.txt").c_str());
  }
}

}  // namespace
