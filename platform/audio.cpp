#include "platform/audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

constexpr int kRate = 22050;
constexpr int kFirstChannels = 32;
// Enough for every copy of a few hundred slots at once; beyond that a new
// play finds no channel, as a full DirectSound mixer would refuse it.
constexpr int kMaxChannels = 1024;

// Per mixer channel: which play owns it and the gains the effect applies.
// The gains are applied by our own effect because the mixer's own volume
// has 129 steps, far too coarse below -40 dB.
struct ChannelState {
  uint32_t serial = 0;
  int pan_cb = 0;
  std::atomic<float> left{1.0f};
  std::atomic<float> right{1.0f};
};

bool g_open = false;
int g_channels = 0;
uint32_t g_next_serial = 0;
ChannelState g_state[kMaxChannels];

int16_t scaled(int16_t sample, float gain) {
  float v = std::nearbyint(static_cast<float>(sample) * gain);
  return static_cast<int16_t>(std::clamp(v, -32768.0f, 32767.0f));
}

// The device runs 16-bit stereo (opened without allowed changes).
void gain_effect(int, void* stream, int length, void* user) {
  auto* state = static_cast<ChannelState*>(user);
  float left = state->left.load(std::memory_order_relaxed);
  float right = state->right.load(std::memory_order_relaxed);
  if (left == 1.0f && right == 1.0f) return;
  auto* samples = static_cast<int16_t*>(stream);
  int frames = length / 4;
  for (int i = 0; i < frames; ++i) {
    samples[2 * i] = scaled(samples[2 * i], left);
    samples[2 * i + 1] = scaled(samples[2 * i + 1], right);
  }
}

float gain_of(int attenuation_cb) {
  if (attenuation_cb <= -10000) return 0.0f;
  if (attenuation_cb >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, attenuation_cb / 2000.0));
}

// A channel that plays nothing; the pool grows when every one is busy.
int free_channel() {
  for (int ch = 0; ch < g_channels; ++ch)
    if (!Mix_Playing(ch)) return ch;
  if (g_channels >= kMaxChannels) return -1;
  int first_new = g_channels;
  g_channels = Mix_AllocateChannels(std::min(g_channels * 2, kMaxChannels));
  return first_new < g_channels ? first_new : -1;
}

bool owns(const PlatVoice& voice) {
  return g_open && voice.channel >= 0 && voice.channel < g_channels &&
         g_state[voice.channel].serial == voice.serial;
}

}  // namespace

void plat_audio_gains(int volume_cb, int pan_cb, float* left, float* right) {
  // A positive pan attenuates the left side, a negative one the right.
  *left = gain_of(volume_cb - std::max(0, pan_cb));
  *right = gain_of(volume_cb - std::max(0, -pan_cb));
}

bool plat_audio_open(PlatAudioSpec* spec) {
  if (!g_open) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    if (Mix_OpenAudioDevice(kRate, AUDIO_S16SYS, 2, 1024, nullptr, 0) != 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return false;
    }
    g_channels = Mix_AllocateChannels(kFirstChannels);
    g_open = true;
  }
  if (spec) {
    int frequency = 0, channels = 0;
    Uint16 format = 0;
    Mix_QuerySpec(&frequency, &format, &channels);
    *spec = PlatAudioSpec{frequency, channels, SDL_AUDIO_BITSIZE(format)};
  }
  return true;
}

bool plat_audio_is_open() { return g_open; }

void plat_audio_close() {
  if (!g_open) return;
  Mix_HaltChannel(-1);
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  g_open = false;
  g_channels = 0;
}

struct PlatSound {
  Mix_Chunk* chunk;   // its samples are the conversion's buffer
  SDL_AudioCVT cvt;
  bool committed;
};

namespace {

// The conversion from the file's format to the device's; false when the
// device is closed or SDL cannot convert it.
bool build_conversion(SDL_AudioCVT& cvt, int rate, int bits, int channels) {
  if (!g_open) return false;
  int frequency = 0, out_channels = 0;
  Uint16 out_format = 0;
  Mix_QuerySpec(&frequency, &out_format, &out_channels);
  SDL_AudioFormat in_format = bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  return SDL_BuildAudioCVT(&cvt, in_format, static_cast<Uint8>(channels), rate, out_format,
                           static_cast<Uint8>(out_channels), frequency) >= 0;
}

// The conversion works in place and needs len_mult times the input.
int64_t room_of(const SDL_AudioCVT& cvt, uint32_t bytes) {
  return int64_t{bytes} * (cvt.len_mult > 0 ? cvt.len_mult : 1);
}

}  // namespace

int64_t plat_sound_room(uint32_t bytes, int rate, int bits, int channels) {
  SDL_AudioCVT cvt;
  if (!build_conversion(cvt, rate, bits, channels)) return -1;
  return room_of(cvt, bytes);
}

PlatSound* plat_sound_alloc(uint32_t bytes, int rate, int bits, int channels) {
  if (!g_open || bytes == 0 || bytes > 0x7FFFFFFF) return nullptr;
  auto* sound = new PlatSound{};
  // SDL converts with int lengths: a room past them would wrap round in the
  // conversion and write far outside the block.
  if (!build_conversion(sound->cvt, rate, bits, channels) ||
      room_of(sound->cvt, bytes) > INT32_MAX) {
    delete sound;
    return nullptr;
  }
  size_t room = static_cast<size_t>(room_of(sound->cvt, bytes));
  sound->cvt.len = static_cast<int>(bytes);
  sound->cvt.buf = static_cast<Uint8*>(SDL_calloc(1, room));
  sound->chunk = static_cast<Mix_Chunk*>(SDL_calloc(1, sizeof(Mix_Chunk)));
  if (!sound->cvt.buf || !sound->chunk) {
    SDL_free(sound->cvt.buf);
    SDL_free(sound->chunk);
    delete sound;
    return nullptr;
  }
  sound->chunk->allocated = 1;  // Mix_FreeChunk frees the samples too
  sound->chunk->abuf = sound->cvt.buf;
  sound->chunk->volume = MIX_MAX_VOLUME;
  return sound;
}

uint8_t* plat_sound_pcm(PlatSound* sound) {
  return sound && !sound->committed ? sound->cvt.buf : nullptr;
}

bool plat_sound_commit(PlatSound* sound) {
  if (!sound || sound->committed) return false;
  if (sound->cvt.needed && SDL_ConvertAudio(&sound->cvt) < 0) return false;
  sound->chunk->alen = static_cast<Uint32>(sound->cvt.needed ? sound->cvt.len_cvt : sound->cvt.len);
  sound->committed = true;
  return true;
}

void plat_sound_free(PlatSound* sound) {
  if (!sound) return;
  if (g_open) {
    Mix_FreeChunk(sound->chunk);  // halts the channels that play it first
  } else {
    SDL_free(sound->chunk->abuf);
    SDL_free(sound->chunk);
  }
  delete sound;
}

bool plat_voice_play(PlatSound* sound, int volume_cb, int pan_cb, bool loop, PlatVoice* voice) {
  if (!g_open || !sound || !sound->committed) return false;
  int ch = free_channel();
  if (ch < 0) return false;
  ChannelState& state = g_state[ch];
  float left, right;
  plat_audio_gains(volume_cb, pan_cb, &left, &right);
  state.left = left;
  state.right = right;
  state.pan_cb = pan_cb;
  // The channel is idle, so the effect registered now is still there when
  // the first block of the new play is mixed.
  Mix_UnregisterAllEffects(ch);
  Mix_RegisterEffect(ch, gain_effect, nullptr, &state);
  Mix_Volume(ch, MIX_MAX_VOLUME);
  if (Mix_PlayChannel(ch, sound->chunk, loop ? -1 : 0) < 0) return false;
  state.serial = ++g_next_serial;
  *voice = PlatVoice{ch, state.serial};
  return true;
}

bool plat_voice_playing(const PlatVoice& voice) { return owns(voice) && Mix_Playing(voice.channel); }

bool plat_voice_stop(const PlatVoice& voice) {
  if (owns(voice) && Mix_Playing(voice.channel)) Mix_HaltChannel(voice.channel);
  return true;
}

void plat_voice_set_volume(const PlatVoice& voice, int volume_cb) {
  if (!owns(voice)) return;
  ChannelState& state = g_state[voice.channel];
  float left, right;
  plat_audio_gains(volume_cb, state.pan_cb, &left, &right);
  state.left = left;
  state.right = right;
}
