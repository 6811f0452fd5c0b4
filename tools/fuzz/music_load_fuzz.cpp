// libFuzzer target for music: any bytes as a memory file through the
// music's play, its WAVE chunk check and SDL_mixer's loaders (whatever the
// bytes look like to them: WAVE, AIFF, OGG, MP3, FLAC, MOD, MIDI), on SDL's
// dummy audio driver. Every input must open or be refused without a crash;
// one that opens is asked its length and position and closed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/mem_file.h"
#include "host/music.h"

// The commands around the music reach these; the target plays memory files,
// which need no resolving.
bool qvl_file_resolve(BasicString&) { return true; }
void qvl_log_error_file(const char*) {}
int qvl_call_pause_hook(int) { return 0; }
double qvl_sys_timer_ms() { return 0.0; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  char name[kMemFileNameSize];
  if (size == 0 || size > UINT32_MAX ||
      !qvl_mem_file_register(bytes.data(), uint32_t(size), nullptr, name))
    return 0;
  qvl_mus_play(BasicString(name), 0);
  qvl_mus_length_ms();
  qvl_mus_position_ms();
  qvl_mus_stop();
  qvl_mem_file_release(bytes.data());
  return 0;
}
