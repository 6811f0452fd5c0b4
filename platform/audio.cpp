#include "platform/audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

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

// A sound converted in pieces as its file is read, so that what it takes
// at once is the converted sound and one piece's working room. SDL converts
// a block as if silence lay before and after it, which would dim the edges
// of every piece: each piece is converted with `context` frames of the
// input on either side and only its own share of the output is kept. The
// pieces and the context are whole multiples of q input frames, which make
// exactly p output frames, so every piece's share starts on a whole output
// frame and the pieces join into what one conversion of the whole would
// give.
struct PlatSound {
  Mix_Chunk* chunk;  // its samples are the converted sound
  SDL_AudioCVT cvt;  // the conversion of one block, copied for each piece
  int64_t q = 1, p = 1;
  int in_frame = 1, out_frame = 4;
  int64_t context = 0;         // input frames on either side of a piece
  int64_t piece = 0;           // input frames a piece converts
  int64_t input_frames = 0;    // what the sound's bytes hold
  int64_t done = 0;            // input frames whose output is in place
  int64_t staged_from = 0;     // the input frame staged[0] holds
  std::vector<uint8_t> staged;  // input from staged_from on, not yet let go
  std::vector<uint8_t> work;    // a piece with its context, converted in place
  uint32_t room = 0;           // bytes of the converted sound
  uint32_t filled = 0;
  bool committed = false;
};

namespace {

// The conversion from the file's format to the device's; false when the
// device is closed or SDL cannot convert it.
bool build_conversion(SDL_AudioCVT& cvt, int rate, int bits, int channels, int* out_rate,
                      int* out_frame) {
  if (!g_open || rate <= 0 || (bits != 8 && bits != 16) || channels < 1 || channels > 2)
    return false;
  int frequency = 0, out_channels = 0;
  Uint16 out_format = 0;
  Mix_QuerySpec(&frequency, &out_format, &out_channels);
  *out_rate = frequency;
  *out_frame = out_channels * SDL_AUDIO_BITSIZE(out_format) / 8;
  SDL_AudioFormat in_format = bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  return SDL_BuildAudioCVT(&cvt, in_format, static_cast<Uint8>(channels), rate, out_format,
                           static_cast<Uint8>(out_channels), frequency) >= 0;
}

// Exactly the output of one conversion of the whole: every q input frames
// make p output frames, a rest makes its share rounded down.
int64_t converted_frames(int64_t frames, int64_t q, int64_t p) {
  return frames / q * p + frames % q * p / q;
}

// The working room a piece may take with its context, SDL's multiplier
// included; a piece is never less than q frames however small this is.
constexpr int64_t kPieceRoom = int64_t{4} << 20;
// Input and output frames of context a piece needs on either side: SDL's
// resampling filter reaches a few frames of the input around each output
// frame (more when it narrows the band for a lower rate).
constexpr int64_t kContextFrames = 256;

void plan_pieces(PlatSound& sound, int rate, int out_rate) {
  const int64_t g = std::gcd(rate, out_rate);
  sound.q = rate / g;
  sound.p = out_rate / g;
  const bool resampled = rate != out_rate;
  const int64_t reach = std::max(kContextFrames, kContextFrames * sound.q / sound.p);
  sound.context = resampled ? (reach + sound.q - 1) / sound.q * sound.q : 0;
  const int64_t multiplier = sound.cvt.len_mult > 0 ? sound.cvt.len_mult : 1;
  const int64_t fits = kPieceRoom / (sound.in_frame * multiplier) - 2 * sound.context;
  sound.piece = std::max<int64_t>(1, fits / sound.q) * sound.q;
}

// Converts `count` input frames from `done` with their context and appends
// their share of the output. The last piece takes whatever its conversion
// makes past the shares before it.
bool convert_piece(PlatSound& sound, int64_t count, bool last) {
  const int64_t from = std::max<int64_t>(0, sound.done - sound.context);
  const int64_t staged_end = sound.staged_from + int64_t(sound.staged.size()) / sound.in_frame;
  const int64_t to = last ? staged_end : std::min(staged_end, sound.done + count + sound.context);
  const int64_t frames = to - from;
  const int64_t multiplier = sound.cvt.len_mult > 0 ? sound.cvt.len_mult : 1;
  // The room is kept from piece to piece; SDL writes all it reads back.
  const auto room = size_t(frames * sound.in_frame * multiplier);
  if (sound.work.size() < room) sound.work.resize(room);
  std::memcpy(sound.work.data(),
              sound.staged.data() + (from - sound.staged_from) * sound.in_frame,
              size_t(frames * sound.in_frame));
  SDL_AudioCVT cvt = sound.cvt;
  cvt.buf = sound.work.data();
  cvt.len = int(frames * sound.in_frame);
  if (cvt.needed && SDL_ConvertAudio(&cvt) < 0) return false;
  const int64_t made = (cvt.needed ? cvt.len_cvt : cvt.len) / sound.out_frame;
  const int64_t skip = (sound.done - from) / sound.q * sound.p;
  int64_t keep = last ? made - skip : count / sound.q * sound.p;
  keep = std::min({keep, made - skip, int64_t(sound.room - sound.filled) / sound.out_frame});
  if (keep > 0) {
    std::memcpy(sound.chunk->abuf + sound.filled, sound.work.data() + skip * sound.out_frame,
                size_t(keep * sound.out_frame));
    sound.filled += uint32_t(keep * sound.out_frame);
  }
  sound.done += count;
  // Only the context of the next piece stays staged.
  const int64_t keep_from = std::max<int64_t>(0, sound.done - sound.context);
  sound.staged.erase(sound.staged.begin(),
                     sound.staged.begin() + (keep_from - sound.staged_from) * sound.in_frame);
  sound.staged_from = keep_from;
  return true;
}

}  // namespace

int64_t plat_sound_size(uint32_t bytes, int rate, int bits, int channels) {
  SDL_AudioCVT cvt;
  int out_rate = 0, out_frame = 0;
  if (!build_conversion(cvt, rate, bits, channels, &out_rate, &out_frame)) return -1;
  const int64_t g = std::gcd(rate, out_rate);
  const int64_t frames = bytes / (channels * bits / 8);
  return converted_frames(frames, rate / g, out_rate / g) * out_frame;
}

PlatSound* plat_sound_alloc(uint32_t bytes, int rate, int bits, int channels) {
  if (!g_open || bytes == 0) return nullptr;
  auto* sound = new PlatSound{};
  int out_rate = 0;
  if (!build_conversion(sound->cvt, rate, bits, channels, &out_rate, &sound->out_frame)) {
    delete sound;
    return nullptr;
  }
  sound->in_frame = channels * bits / 8;
  sound->input_frames = bytes / sound->in_frame;
  plan_pieces(*sound, rate, out_rate);
  const int64_t size = converted_frames(sound->input_frames, sound->q, sound->p) * sound->out_frame;
  // The chunk's length is 32 bits, SDL's block lengths an int.
  if (size > INT32_MAX) {
    delete sound;
    return nullptr;
  }
  sound->room = uint32_t(size);
  sound->chunk = static_cast<Mix_Chunk*>(SDL_calloc(1, sizeof(Mix_Chunk)));
  // A sound too short to make one output frame still loads, playing nothing.
  Uint8* samples = static_cast<Uint8*>(SDL_calloc(1, std::max<uint32_t>(sound->room, 1)));
  if (!samples || !sound->chunk) {
    SDL_free(samples);
    SDL_free(sound->chunk);
    delete sound;
    return nullptr;
  }
  sound->chunk->allocated = 1;  // Mix_FreeChunk frees the samples too
  sound->chunk->abuf = samples;
  sound->chunk->volume = MIX_MAX_VOLUME;
  return sound;
}

bool plat_sound_feed(PlatSound* sound, const uint8_t* pcm, uint32_t bytes) {
  if (!sound || sound->committed || bytes % sound->in_frame != 0) return false;
  const int64_t staged_end =
      sound->staged_from + int64_t(sound->staged.size()) / sound->in_frame;
  if (staged_end + bytes / sound->in_frame > sound->input_frames) return false;
  sound->staged.insert(sound->staged.end(), pcm, pcm + bytes);
  // Input is kept until a piece has its context after it, so a read of any
  // size stages at most a piece, its context and the read.
  while (sound->staged_from + int64_t(sound->staged.size()) / sound->in_frame >=
         sound->done + sound->piece + sound->context) {
    if (!convert_piece(*sound, sound->piece, false)) return false;
  }
  return true;
}

bool plat_sound_commit(PlatSound* sound) {
  if (!sound || sound->committed) return false;
  const int64_t staged_end =
      sound->staged_from + int64_t(sound->staged.size()) / sound->in_frame;
  if (staged_end != sound->input_frames) return false;
  if (sound->done < staged_end && !convert_piece(*sound, staged_end - sound->done, true))
    return false;
  sound->chunk->alen = sound->filled;
  sound->staged = std::vector<uint8_t>();
  sound->work = std::vector<uint8_t>();
  sound->committed = true;
  return true;
}

uint32_t plat_sound_bytes(const PlatSound* sound) {
  return sound && sound->committed ? sound->chunk->alen : 0;
}

const uint8_t* plat_sound_samples(const PlatSound* sound) {
  return sound && sound->committed ? sound->chunk->abuf : nullptr;
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
