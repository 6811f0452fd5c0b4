// The sound-effect synthesiser: the game file keeps every sound as a short
// parameter string, which this renders at load time into a mono PCM WAVE.
//
// The synthesis is the published sfxr algorithm: an oscillator (square,
// sawtooth, sine or noise) with pitch slide, vibrato and a one-time pitch
// jump, an attack / sustain / decay envelope with punch, low-pass and
// high-pass filters and a phaser, eight sub-samples per output sample.
//
// Parameter string: the wave type and 22 reals, comma-separated, in the
// order of the fields below (attack ... highpass_sweep).
#pragma once

#include <cstdint>
#include <vector>

#include "core/basic_array.h"
#include "core/basic_string.h"

struct TSfxrSynth {
  int32_t wave_type = 0;  // 0 square, 1 sawtooth, 2 sine, 3 noise
  int32_t sample_rate = 44100;  // or 22050
  int32_t bits = 16;            // or 8
  double volume = 0.5;  // kept and clamped; the output does not use it

  // The 22 parameters, in parameter-string order, with their ranges.
  double attack = 0;           // 0..1
  double sustain = 0;          // 0..1
  double punch = 0;            // 0..1
  double decay = 0;            // 0..1
  double base_frequency = 0;   // 0..1
  double frequency_limit = 0;  // 0..1
  double slide = 0;            // -1..1
  double delta_slide = 0;      // -1..1
  double vibrato_depth = 0;    // 0..1
  double vibrato_speed = 0;    // 0..1
  double arpeggio_amount = 0;  // -1..1
  double arpeggio_speed = 0;   // 0..1
  double duty = 0;             // 0..1
  double duty_sweep = 0;       // -1..1
  double repeat_speed = 0;     // 0..1
  double phaser_offset = 0;    // -1..1
  double phaser_sweep = 0;     // -1..1
  double lowpass_cutoff = 0;   // 0..1
  double lowpass_sweep = 0;    // -1..1
  double lowpass_resonance = 0;  // 0..1
  double highpass_cutoff = 0;  // 0..1
  double highpass_sweep = 0;   // -1..1

  // Synthesis state.
  int32_t finished = 0;
  double envelope_volume = 0;
  int32_t envelope_stage = 0;  // 0 attack, 1 sustain, 2 decay, 3 ended
  double envelope_time = 0;
  double envelope_length = 0;
  double envelope_lengths[3] = {0, 0, 0};
  double envelope_inverses[3] = {0, 0, 0};
  double envelope_full_length = 0;
  int32_t phase = 0;  // sub-samples into the period
  double period_position = 0;
  double period = 0;
  double period_now = 0;
  double max_period = 0;
  double slide_factor = 0;
  double delta_slide_step = 0;
  double vibrato_phase = 0;  // radians
  double vibrato_step = 0;
  double vibrato_amplitude = 0;
  double arpeggio_factor = 0;
  int32_t arpeggio_time = 0;
  int32_t arpeggio_limit = 0;
  double duty_now = 0;
  double duty_step = 0;
  int32_t repeat_time = 0;
  int32_t repeat_limit = 0;
  int32_t phaser_on = 0;
  double phaser_position = 0;
  double phaser_delta = 0;
  int32_t phaser_tap = 0;
  int32_t phaser_index = 0;
  BasicArray<double> phaser_buffer;  // 1024, dimensioned by the first total reset
  int32_t filters_on = 0;
  double lowpass_pos = 0;
  double lowpass_old_pos = 0;
  double lowpass_delta_pos = 0;
  double lowpass_coeff = 0;
  double lowpass_coeff_factor = 0;
  double lowpass_damping = 0;
  double highpass_pos = 0;
  double highpass_coeff = 0;
  double highpass_coeff_factor = 0;
  BasicArray<double> noise_buffer;  // 32
  double supersample = 0;
  double oscillator_sample = 0;
  int32_t output_count = 0;
  double output_sum = 0;
  int32_t noise_cursor = 256;  // next unused result of the generator's pass

  static constexpr int kParamCount = 22;
  static constexpr int kPhaserSize = 1024;
  static constexpr int kNoiseSize = 32;

  // Parameter i (0 to 21) in parameter-string order.
  double& param(int i);
  double param(int i) const;

  // Fills wave_type and the parameters from a parameter string and clamps
  // them; false, with nothing changed, for fewer than 23 fields. An empty
  // field reads as 0; fields beyond the 23rd are ignored.
  bool parse_params(const BasicString& text);
  // wave_type above 3 becomes 0 (a negative one is kept: it synthesises
  // silence); sample_rate other than 22050 becomes 44100, bits other than 8
  // become 16; volume and every parameter are clamped to their ranges.
  void clamp_params();
  // The wave type and the 22 parameters in the runtime's number text.
  BasicString to_param_string() const;

  // The default set: square wave, base frequency 0.3, sustain 0.3, decay
  // 0.4, low-pass cutoff 1, all else 0 (rate, bits and volume unchanged).
  void set_defaults();
  // Random presets (the runtime's random generator), kinds 0 to 6.
  void preset_pickup();
  void preset_laser();
  void preset_explosion();
  void preset_powerup();
  void preset_hit();
  void preset_jump();
  void preset_blip();

  void restart_pitch();
  // total false is restart_pitch alone; total true also settles the
  // envelope and restarts the envelope, filters, phaser, noise and repeat.
  void reset(bool total);
  // Raises a short sustain to 0.01 and stretches an envelope shorter than
  // 0.18 (in the parameters), as a total reset does first.
  void settle_envelope();
  // With the envelope settled: the samples render_wave gives at most, the
  // envelope's length in whole blocks of 256 (a frequency limit may end the
  // sound sooner). Nothing is synthesised.
  int samples_at_most() const;

  // Synthesises n output samples and appends them to out (16-bit little-
  // endian or 8-bit unsigned); the end of the envelope does not stop it.
  void synth_samples(std::vector<uint8_t>& out, int n);
  // The whole sound as a WAVE file image: the sample count is that of the
  // envelope (or of the frequency limit) rounded up to whole blocks of 256,
  // the tail after its end silent.
  void render_wave(std::vector<uint8_t>& wav);
  // render_wave into a file, which replaces the old one only when written
  // whole; false when it cannot be written.
  bool write_wave(const BasicString& file_name);

  // Reads a binary settings file of the published sfxr tool and returns it
  // as a parameter string (this object is not changed); "" when the file
  // cannot be read or is shorter than its 105 bytes.
  BasicString load_settings_file(const BasicString& file_name) const;

 private:
  // What changes once per output sample: the repeat, the arpeggio, the
  // slide and the envelope; with full, also vibrato and duty.
  void advance_control(bool full);
  // One whole output sample; the value in -1..1.
  double next_sample();
  // Counts the samples up to the one that ends the sound, in blocks of 256.
  int count_samples();
  void draw_noise();
};

// What rendering the string costs at most, in samples (at most 300,032);
// 0 for a string that is refused. Nothing is synthesised and the random
// generator is not touched, so a whole file's sounds can be weighed before
// any is rendered.
int64_t sfxr_samples_at_most(const BasicString& params);
// Parses the string with a synthesiser made for rendering and renders it:
// false (wav untouched) when the string is refused.
bool sfxr_make_wave(const BasicString& params, std::vector<uint8_t>& wav);
// The same into a file; true only when the string was accepted and the
// file written.
bool sfxr_make_wave_file(const BasicString& params, const BasicString& file_name);
// The parameter string of preset kind 0 to 6 (any other kind: all 0).
BasicString sfxr_preset_string(int kind);
