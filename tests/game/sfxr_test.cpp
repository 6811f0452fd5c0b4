// The sound-effect synthesiser: parameter strings, the WAVE it renders, the
// presets and the settings file.
#include "game/sfxr_synth.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/isaac.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

const char* kDefault = "0,0,0.3,0,0.4,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0";

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
int16_t sample16(const std::vector<uint8_t>& b, int i) { return int16_t(u16(b, 44 + 2 * size_t(i))); }

TEST(SfxrParams, RepairAndAcceptance) {
  struct Case {
    const char* text;
    bool accepted;
    int wave;
    double sustain;   // parameter 2
    double hp_sweep;  // parameter 22, the last
  } cases[] = {
      {kDefault, true, 0, 0.3, 0},
      {"0,0,0.3,0,0.4,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0", false, 0, 0, 0},  // 22 fields
      {"2,0,0.5,0,0.4,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,-0.5,7,8", true, 2, 0.5, -0.5},
      // A leading "," gains a 0 in front, a trailing one a 0 behind.
      {",0,0.5,0,0.4,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,", true, 0, 0.5, 0},
      // Empty fields read as 0, also three commas in a row.
      {"1,0,,0,0.4,0.3,0,0,0,0,0,0,0,0,0,0,0,,,0,0,0,0.25", true, 1, 0, 0.25},
      // Out of range: the wave type 7 becomes 0, values are clamped.
      {"7,0,3,0,0.4,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,-9", true, 0, 1, -1},
      {"-1,0,0.2,0,0.4,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0", true, -1, 0.2, 0},
      {"junk,0,0.2,x,0.4,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0", true, 0, 0.2, 0},
      {"", false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TSfxrSynth s;
    s.sustain = 0.125;  // unchanged by a refused string
    EXPECT_EQ(s.parse_params(BasicString(c.text)), c.accepted) << c.text;
    if (!c.accepted) {
      EXPECT_EQ(s.sustain, 0.125) << c.text;
      continue;
    }
    EXPECT_EQ(s.wave_type, c.wave) << c.text;
    EXPECT_DOUBLE_EQ(s.sustain, c.sustain) << c.text;
    EXPECT_DOUBLE_EQ(s.highpass_sweep, c.hp_sweep) << c.text;
  }
}

TEST(SfxrParams, StringRoundTripAndRenderingSettings) {
  TSfxrSynth s;
  ASSERT_TRUE(s.parse_params(BasicString("3,0.1,0.2,0.3,0.4,0.5,0.25,-0.5,0.75,0,0,1,0,0,0,0,0,0,1,0,0,0,0")));
  EXPECT_STREQ(s.to_param_string().c_str(),
               "3,0.1,0.2,0.3,0.4,0.5,0.25,-0.5,0.75,0,0,1,0,0,0,0,0,0,1,0,0,0,0");
  s.sample_rate = 48000;
  s.bits = 24;
  s.volume = 2;
  s.clamp_params();
  EXPECT_EQ(s.sample_rate, 44100);
  EXPECT_EQ(s.bits, 16);
  EXPECT_EQ(s.volume, 1);
}

TEST(SfxrWave, DefaultStringRendersItsEnvelopeInBlocksOf256) {
  std::vector<uint8_t> wav;
  ASSERT_TRUE(sfxr_make_wave(BasicString(kDefault), wav));
  // Sustain 0.3 and decay 0.4: 9000 and 16010 samples, one sample leaving
  // the empty attack, 9001 of sustain, 16011 of decay and the one that ends
  // the sound: 25014 samples, written as 98 blocks of 256.
  const uint32_t samples = 98 * 256, data = samples * 2;
  ASSERT_EQ(wav.size(), 44 + data);
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(u32(wav, 4), data + 36);
  EXPECT_EQ(std::string(wav.begin() + 8, wav.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(u32(wav, 16), 16u);
  EXPECT_EQ(u16(wav, 20), 1);
  EXPECT_EQ(u16(wav, 22), 1);
  EXPECT_EQ(u32(wav, 24), 44100u);
  EXPECT_EQ(u32(wav, 28), 88200u);
  EXPECT_EQ(u16(wav, 32), 2);
  EXPECT_EQ(u16(wav, 34), 16);
  EXPECT_EQ(std::string(wav.begin() + 36, wav.begin() + 40), "data");
  EXPECT_EQ(u32(wav, 40), data);
  // A square wave of period 1098 sub-samples at half duty: the first
  // sample is +0.5 at full volume, sample 69 straddles the edge.
  EXPECT_EQ(sample16(wav, 0), 16383);
  EXPECT_EQ(sample16(wav, 68), 0);
  EXPECT_EQ(sample16(wav, 69), -16383);
  EXPECT_NE(sample16(wav, 20000), 0);  // in the decay
  for (uint32_t i = 25014; i < samples; ++i) ASSERT_EQ(sample16(wav, int(i)), 0) << i;
}

TEST(SfxrWave, HalfRateAndEightBits) {
  TSfxrSynth s;
  ASSERT_TRUE(s.parse_params(BasicString(kDefault)));
  s.sample_rate = 22050;
  s.bits = 8;
  std::vector<uint8_t> wav;
  s.render_wave(wav);
  const uint32_t data = 98 * 256 / 2;  // every output sample averages two
  ASSERT_EQ(wav.size(), 44 + data);
  EXPECT_EQ(u32(wav, 24), 22050u);
  EXPECT_EQ(u32(wav, 28), 22050u);
  EXPECT_EQ(u16(wav, 32), 1);
  EXPECT_EQ(u16(wav, 34), 8);
  EXPECT_EQ(u32(wav, 40), data);
  EXPECT_EQ(wav[44], uint8_t(int(0.5 * 127 + 128)));
  EXPECT_EQ(wav.back(), 128);  // silence
}

// A short sustain is raised and a short envelope stretched to 0.18.
TEST(SfxrWave, ShortEnvelopesAreStretched) {
  TSfxrSynth s;
  ASSERT_TRUE(s.parse_params(BasicString("0,0,0,0,0.1,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0")));
  s.reset(true);
  EXPECT_DOUBLE_EQ(s.attack, 0);
  EXPECT_DOUBLE_EQ(s.sustain, 0.01 * 0.18 / 0.11);
  EXPECT_DOUBLE_EQ(s.decay, 0.1 * 0.18 / 0.11);
  // A frequency limit ends the sound where the slide passes it.
  std::vector<uint8_t> wav;
  ASSERT_TRUE(sfxr_make_wave(BasicString("0,0,1,0,1,0.5,0.4,-0.5,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0"), wav));
  EXPECT_LT(wav.size(), 44u + 2 * 20000);
}

// Every wave type, filters, phaser, vibrato, arpeggio and repeat at their
// extremes stay in range and end.
TEST(SfxrWave, ExtremesStayInRange) {
  const char* strings[] = {
      "3,0.2,0.2,1,0.2,1,0,1,1,1,1,1,0,1,1,1,1,1,0,1,1,1,1",
      "2,0,0.3,1,0.3,0,1,-1,-1,1,1,-1,1,0,-1,0.01,-1,-1,0.01,-1,1,1,-1",
      "1,0,0.05,0,0.05,0.01,0,0,0,0,0,0,0,1,1,0,0,0,0.1,1,1,0.5,1",
  };
  for (const char* text : strings) {
    std::vector<uint8_t> wav;
    ASSERT_TRUE(sfxr_make_wave(BasicString(text), wav)) << text;
    EXPECT_EQ((wav.size() - 44) % 512, 0u) << text;
    EXPECT_LE(wav.size(), 44u + 2 * (300010 + 512)) << text;
  }
}

// What a string costs is known without synthesising it: exactly the
// samples it renders when its envelope ends it (envelopes of every length
// mod 256 among them), at least as many when a frequency limit ends it
// first, 0 for a refused string; and the random generator is not touched.
TEST(SfxrWave, SamplesAtMostWithoutSynthesis) {
  auto rendered = [](const std::string& text) {
    std::vector<uint8_t> wav;
    EXPECT_TRUE(sfxr_make_wave(BasicString(text.c_str()), wav)) << text;
    return int64_t(wav.size() - 44) / 2;
  };
  auto sound = [](double attack, double sustain, double decay) {
    char text[160];
    std::snprintf(text, sizeof text, "1,%.12f,%.12f,0,%.12f,0.3,0,0,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0",
                  attack, sustain, decay);
    return std::string(text);
  };
  std::vector<std::string> texts;
  // Attack 0 to 0.1, sustain from 0 (raised to 0.01) and decay to 0.2.
  for (int k = 0; k < 40; ++k) texts.push_back(sound(k * 0.0025, k % 7 * 0.011, k * 0.005));
  // Sustain 10 samples and decay 3048 + 10 to 3050 + 10: one sample short
  // of 12 whole blocks, exactly 12, and one sample into a 13th.
  for (int extra : {-1, 0, 1}) texts.push_back(sound(0, 0, std::sqrt((3049.5 + extra) / 100000.0)));
  for (const std::string& text : texts)
    EXPECT_EQ(sfxr_samples_at_most(BasicString(text.c_str())), rendered(text)) << text;
  EXPECT_EQ(rendered(texts[40]), 12 * 256);
  EXPECT_EQ(rendered(texts[41]), 12 * 256);
  EXPECT_EQ(rendered(texts[42]), 13 * 256);
  const std::string limited = "0,0,1,0,1,0.5,0.4,-0.5,0,0,0,0,0,0,0,0,0,0,1,0,0,0,0";
  EXPECT_GT(sfxr_samples_at_most(BasicString(limited.c_str())), rendered(limited));
  qvl_rnd_seed(7);
  const int next = qvl_rnd_int(1000000);
  qvl_rnd_seed(7);
  EXPECT_EQ(sfxr_samples_at_most(BasicString("3,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1")), 300032);
  EXPECT_EQ(qvl_rnd_int(1000000), next);
  EXPECT_EQ(sfxr_samples_at_most(BasicString("0,1,2")), 0);
}

TEST(SfxrPresets, SeededPresetsAreRepeatableAndInRange) {
  for (int kind = 0; kind <= 7; ++kind) {
    qvl_rnd_seed(99);
    const BasicString a = sfxr_preset_string(kind);
    qvl_rnd_seed(99);
    EXPECT_STREQ(a.c_str(), sfxr_preset_string(kind).c_str()) << kind;
    TSfxrSynth s;
    ASSERT_TRUE(s.parse_params(a)) << a.c_str();
    EXPECT_STREQ(s.to_param_string().c_str(), a.c_str()) << "already in range: " << kind;
  }
  // The blip's high-pass cutoff is fixed; a kind outside 0 to 6 is all 0.
  TSfxrSynth blip;
  ASSERT_TRUE(blip.parse_params(sfxr_preset_string(6)));
  EXPECT_DOUBLE_EQ(blip.highpass_cutoff, 0.1);
  EXPECT_STREQ(sfxr_preset_string(7).c_str(), "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
  // The explosion is noise with a squared base frequency.
  TSfxrSynth boom;
  ASSERT_TRUE(boom.parse_params(sfxr_preset_string(2)));
  EXPECT_EQ(boom.wave_type, 3);
  EXPECT_LE(boom.base_frequency, 0.81);
}

TEST(SfxrFiles, SettingsFileAndWaveFile) {
  const std::string dir = qvl_test::temp_dir();
  ASSERT_EQ(chdir(dir.c_str()), 0);
  // version, wave type, 14 floats, the filter byte, 10 floats.
  std::string bytes;
  auto i32 = [&](int32_t v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
  auto f32 = [&](float v) { bytes.append(reinterpret_cast<const char*>(&v), 4); };
  i32(102);
  i32(2);
  // volume, base, limit, slide, delta slide, duty, duty sweep, vibrato depth,
  // speed, delay, attack, sustain, decay, punch
  for (float v : {0.5f, 0.25f, 0.125f, -0.5f, 0.0f, 0.75f, 0.0f, 0.0f, 0.0f, 0.9f, 0.0f, 0.5f,
                  0.375f, 0.0f})
    f32(v);
  bytes.push_back(1);
  // low-pass resonance, cutoff, sweep, high-pass cutoff, sweep, phaser offset,
  // sweep, repeat, arpeggio speed, amount
  for (float v : {0.0f, 1.0f, 0.0f, 0.25f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, -0.5f}) f32(v);
  ASSERT_EQ(bytes.size(), 105u);
  qvl_test::write_file(dir + "sound.sfs", bytes);
  TSfxrSynth s;
  EXPECT_STREQ(s.load_settings_file(BasicString("sound.sfs")).c_str(),
               "2,0,0.5,0,0.375,0.25,0.125,-0.5,0,0,0,-0.5,0,0.75,0,0,0,0,1,0,0,0.25,0");
  qvl_test::write_file(dir + "short.sfs", bytes.substr(0, 104));
  EXPECT_STREQ(s.load_settings_file(BasicString("short.sfs")).c_str(), "");
  EXPECT_STREQ(s.load_settings_file(BasicString("missing.sfs")).c_str(), "");

  ASSERT_TRUE(sfxr_make_wave_file(BasicString(kDefault), BasicString("out.wav")));
  std::vector<uint8_t> wav;
  ASSERT_TRUE(sfxr_make_wave(BasicString(kDefault), wav));
  EXPECT_EQ(qvl_test::read_file(dir + "out.wav"), std::string(wav.begin(), wav.end()));
  EXPECT_FALSE(sfxr_make_wave_file(BasicString("1,2"), BasicString("refused.wav")));
  EXPECT_EQ(qvl_test::read_file(dir + "refused.wav"), "");
}

}  // namespace
