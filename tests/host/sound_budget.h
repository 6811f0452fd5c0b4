// The longest sound of a format that the sound budget takes, for the tests
// at and past the budget.
#pragma once

#include <cstdint>

#include "host/sound_slots.h"
#include "platform/audio.h"

// Frames of the longest sound of this format within kSoundMaxBytes once
// converted; the sound device must be open.
inline int64_t longest_frames_within_budget(int rate, int bits, int channels) {
  const int frame = channels * bits / 8;
  auto size = [&](int64_t frames) {
    return plat_sound_size(uint32_t(frames * frame), rate, bits, channels);
  };
  int64_t frames = kSoundMaxBytes / 4 * rate / 22050;  // the device: 4 bytes a frame at 22,050 Hz
  while (size(frames + 1) <= kSoundMaxBytes) ++frames;
  while (size(frames) > kSoundMaxBytes) --frames;
  return frames;
}
