// The synthesiser's parameters: the parameter string, the ranges, the
// default set and the random presets.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/isaac.h"
#include "core/number_text.h"
#include "core/string_commands.h"
#include "core/string_split.h"
#include "game/sfxr_synth.h"

namespace {

struct ParamField {
  double TSfxrSynth::*field;
  double low;  // the high end is always 1
};

constexpr ParamField kParams[TSfxrSynth::kParamCount] = {
    {&TSfxrSynth::attack, 0},          {&TSfxrSynth::sustain, 0},
    {&TSfxrSynth::punch, 0},           {&TSfxrSynth::decay, 0},
    {&TSfxrSynth::base_frequency, 0},  {&TSfxrSynth::frequency_limit, 0},
    {&TSfxrSynth::slide, -1},          {&TSfxrSynth::delta_slide, -1},
    {&TSfxrSynth::vibrato_depth, 0},   {&TSfxrSynth::vibrato_speed, 0},
    {&TSfxrSynth::arpeggio_amount, -1}, {&TSfxrSynth::arpeggio_speed, 0},
    {&TSfxrSynth::duty, 0},            {&TSfxrSynth::duty_sweep, -1},
    {&TSfxrSynth::repeat_speed, 0},    {&TSfxrSynth::phaser_offset, -1},
    {&TSfxrSynth::phaser_sweep, -1},   {&TSfxrSynth::lowpass_cutoff, 0},
    {&TSfxrSynth::lowpass_sweep, -1},  {&TSfxrSynth::lowpass_resonance, 0},
    {&TSfxrSynth::highpass_cutoff, 0}, {&TSfxrSynth::highpass_sweep, -1},
};

// A value into low..1; NaN becomes low.
double clamp_to(double v, double low) { return v > 1.0 ? 1.0 : v >= low ? v : low; }

// A fresh draw of 0 .. x in steps of x / 1000.
double r(double x) { return qvl_rnd_int(1000) * 0.001 * x; }
bool coin() { return qvl_rnd_int(1) != 0; }

}  // namespace

double& TSfxrSynth::param(int i) { return this->*kParams[i].field; }
double TSfxrSynth::param(int i) const { return this->*kParams[i].field; }

bool TSfxrSynth::parse_params(const BasicString& text) {
  BasicString s(text);
  if (s.length > 0 && s.text[0] == ',') {
    BasicString zero("0");
    zero.append(s);
    s = zero;
  }
  // Every empty field between two commas reads as 0 (the replacement's
  // search resumes inside the text it inserted, so ",,," becomes ",0,0,").
  s = qvl_str_replace_all(s, BasicString(",,"), BasicString(",0,"));
  if (s.length > 0 && s.text[s.length - 1] == ',') s.append_char('0');
  BasicArray<BasicString> fields;
  if (qvl_str_split(s, fields, BasicString(","), true) < kParamCount + 1) return false;
  wave_type = fields.data[0].to_int();
  for (int i = 0; i < kParamCount; ++i) param(i) = fields.data[i + 1].to_double();
  clamp_params();
  return true;
}

void TSfxrSynth::clamp_params() {
  if (wave_type > 3) wave_type = 0;
  if (sample_rate != 22050) sample_rate = 44100;
  if (bits != 8) bits = 16;
  volume = clamp_to(volume, 0);
  for (const ParamField& p : kParams) this->*p.field = clamp_to(this->*p.field, p.low);
}

BasicString TSfxrSynth::to_param_string() const {
  BasicString s;
  s.append_int(wave_type);
  for (int i = 0; i < kParamCount; ++i) {
    s.append_char(',');
    s.append_double(param(i));
  }
  return s;
}

void TSfxrSynth::set_defaults() {
  wave_type = 0;
  for (int i = 0; i < kParamCount; ++i) param(i) = 0;
  base_frequency = 0.3;
  sustain = 0.3;
  decay = 0.4;
  lowpass_cutoff = 1.0;
}

void TSfxrSynth::preset_pickup() {
  set_defaults();
  base_frequency = 0.4 + r(0.5);
  sustain = r(0.1);
  decay = 0.1 + r(0.4);
  punch = 0.3 + r(0.3);
  if (coin()) {
    arpeggio_speed = 0.5 + r(0.2);
    arpeggio_amount = 0.2 + r(0.4);
  }
}

void TSfxrSynth::preset_laser() {
  set_defaults();
  wave_type = qvl_rnd_int(3);
  if (wave_type == 2 && r(1) < 0.5) wave_type = int(r(2));
  base_frequency = 0.5 + r(0.5);
  frequency_limit = std::max(0.2, base_frequency - 0.2 - r(0.6));
  slide = -0.15 - r(0.2);
  if (qvl_rnd_int(2) == 0) {
    base_frequency = 0.3 + r(0.6);
    frequency_limit = r(0.1);
    slide = -0.35 - r(0.3);
  }
  if (coin()) {
    duty = r(0.5);
    duty_sweep = r(0.2);
  } else {
    duty = 0.4 + r(0.5);
    duty_sweep = -r(0.7);
  }
  sustain = 0.1 + r(0.2);
  decay = r(0.4);
  if (r(1) < 0.5) punch = r(0.3);
  if (qvl_rnd_int(2) == 0) {
    phaser_offset = r(0.2);
    phaser_sweep = -r(0.2);
  }
  if (coin()) highpass_cutoff = r(0.3);
}

void TSfxrSynth::preset_explosion() {
  set_defaults();
  wave_type = 3;
  if (coin()) {
    base_frequency = 0.1 + r(0.4);
    slide = -0.1 + r(0.4);
  } else {
    base_frequency = 0.2 + r(0.7);
    slide = -0.2 - r(0.2);
  }
  base_frequency *= base_frequency;
  if (r(1) < 0.2) slide = 0;
  if (r(1) < 0.33) repeat_speed = 0.3 + r(0.5);
  sustain = 0.1 + r(0.3);
  decay = r(0.5);
  punch = 0.2 + r(0.6);
  if (coin()) {
    phaser_offset = -0.3 + r(0.9);
    phaser_sweep = -r(0.3);
  }
  if (qvl_rnd_int(2) == 0) {
    arpeggio_speed = 0.6 + r(0.3);
    arpeggio_amount = 0.8 - r(1.6);
  }
}

void TSfxrSynth::preset_powerup() {
  set_defaults();
  if (r(1) < 0.5) {
    wave_type = 1;
  } else {
    duty = r(0.6);
  }
  if (r(1) < 0.5) {
    base_frequency = 0.2 + r(0.3);
    slide = 0.1 + r(0.4);
    repeat_speed = 0.4 + r(0.4);
  } else {
    base_frequency = 0.2 + r(0.3);
    slide = 0.05 + r(0.2);
    if (r(1) < 0.5) {
      vibrato_depth = r(0.7);
      vibrato_speed = r(0.6);
    }
  }
  sustain = r(0.4);
  decay = 0.1 + r(0.4);
}

void TSfxrSynth::preset_hit() {
  set_defaults();
  wave_type = qvl_rnd_int(3);
  if (wave_type == 2) wave_type = 3;
  if (wave_type == 0) duty = r(0.6);
  base_frequency = 0.2 + r(0.6);
  slide = -0.3 - r(0.4);
  sustain = r(0.1);
  decay = 0.1 + r(0.2);
  if (coin()) highpass_cutoff = r(0.3);
}

void TSfxrSynth::preset_jump() {
  set_defaults();
  wave_type = 0;
  duty = r(0.6);
  base_frequency = 0.3 + r(0.3);
  slide = 0.1 + r(0.2);
  sustain = 0.1 + r(0.3);
  decay = 0.1 + r(0.2);
  if (coin()) highpass_cutoff = r(0.3);
  if (coin()) lowpass_cutoff = 1.0 - r(0.6);
}

void TSfxrSynth::preset_blip() {
  set_defaults();
  wave_type = qvl_rnd_int(2);
  if (wave_type == 0) duty = r(0.6);
  base_frequency = 0.2 + r(0.4);
  sustain = 0.1 + r(0.1);
  decay = r(0.2);
  highpass_cutoff = 0.1;
}

int64_t sfxr_samples_at_most(const BasicString& params) {
  TSfxrSynth synth;
  if (!synth.parse_params(params)) return 0;
  synth.settle_envelope();
  return synth.samples_at_most();
}

bool sfxr_make_wave(const BasicString& params, std::vector<uint8_t>& wav) {
  TSfxrSynth synth;
  if (!synth.parse_params(params)) return false;
  synth.render_wave(wav);
  return true;
}

BasicString sfxr_preset_string(int kind) {
  TSfxrSynth synth;
  switch (kind) {
    case 0: synth.preset_pickup(); break;
    case 1: synth.preset_laser(); break;
    case 2: synth.preset_explosion(); break;
    case 3: synth.preset_powerup(); break;
    case 4: synth.preset_hit(); break;
    case 5: synth.preset_jump(); break;
    case 6: synth.preset_blip(); break;
    default: break;
  }
  return synth.to_param_string();
}
