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

// A sound is made in two steps, as a loader streams it from a file: room
// for bytes of interleaved PCM in the file's own format (8-bit unsigned or
// 16-bit signed little-endian, 1 or 2 channels), then, once the room is
// filled, the conversion to the device's format. Null when the device is
// closed, the format cannot be converted or the room passes SDL's int
// lengths.
PlatSound* plat_sound_alloc(uint32_t bytes, int rate, int bits, int channels);
// The room plat_sound_alloc takes for such a sound: the conversion works in
// place, in a block of its multiplier times the bytes (3,536 for 100 Hz
// 8-bit mono to the device's 22,050 Hz 16-bit stereo), which also holds
// the converted sound. -1 when the device is closed or the format cannot be
// converted.
int64_t plat_sound_room(uint32_t bytes, int rate, int bits, int channels);
// The room to fill: plat_sound_alloc's bytes, valid until the commit.
uint8_t* plat_sound_pcm(PlatSound* sound);
// Converts the filled room; a sound plays only once committed.
bool plat_sound_commit(PlatSound* sound);
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
