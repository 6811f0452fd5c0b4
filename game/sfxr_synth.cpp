// The synthesis itself: the restarts, one output sample, and the WAVE image.
#include "game/sfxr_synth.h"

#include <algorithm>
#include <cmath>

#include "core/isaac.h"
#include "core/maths.h"

namespace {

constexpr int kBlock = 256;       // the counting pass's block of samples
constexpr int kWaveHeader = 44;
constexpr double kRadiansToDegrees = 57.29577951308230155;

// Truncation toward zero that tolerates any double (the state is bounded,
// but a conversion must never be undefined).
int trunc_int(double v) { return qvl_math_truncate_int(v); }

void put_le(std::vector<uint8_t>& out, uint32_t v, int n) {
  for (int k = 0; k < n; ++k) out.push_back(uint8_t(v >> (8 * k)));
}

}  // namespace

void TSfxrSynth::restart_pitch() {
  period = 100.0 / (base_frequency * base_frequency + 0.001);
  max_period = 100.0 / (frequency_limit * frequency_limit + 0.001);
  slide_factor = 1.0 - slide * slide * slide * 0.01;
  delta_slide_step = -delta_slide * delta_slide * delta_slide * 0.000001;
  duty_now = 0.5 - duty * 0.5;
  duty_step = -duty_sweep * 0.00005;
  arpeggio_factor = arpeggio_amount > 0 ? 1.0 - arpeggio_amount * arpeggio_amount * 0.9
                                        : 1.0 + arpeggio_amount * arpeggio_amount * 10.0;
  arpeggio_time = 0;
  const double a = 1.0 - arpeggio_speed;
  arpeggio_limit = arpeggio_speed == 1.0 ? 0 : trunc_int(a * a * 20000.0 + 32.0);
}

// Each noise value is a draw of 0 .. 20000 from the runtime's generator,
// scaled to -1 .. 1. The generator makes 256 results per pass but hands out
// only the first, and a high noise redraws its 32 values every few samples,
// so the values are taken 32 at a time from the results of one pass.
void TSfxrSynth::draw_noise() {
  if (noise_cursor + kNoiseSize > 256) {
    qvl_rnd_next();
    noise_cursor = 0;
  }
  const uint32_t* results = qvl_rnd_state.results + noise_cursor;
  for (int i = 0; i < kNoiseSize; ++i) noise_buffer.data[i] = int(results[i] % 20001u) / 10000.0 - 1.0;
  noise_cursor += kNoiseSize;
}

void TSfxrSynth::settle_envelope() {
  if (sustain < 0.01) sustain = 0.01;
  const double sum = attack + sustain + decay;
  if (sum < 0.18) {
    const double scale = 0.18 / sum;
    attack *= scale;
    sustain *= scale;
    decay *= scale;
  }
}

// Each stage lasts one sample past its length (the sample whose time
// exceeds it moves on), and the sample that enters the end sets finished:
// floor(L0) + floor(L1) + floor(L2) + 3 samples, counted in whole blocks.
int TSfxrSynth::samples_at_most() const {
  const double lengths[3] = {attack * attack * 100000.0, sustain * sustain * 100000.0,
                             decay * decay * 100000.0 + 10.0};
  int64_t steps = 3;
  for (double l : lengths) steps += int64_t(std::floor(l));
  return int((steps + kBlock - 1) / kBlock * kBlock);
}

void TSfxrSynth::reset(bool total) {
  restart_pitch();
  if (!total) return;
  settle_envelope();
  phase = 0;
  filters_on = lowpass_cutoff != 1.0 || highpass_cutoff != 0.0;
  lowpass_pos = 0;
  lowpass_delta_pos = 0;
  lowpass_coeff = lowpass_cutoff * lowpass_cutoff * lowpass_cutoff * 0.1;
  lowpass_coeff_factor = 1.0 + lowpass_sweep * 0.0001;
  const double d = std::min(
      5.0 / (1.0 + lowpass_resonance * lowpass_resonance * 20.0) * (0.01 + lowpass_coeff), 0.8);
  lowpass_damping = 1.0 - d;
  highpass_pos = 0;
  highpass_coeff = highpass_cutoff * highpass_cutoff * 0.1;
  highpass_coeff_factor = 1.0 + highpass_sweep * 0.0003;
  vibrato_phase = 0;
  vibrato_step = vibrato_speed * vibrato_speed * 0.01;
  vibrato_amplitude = vibrato_depth * 0.5;

  envelope_volume = 0;
  envelope_stage = 0;
  envelope_time = 0;
  envelope_lengths[0] = attack * attack * 100000.0;
  envelope_lengths[1] = sustain * sustain * 100000.0;
  envelope_lengths[2] = decay * decay * 100000.0 + 10.0;
  envelope_length = envelope_lengths[0];
  envelope_full_length = envelope_lengths[0] + envelope_lengths[1] + envelope_lengths[2];
  // A zero attack has no inverse; the first sample already leaves it.
  for (int i = 0; i < 3; ++i)
    envelope_inverses[i] = envelope_lengths[i] > 0 ? 1.0 / envelope_lengths[i] : 0.0;

  phaser_on = phaser_offset != 0.0 || phaser_sweep != 0.0;
  phaser_position = phaser_offset * phaser_offset * 1020.0;
  if (phaser_offset < 0) phaser_position = -phaser_position;
  phaser_delta = phaser_sweep * phaser_sweep * phaser_sweep * 0.2;
  phaser_index = 0;

  if (phaser_buffer.size1 == 0) phaser_buffer.dim(kPhaserSize, 0, 0, 0);
  if (noise_buffer.size1 == 0) noise_buffer.dim(kNoiseSize, 0, 0, 0);
  std::fill(phaser_buffer.data, phaser_buffer.data + kPhaserSize, 0.0);
  draw_noise();

  repeat_time = 0;
  const double r = 1.0 - repeat_speed;
  repeat_limit = repeat_speed == 0.0 ? 0 : trunc_int(r * r * 20000.0) + 32;
}

void TSfxrSynth::advance_control(bool full) {
  if (repeat_limit != 0) {
    if (repeat_time + 1 < repeat_limit) {
      ++repeat_time;
    } else {
      repeat_time = 0;
      restart_pitch();
    }
  }
  if (arpeggio_limit != 0 && ++arpeggio_time >= arpeggio_limit) {
    arpeggio_limit = 0;
    period *= arpeggio_factor;
  }
  slide_factor += delta_slide_step;
  period *= slide_factor;
  if (period > max_period) {
    period = max_period;
    if (frequency_limit > 0) finished = 1;
  }
  if (full) {
    period_now = period;
    if (vibrato_amplitude > 0) {
      vibrato_phase += vibrato_step;
      period_now = period * (1.0 + qvl_math_sin_deg(vibrato_phase * kRadiansToDegrees) *
                                       vibrato_amplitude);
    }
    period_now = std::max(8.0, std::trunc(period_now));
    duty_now = std::clamp(duty_now + duty_step, 0.0, 0.5);
  }
  envelope_time += 1;
  if (envelope_time > envelope_length) {
    envelope_time = 0;
    ++envelope_stage;
    if (envelope_stage == 1) envelope_length = envelope_lengths[1];
    if (envelope_stage == 2) envelope_length = envelope_lengths[2];
  }
  switch (envelope_stage) {
    case 0: envelope_volume = envelope_time * envelope_inverses[0]; break;
    case 1:
      envelope_volume = 1.0 + (1.0 - envelope_time * envelope_inverses[1]) * 2.0 * punch;
      break;
    case 2: envelope_volume = 1.0 - envelope_time * envelope_inverses[2]; break;
    case 3:
      envelope_volume = 0;
      finished = 1;
      break;
    default: break;
  }
}

double TSfxrSynth::next_sample() {
  advance_control(true);
  if (phaser_on) {
    phaser_position += phaser_delta;
    phaser_tap = std::min(std::abs(trunc_int(phaser_position)), kPhaserSize - 1);
  }
  if (filters_on && highpass_coeff_factor != 0) {
    highpass_coeff = std::clamp(highpass_coeff * highpass_coeff_factor, 0.00001, 0.1);
  }

  // The eight sub-samples run on locals: the buffers are doubles too, so
  // writes through them would otherwise force every field to be reloaded.
  const int period_int = std::max(1, trunc_int(period_now));
  const double period_f = period_now;
  double* phaser = phaser_buffer.data;
  const double* noise = noise_buffer.data;
  int ph = phase;
  double osc = oscillator_sample;
  double lp_pos = lowpass_pos, lp_old = lowpass_old_pos, lp_delta = lowpass_delta_pos;
  double lp_coeff = lowpass_coeff, hp_pos = highpass_pos;
  int index = phaser_index;
  double sum = 0;
  for (int s = 0; s < 8; ++s) {
    if (++ph >= period_f) {
      ph %= period_int;
      if (wave_type == 3) draw_noise();
    }
    const double position = ph / period_f;
    switch (wave_type) {
      case 0: osc = position < duty_now ? 0.5 : -0.5; break;
      case 1: osc = 1.0 - position * 2.0; break;
      case 2: osc = qvl_math_sin_deg(position * 360.0); break;
      case 3: osc = noise[std::min(int(int64_t(ph) * kNoiseSize / period_int), kNoiseSize - 1)]; break;
      default: break;
    }
    double sample = osc;
    if (filters_on) {
      lp_old = lp_pos;
      lp_coeff = std::clamp(lp_coeff * lowpass_coeff_factor, 0.0, 0.1);
      if (lowpass_cutoff != 1.0) {
        lp_delta = (lp_delta + (sample - lp_old) * lp_coeff) * lowpass_damping;
      } else {
        lp_delta = 0;
        lp_pos = sample;
      }
      lp_pos += lp_delta;
      hp_pos = (hp_pos + lp_pos - lp_old) * (1.0 - highpass_coeff);
      sample = hp_pos;
    }
    if (phaser_on) {
      phaser[index & (kPhaserSize - 1)] = sample;
      sample += phaser[(index - phaser_tap) & (kPhaserSize - 1)];
      index = (index + 1) & (kPhaserSize - 1);
    }
    sum += sample;
  }
  phase = ph;
  period_position = ph / period_f;
  oscillator_sample = osc;
  lowpass_pos = lp_pos;
  lowpass_old_pos = lp_old;
  lowpass_delta_pos = lp_delta;
  lowpass_coeff = lp_coeff;
  highpass_pos = hp_pos;
  phaser_index = index;
  supersample = sum;

  const double v = supersample * envelope_volume * 0.125;
  if (v > 1.0) return 1.0;
  if (v < -1.0) return -1.0;
  return v == v ? v : 0.0;  // a filter driven to NaN gives silence
}

void TSfxrSynth::synth_samples(std::vector<uint8_t>& out, int n) {
  finished = 0;
  output_count = 0;
  output_sum = 0;
  for (int i = 0; i < n; ++i) {
    output_sum += next_sample();
    ++output_count;
    if (sample_rate != 44100 && output_count < 2) continue;
    const double a = output_sum / output_count;
    output_count = 0;
    output_sum = 0;
    if (bits == 16) {
      put_le(out, uint32_t(int32_t(a * 32767.0)), 2);
    } else {
      out.push_back(uint8_t(int(a * 127.0 + 128.0)));
    }
  }
}

// Only the pitch and the envelope decide where a sound ends, so the count
// runs them alone; the synthesis proper runs once, in the writing pass.
int TSfxrSynth::count_samples() {
  int blocks = 0;
  do {
    finished = 0;
    ++blocks;
    for (int i = 0; i < kBlock && !finished; ++i) advance_control(false);
  } while (!finished);
  return blocks * kBlock;
}

void TSfxrSynth::render_wave(std::vector<uint8_t>& wav) {
  reset(true);
  const int n = count_samples();
  uint32_t data = uint32_t(n) * (bits == 16 ? 2 : 1);
  if (sample_rate == 22050) data >>= 1;
  const uint32_t rate = uint32_t(sample_rate);
  const uint32_t bytes_per_sample = uint32_t(bits / 8);
  wav.clear();
  wav.reserve(kWaveHeader + data);
  wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
  put_le(wav, data + 36, 4);
  wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  put_le(wav, 16, 4);
  put_le(wav, 1, 2);  // PCM
  put_le(wav, 1, 2);  // one channel
  put_le(wav, rate, 4);
  put_le(wav, rate * bytes_per_sample, 4);
  put_le(wav, bytes_per_sample, 2);
  put_le(wav, uint32_t(bits), 2);
  wav.insert(wav.end(), {'d', 'a', 't', 'a'});
  put_le(wav, data, 4);
  reset(true);
  synth_samples(wav, n);
}
