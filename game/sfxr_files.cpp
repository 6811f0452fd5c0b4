// The synthesiser and files: rendering into a WAVE file, and the binary
// settings file of the published sfxr tool.
#include <cstdint>
#include <cstring>
#include <vector>

#include "files/file_channel.h"
#include "files/file_resolve.h"
#include "game/sfxr_synth.h"
#include "platform/file_io.h"

namespace {

// The settings file: version, wave type, then these floats, a signed
// filter byte after the 14th, and ten more floats.
constexpr int kSettingsBytes = 4 + 4 + 14 * 4 + 1 + 10 * 4;

float float_at(const uint8_t* p) {
  uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                  uint32_t(p[3]) << 24;
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

}  // namespace

bool TSfxrSynth::write_wave(const BasicString& file_name) {
  std::vector<uint8_t> wav;
  render_wave(wav);
  PlatReplace replace;
  if (!plat_replace_begin(file_name.c_str(), replace)) return false;
  if (!plat_file_write(replace.file, wav.data(), wav.size())) {
    plat_replace_abandon(replace);
    return false;
  }
  return plat_replace_commit(replace);
}

BasicString TSfxrSynth::load_settings_file(const BasicString& file_name) const {
  BasicString name(file_name);
  FileChannel file;
  uint8_t b[kSettingsBytes];
  if (!qvl_file_resolve(name) || !file.open_read(name.c_str())) return BasicString();
  const bool whole = file.size >= kSettingsBytes && file.read(b, kSettingsBytes);
  file.close();
  if (!whole) return BasicString();
  // Floats in the file's order, the filter byte (offset 64) skipped.
  auto f = [&b](int k) { return double(float_at(b + 8 + 4 * k + (k >= 14 ? 1 : 0))); };
  enum { kVolume, kBase, kLimit, kSlide, kDeltaSlide, kDuty, kDutySweep, kVibDepth,
         kVibSpeed, kVibDelay, kAttack, kSustain, kDecay, kPunch, kLpResonance, kLpCutoff,
         kLpSweep, kHpCutoff, kHpSweep, kPhaserOffset, kPhaserSweep, kRepeat, kArpSpeed,
         kArpAmount };
  const int order[kParamCount] = {kAttack, kSustain, kPunch, kDecay, kBase, kLimit,
                                  kSlide, kDeltaSlide, kVibDepth, kVibSpeed, kArpAmount,
                                  kArpSpeed, kDuty, kDutySweep, kRepeat, kPhaserOffset,
                                  kPhaserSweep, kLpCutoff, kLpSweep, kLpResonance, kHpCutoff,
                                  kHpSweep};
  const int wave = int(uint32_t(b[4]) | uint32_t(b[5]) << 8 | uint32_t(b[6]) << 16 |
                       uint32_t(b[7]) << 24);
  BasicString s;
  s.append_int(wave);
  for (int k : order) {
    s.append_char(',');
    s.append_double(f(k));
  }
  return s;
}

bool sfxr_make_wave_file(const BasicString& params, const BasicString& file_name) {
  TSfxrSynth synth;
  return synth.parse_params(params) && synth.write_wave(file_name);
}
