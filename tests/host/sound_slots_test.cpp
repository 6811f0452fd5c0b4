#include "host/sound_slots.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/error_state.h"
#include "files/mem_file.h"
#include "tests/host/sound_budget.h"
#include "tests/host/wave_bytes.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"
#include "tools/hostile_files.h"

using namespace wave_bytes;

namespace {

std::string write_temp(const std::string& name, const Bytes& bytes) {
  std::string path = qvl_test::temp_dir() + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A sound of the given length at 22050 Hz, loaded into slot with copies.
void load_tone(int slot, int copies, int ms, int left = 16000, int right = 16000) {
  std::string path = write_temp("tone" + std::to_string(slot) + ".wav",
                                wave16_stereo(square16(22050 * ms / 1000, left, right)));
  qvl_snd_load(BasicString(path.c_str()), slot, copies);
  ASSERT_EQ(qvl_err_state.last_error, 0);
  ASSERT_EQ(qvl_snd_slots[slot].count, copies <= 0 ? 1 : copies > 4 ? 4 : copies);
}

class SoundSlots : public ::testing::Test {
 protected:
  void SetUp() override {
    qvl_snd_startup(nullptr);
    ASSERT_TRUE(qvl_snd_device->ready) << "no audio device (SDL_AUDIODRIVER=dummy expected)";
  }
  void TearDown() override { qvl_snd_shutdown(); }
};

}  // namespace

TEST(SoundVolume, HundredthsOfADecibel) {
  EXPECT_EQ(qvl_snd_volume_to_cb(100), 0);
  EXPECT_EQ(qvl_snd_volume_to_cb(50), -602);
  EXPECT_EQ(qvl_snd_volume_to_cb(1), -4000);
  EXPECT_EQ(qvl_snd_volume_to_cb(0), -10000);
  EXPECT_EQ(qvl_snd_volume_to_cb(-3), -10000);
}

TEST_F(SoundSlots, OneCopyCannotRestartWhilePlaying) {
  load_tone(10, 0, 2000);
  EXPECT_EQ(qvl_snd_play(10, 0, 1), 10 * 256);
  EXPECT_EQ(qvl_snd_is_playing(10 * 256), 1);
  EXPECT_EQ(qvl_snd_play(10, 0, 1), -1);
  qvl_snd_stop(10 * 256);
  EXPECT_EQ(qvl_snd_is_playing(10 * 256), 0);
  EXPECT_EQ(qvl_snd_play(10, 0, 1), 10 * 256);
}

TEST_F(SoundSlots, CopiesTakeTurnsAndCutTheOldestOff) {
  load_tone(4095, 3, 2000);
  EXPECT_EQ(qvl_snd_play(4095, 0, 1), 4095 * 256 + 0);
  EXPECT_EQ(qvl_snd_play(4095, 0, 1), 4095 * 256 + 1);
  EXPECT_EQ(qvl_snd_play(4095, 0, 1), 4095 * 256 + 2);
  // All three busy: the turn comes back to copy 0, which is cut off and restarted.
  EXPECT_EQ(qvl_snd_play(4095, 0, 1), 4095 * 256 + 0);
  for (int copy = 0; copy < 3; ++copy) EXPECT_EQ(qvl_snd_is_playing(4095 * 256 + copy), 1);
  // An idle current copy is taken again rather than the next one.
  qvl_snd_stop(4095 * 256 + 0);
  EXPECT_EQ(qvl_snd_play(4095, 0, 1), 4095 * 256 + 0);
  // A copy index beyond the count (255) stops the whole slot.
  qvl_snd_stop(4095 * 256 + 255);
  for (int copy = 0; copy < 3; ++copy) EXPECT_EQ(qvl_snd_is_playing(4095 * 256 + copy), 0);
}

TEST_F(SoundSlots, CopyCountsAreClampedAndFreeSlotsFoundFromTheTop) {
  load_tone(1, 7, 50);
  load_tone(2, -2, 50);
  EXPECT_EQ(qvl_snd_free_slot(), 4095);
  load_tone(4095, 1, 50);
  EXPECT_EQ(qvl_snd_free_slot(), 4094);
  // Loading again replaces the old copies.
  load_tone(1, 2, 50);
}

TEST_F(SoundSlots, SlotsOutsideTheTable) {
  qvl_err_clear();
  EXPECT_EQ(qvl_snd_play(4096, 0, 1), -1);
  EXPECT_EQ(qvl_err_state.last_error, 7);
  qvl_err_clear();
  EXPECT_EQ(qvl_snd_play(-1, 0, 1), -1);
  EXPECT_EQ(qvl_err_state.last_error, 7);
  qvl_err_clear();
  EXPECT_EQ(qvl_snd_is_playing(4096 * 256), 0);
  EXPECT_EQ(qvl_err_state.last_error, 7);
  qvl_err_clear();
  qvl_snd_stop(4096 * 256);
  EXPECT_EQ(qvl_err_state.last_error, 7);
  qvl_err_clear();
  qvl_snd_stop(-5);  // negative channels are ignored
  EXPECT_EQ(qvl_err_state.last_error, 0);
  qvl_snd_load(BasicString("x.wav"), 4096, 1);
  EXPECT_EQ(qvl_err_state.last_error, 7);
  // An empty slot plays nothing, without an error.
  qvl_err_clear();
  EXPECT_EQ(qvl_snd_play(0, 0, 1), -1);
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(qvl_snd_play(0, std::nan(""), std::nan("")), -1);
}

TEST_F(SoundSlots, BadFilesFailWithError3AndLeaveTheSlotEmpty) {
  Bytes fmt = chunk("fmt ", fmt_body(1, 22050, 16));
  Bytes lying = riff({fmt, chunk("data", Bytes(64, 0), 0xFFFFFFFFu)});
  qvl_snd_load(BasicString(write_temp("lying.wav", lying).c_str()), 5, 1);
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_EQ(qvl_snd_slots[5].count, 0);
  qvl_snd_load(BasicString("missing.wav"), 5, 1);
  EXPECT_EQ(qvl_err_state.last_error, 3);

  // In memory, a file that ends before its chunks must fail, not spin.
  static Bytes bare = riff({chunk("LIST", Bytes(4, 0))});
  char name[kMemFileNameSize];
  ASSERT_TRUE(qvl_mem_file_register(bare.data(), static_cast<uint32_t>(bare.size()), nullptr, name));
  qvl_snd_load(BasicString(name), 5, 1);
  EXPECT_EQ(qvl_err_state.last_error, 3);

  static Bytes good = wave16_stereo(square16(100, 1000, 1000));
  ASSERT_TRUE(qvl_mem_file_register(good.data(), static_cast<uint32_t>(good.size()), nullptr, name));
  qvl_snd_load(BasicString(name), 5, 1);
  EXPECT_EQ(qvl_err_state.last_error, 0);
  EXPECT_EQ(qvl_snd_slots[5].count, 1);
}

// A WAVE at a very low rate converts into many times its bytes (100 Hz
// 8-bit mono into 882 times them at the device's 22,050 Hz 16-bit stereo):
// a sound is refused before anything is allocated once its converted size
// passes 128 MB, with a line in the error log, and one just within loads.
TEST_F(SoundSlots, SoundsPastTheirBudgetOnceConvertedAreRefused) {
  // 8-bit mono: a frame is a byte.
  const auto fits = uint32_t(longest_frames_within_budget(100, 8, 1));
  for (const uint32_t bytes : {fits, fits + 1}) {
    const std::string path = qvl_test::temp_path("low.wav");
    qvl_test::write_file(path, hostile::wav_8bit_mono(100, bytes));
    qvl_snd_load(BasicString(path.c_str()), 6, 1);
    EXPECT_EQ(qvl_err_state.last_error, bytes == fits ? 0 : 3) << bytes;
    EXPECT_EQ(qvl_snd_slots[6].count, bytes == fits ? 1 : 0) << bytes;
    const std::string line = "Sound can't be loaded: it takes more than 134217728 bytes once "
                             "converted: " + path + "\n";
    EXPECT_EQ(qvl_test::error_log().find(line) != std::string::npos, bytes != fits) << bytes;
  }
}

// 600 KB of 100 Hz 8-bit mono passed SDL's int lengths and crashed in the
// conversion; 512 KB took 921 MB. Both are refused within 64 MB.
TEST(SoundSlotsCost, LowRateSoundsAreRefusedWithoutCrashOrGigabytes) {
  for (const uint32_t kb : {512u, 600u}) {
    const std::string path = qvl_test::temp_path("low.wav");
    qvl_test::write_file(path, hostile::wav_8bit_mono(100, kb << 10));
    const auto cost = qvl_test::measure_in_child([&path] {
      qvl_snd_startup(nullptr);
      qvl_snd_load(BasicString(path.c_str()), 1, 4);
      std::printf("%d %d\n", qvl_snd_device->ready ? 1 : 0, qvl_snd_slots[1].count);
      qvl_snd_shutdown();
    }, 600, 60);
    EXPECT_FALSE(cost.stopped) << kb << " KB: " << cost.peak_mb << " MB";
    EXPECT_EQ(cost.result.signal, 0) << kb << " KB";
    EXPECT_EQ(cost.result.out, "error: 3\n1 0\n") << kb << " KB";
    EXPECT_LT(cost.peak_mb, 64.0) << kb << " KB";
  }
}

TEST(SoundSlotsNoDevice, LoadsFailAndPlaysGiveMinusOne) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  qvl_snd_startup(nullptr);
  EXPECT_FALSE(qvl_snd_device->ready);
  std::string path = write_temp("t.wav", wave16_stereo(square16(100, 1, 1)));
  qvl_snd_load(BasicString(path.c_str()), 3, 1);
  EXPECT_EQ(qvl_err_state.last_error, 3);
  EXPECT_EQ(qvl_snd_play(3, 0, 1), -1);
  qvl_snd_shutdown();
  EXPECT_EQ(qvl_snd_slots, nullptr);
}

// What the mixer sent to SDL's disk driver: 16-bit stereo frames.
struct Peaks {
  int left = 0, right = 0;
};

Peaks play_to_disk(double pan, double volume) {
  std::string out = qvl_test::temp_dir() + "mixed.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  qvl_snd_startup(nullptr);
  EXPECT_TRUE(qvl_snd_device->ready);
  load_tone(7, 1, 300);
  int channel = qvl_snd_play(7, pan, volume);
  EXPECT_EQ(channel, 7 * 256);
  for (int i = 0; i < 300 && qvl_snd_is_playing(channel); ++i) sleep_ms(10);
  qvl_snd_shutdown();
  std::string raw = qvl_test::read_file(out);
  Peaks p;
  const auto* s = reinterpret_cast<const int16_t*>(raw.data());
  for (size_t i = 0; i + 1 < raw.size() / 2; i += 2) {
    p.left = std::max(p.left, std::abs(static_cast<int>(s[i])));
    p.right = std::max(p.right, std::abs(static_cast<int>(s[i + 1])));
  }
  return p;
}

TEST(SoundSlotsMixed, HalfVolumeIsSixDecibelsDown) {
  Peaks p = play_to_disk(0.0, 0.5);
  ASSERT_GT(p.left, 0);
  double db = 20.0 * std::log10(p.left / 16000.0);
  EXPECT_NEAR(db, -6.02, 0.05);
  EXPECT_EQ(p.left, p.right);
}

TEST(SoundSlotsMixed, PanOneSilencesTheLeftSide) {
  Peaks p = play_to_disk(1.0, 1.0);
  EXPECT_EQ(p.left, 0);
  EXPECT_EQ(p.right, 16000);
}
