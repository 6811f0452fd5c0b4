// libFuzzer target for a WAVE through a sound slot's load: the reader, the
// slot's budget and SDL's conversion to the mixer's format (SDL's dummy
// audio driver, no device needed). Any bytes must load or be refused
// without a crash, whatever rate, depth or channels they declare, and a
// load must never take a block past the sound budget.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "files/mem_file.h"
#include "host/sound_slots.h"

// The commands around the slot reach these; the target calls the slot
// itself, and the slot's load raises no error.
void qvl_err_clear() {}
bool qvl_file_resolve(BasicString&) { return true; }
void qvl_log_error_file(const char*) {}

namespace {
SoundDevice device;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  device.open(nullptr);
  if (!device.ready) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A memory file, as the game's synthesised sounds arrive.
  std::vector<uint8_t> bytes(data, data + size);
  char name[kMemFileNameSize];
  if (size > UINT32_MAX || !qvl_mem_file_register(bytes.data(), uint32_t(size), nullptr, name))
    return 0;
  // A sound that loads is played once; one whose samples all convert away
  // (a single frame resampled) loads but has nothing to play, so the
  // result of the play is not asked for.
  SoundSlot slot;
  if (slot.load(&device, name, 2)) {
    if (slot.count != 2) std::abort();
    slot.play(0, 100, false);
  }
  slot.release();
  qvl_mem_file_release(bytes.data());
  return 0;
}
