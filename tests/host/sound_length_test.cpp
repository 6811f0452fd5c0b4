// What a sound costs once converted: the pieces of the conversion join into
// what one conversion of the whole gives, honest sounds of any length up to
// the budget load and play, and their peak memory stays near their
// converted size.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/error_state.h"
#include "host/sound_slots.h"
#include "platform/audio.h"
#include "tests/host/sound_budget.h"
#include "tests/support/child_process.h"
#include "tools/hostile_files.h"
#include "tests/support/test_files.h"

namespace {

// Interleaved PCM of a tone with a little noise on it, in the file's format.
std::vector<uint8_t> tone(int64_t frames, int rate, int bits, int channels, uint32_t seed = 1) {
  std::vector<uint8_t> pcm;
  pcm.reserve(size_t(frames * channels * bits / 8));
  for (int64_t i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      seed = seed * 1664525u + 1013904223u;
      const double v = 0.6 * std::sin(2 * M_PI * (440.0 + 110 * c) * double(i) / rate) +
                       0.1 * (int(seed >> 16) / 32768.0 - 1.0);
      if (bits == 8) {
        pcm.push_back(uint8_t(128 + std::lround(v * 127)));
      } else {
        const auto s = uint16_t(int16_t(std::lround(v * 32767)));
        pcm.push_back(uint8_t(s & 0xFF));
        pcm.push_back(uint8_t(s >> 8));
      }
    }
  }
  return pcm;
}

// SDL's conversion of the whole block at once, what a loader that held the
// file whole would make.
std::vector<uint8_t> converted_whole(const std::vector<uint8_t>& pcm, int rate, int bits,
                                     int channels) {
  SDL_AudioCVT cvt;
  EXPECT_GE(SDL_BuildAudioCVT(&cvt, bits == 8 ? AUDIO_U8 : AUDIO_S16LSB, Uint8(channels), rate,
                              AUDIO_S16SYS, 2, 22050),
            0);
  std::vector<uint8_t> block(pcm.size() * size_t(cvt.len_mult));
  std::copy(pcm.begin(), pcm.end(), block.begin());
  cvt.buf = block.data();
  cvt.len = int(pcm.size());
  if (cvt.needed) {
    EXPECT_EQ(SDL_ConvertAudio(&cvt), 0);
  }
  block.resize(size_t(cvt.needed ? cvt.len_cvt : cvt.len));
  return block;
}

struct Format {
  int rate, bits, channels;
};
void PrintTo(const Format& f, std::ostream* out) {
  *out << f.rate << " Hz " << f.bits << "-bit " << (f.channels == 2 ? "stereo" : "mono");
}

class SoundPieces : public ::testing::TestWithParam<Format> {
 protected:
  void SetUp() override { ASSERT_TRUE(plat_audio_open(nullptr)) << "SDL_AUDIODRIVER=dummy expected"; }
  void TearDown() override { plat_audio_close(); }
};

}  // namespace

// The sound is fed in reads of an odd size, as a loader's reads fall, and
// long enough for several pieces (each takes about 4 MB of SDL's working
// room).
TEST_P(SoundPieces, JoinIntoTheConversionOfTheWhole) {
  const Format f = GetParam();
  SDL_AudioCVT cvt;
  ASSERT_GE(SDL_BuildAudioCVT(&cvt, f.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB, Uint8(f.channels),
                              f.rate, AUDIO_S16SYS, 2, 22050),
            0);
  const int frame = f.channels * f.bits / 8;
  // A sound SDL need not convert is copied whole-frame by whole-frame.
  const int64_t frames =
      std::min<int64_t>(3 * (int64_t{4} << 20) / (frame * std::max(1, cvt.len_mult)), 1 << 20) + 777;
  const std::vector<uint8_t> pcm = tone(frames, f.rate, f.bits, f.channels);
  const std::vector<uint8_t> whole = converted_whole(pcm, f.rate, f.bits, f.channels);

  const auto bytes = uint32_t(pcm.size());
  EXPECT_EQ(plat_sound_size(bytes, f.rate, f.bits, f.channels), int64_t(whole.size()));
  PlatSound* sound = plat_sound_alloc(bytes, f.rate, f.bits, f.channels);
  ASSERT_NE(sound, nullptr);
  const uint32_t read = 12345u * uint32_t(frame);
  for (uint32_t at = 0; at < bytes; at += read)
    ASSERT_TRUE(plat_sound_feed(sound, pcm.data() + at, std::min(read, bytes - at)));
  ASSERT_TRUE(plat_sound_commit(sound));
  ASSERT_EQ(plat_sound_bytes(sound), whole.size());
  const auto* got = reinterpret_cast<const int16_t*>(plat_sound_samples(sound));
  const auto* want = reinterpret_cast<const int16_t*>(whole.data());
  int worst = 0;
  size_t where = 0;
  for (size_t i = 0; i < whole.size() / 2; ++i) {
    const int d = std::abs(int(got[i]) - int(want[i]));
    if (d > worst) worst = d, where = i;
  }
  EXPECT_LE(worst, 1) << "at sample " << where << " of " << whole.size() / 2;
  plat_sound_free(sound);
}

INSTANTIATE_TEST_SUITE_P(Rates, SoundPieces,
                         ::testing::Values(Format{22050, 16, 2}, Format{22050, 8, 1},
                                           Format{44100, 16, 2}, Format{48000, 16, 2},
                                           Format{11025, 8, 1}, Format{8000, 16, 1},
                                           Format{100, 8, 1}, Format{96000, 16, 2},
                                           Format{22051, 16, 1}, Format{200000, 8, 2}),
                         [](const ::testing::TestParamInfo<Format>& info) {
                           const Format& f = info.param;
                           return std::to_string(f.rate) + "Hz_" + std::to_string(f.bits) +
                                  "bit_" + (f.channels == 2 ? "stereo" : "mono");
                         });

namespace {

// Writes a WAVE of `frames` frames of a one-second tone over and over,
// without holding more than that second in memory.
void write_long_wave(const std::string& path, int64_t frames, const Format& f) {
  const int frame = f.channels * f.bits / 8;
  const auto data = uint32_t(frames * frame);
  const std::string header = hostile::wav_header(uint32_t(f.rate), f.bits, f.channels, data);
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(header.data(), 1, header.size(), file);
  const std::vector<uint8_t> second = tone(f.rate, f.rate, f.bits, f.channels);
  for (int64_t left = data; left > 0; left -= int64_t(second.size()))
    std::fwrite(second.data(), 1, size_t(std::min<int64_t>(left, int64_t(second.size()))), file);
  std::fclose(file);
}

struct Length {
  const char* name;
  Format format;
  double seconds;  // < 0: the longest the budget takes, and one frame more
};

void PrintTo(const Length& length, std::ostream* out) { *out << length.name; }

class SoundLengths : public ::testing::TestWithParam<Length> {};


}  // namespace

// Each loads in a child process, whose peak memory is measured: it plays
// at once, holds its whole converted length, and takes little more than
// that. The longest the budget takes loads too; one frame more is refused.
TEST_P(SoundLengths, LoadAndPlayNearTheirConvertedSize) {
  const Length length = GetParam();
  const Format f = length.format;
  const int frame = f.channels * f.bits / 8;
  ASSERT_TRUE(plat_audio_open(nullptr)) << "SDL_AUDIODRIVER=dummy expected";
  const int64_t longest = longest_frames_within_budget(f.rate, f.bits, f.channels);
  const std::vector<int64_t> lengths = length.seconds < 0
                                           ? std::vector<int64_t>{longest, longest + 1}
                                           : std::vector<int64_t>{int64_t(length.seconds * f.rate)};
  std::vector<int64_t> sizes;
  for (const int64_t frames : lengths)
    sizes.push_back(plat_sound_size(uint32_t(frames * frame), f.rate, f.bits, f.channels));
  plat_audio_close();
  for (size_t k = 0; k < lengths.size(); ++k) {
    const int64_t frames = lengths[k], converted = sizes[k];
    const std::string path = qvl_test::temp_path("long.wav");
    write_long_wave(path, frames, f);
    const bool fits = frames <= longest;
    const auto cost = qvl_test::measure_in_child(
        [&] {
          qvl_snd_startup(nullptr);
          qvl_snd_load(BasicString(path.c_str()), 1, 4);
          const int error = qvl_err_state.last_error;
          const int channel = qvl_snd_slots[1].count > 0 ? qvl_snd_play(1, 0, 1) : -1;
          std::printf("%d %d %d %d %u\n", error, qvl_snd_slots[1].count, channel,
                      channel >= 0 ? qvl_snd_is_playing(channel) : 0,
                      plat_sound_bytes(qvl_snd_slots[1].samples));
          qvl_snd_shutdown();
        },
        1024, 60);
    ASSERT_FALSE(cost.stopped) << length.name << ": " << cost.peak_mb << " MB";
    EXPECT_EQ(cost.result.signal, 0) << length.name;
    const std::string expected =
        fits ? "0 4 256 1 " + std::to_string(converted) + "\n" : "error: 3\n3 0 -1 0 0\n";
    EXPECT_EQ(cost.result.out, expected) << length.name << ", " << frames << " frames";
    const double converted_mb = fits ? converted / 1048576.0 : 0.0;
    EXPECT_LT(cost.peak_mb, converted_mb + 64) << length.name << ", " << frames << " frames";
    EXPECT_LT(cost.peak_mb, 350) << length.name;
    std::printf("%s, %lld frames: %.1f MB converted, %.1f MB peak, %.2f s\n", length.name,
                static_cast<long long>(frames), converted_mb, cost.peak_mb, cost.cpu_seconds);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Honest, SoundLengths,
    ::testing::Values(Length{"TenMinutes44100Stereo", {44100, 16, 2}, 600},
                      Length{"ThreeMinutes44100Stereo", {44100, 16, 2}, 180},
                      Length{"NinetySeconds48000Stereo", {48000, 16, 2}, 90},
                      Length{"TenMinutes22050Mono8", {22050, 8, 1}, 600},
                      Length{"LongestAt8000Mono8", {8000, 8, 1}, -1}),
    [](const ::testing::TestParamInfo<Length>& info) { return std::string(info.param.name); });
