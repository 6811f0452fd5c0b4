// Sound output over SDL2_mixer: one mixing device, sounds (sample blocks in
// the device's format) and voices (one playing instance of a sound).
// Volumes and pans are in the DirectSound units the runtime was written for:
// hundredths of a decibel, volume -10000 (silent) to 0 (full), pan -10000
// (left only) to 10000 (right only). Main thread only, except the mixing
// callback that SDL runs on its own thread.
#pragma once

#include <cstdint>

struct PlatSound;

// A handle to one play of a sound. A voice whose play has ended (or whose
// mixer channel moved on to another play) reads as not playing.
struct PlatVoice {
  int channel = -1;
  uint32_t serial = 0;
};

struct PlatAudioSpec {
  int frequency;
  int channels;
  int bits;
};

// Opens the default output at 22050 Hz, 16-bit stereo. False when there is
// no audio device (every later call is then harmless).
bool plat_audio_open(PlatAudioSpec* spec);
bool plat_audio_is_open();
void plat_audio_close();

// A sound is made as a loader streams it from a file: room for the
// converted sound of `bytes` of interleaved PCM in the file's own format
// (8-bit unsigned or 16-bit signed little-endian, 1 or 2 channels), then
// the PCM fed in pieces of any size, each converted to the device's format
// as it comes, then the commit. What a load takes at once is the converted
// sound and a few MB of working room, whatever the rates. Null when the
// device is closed, the format cannot be converted or the converted sound
// passes SDL's int lengths.
PlatSound* plat_sound_alloc(uint32_t bytes, int rate, int bits, int channels);
// The bytes of the converted sound plat_sound_alloc makes room for: exactly
// what one conversion of the whole gives (88,200 a second at the device's
// 22,050 Hz 16-bit stereo, whatever the file's format). -1 when the device
// is closed or the format cannot be converted.
int64_t plat_sound_size(uint32_t bytes, int rate, int bits, int channels);
// Whole frames of the PCM, in order; false past the bytes given to
// plat_sound_alloc or after the commit.
bool plat_sound_feed(PlatSound* sound, const uint8_t* pcm, uint32_t bytes);
// Converts the rest once all the bytes were fed; a sound plays only once
// committed.
bool plat_sound_commit(PlatSound* sound);
// The converted samples of a committed sound (null and 0 before).
const uint8_t* plat_sound_samples(const PlatSound* sound);
uint32_t plat_sound_bytes(const PlatSound* sound);
// Stops every voice of the sound and frees it.
void plat_sound_free(PlatSound* sound);

// Starts the sound from its beginning on a free mixer channel.
bool plat_voice_play(PlatSound* sound, int volume_cb, int pan_cb, bool loop, PlatVoice* voice);
bool plat_voice_playing(const PlatVoice& voice);
// Stops the voice if it still plays; true also when it had already ended.
bool plat_voice_stop(const PlatVoice& voice);
// Changes the volume of a voice that still plays.
void plat_voice_set_volume(const PlatVoice& voice, int volume_cb);

// The linear gains of one channel side for a volume and pan.
void plat_audio_gains(int volume_cb, int pan_cb, float* left, float* right);
