// The sound device and the 4096 sound slots. A slot holds one loaded WAVE
// as one set of samples and 1 to 4 copies of it, so that a sound can overlap
// itself; the program addresses a playing copy by its channel number,
// slot * 256 + copy. Main thread only.
#pragma once

#include <cstdint>

#include "core/basic_string.h"
#include "platform/audio.h"

struct FileChannel;

constexpr int kSoundSlotCount = 4096;
constexpr int kSoundCopiesMax = 4;
// The most a sound may take in the device's format: 128 MB, 25 minutes
// 21 seconds at the device's 22,050 Hz 16-bit stereo whatever the file's
// own rate and format. A small file at a very low rate would otherwise
// convert into gigabytes (100 Hz 8-bit mono into 882 times its bytes).
constexpr int64_t kSoundMaxBytes = int64_t{128} << 20;

struct SoundDevice {
  bool ready = false;     // the mixer is open
  PlatAudioSpec caps{};   // what the mixer runs at

  void init() { *this = SoundDevice{}; }
  // The window is not needed by the mixer; kept so callers stay as they are.
  int open(void* window);
  void set_window(void*) {}
  int read_caps();
  void release();
};

struct SoundSlot {
  // Fields in their fixed order.
  int32_t count = 0;    // copies; 0 = empty
  int32_t current = 0;  // the copy that played last
  const char* name = nullptr;  // valid only during a load
  SoundDevice* device = nullptr;
  PlatSound* samples = nullptr;  // shared by every copy
  PlatVoice copies[kSoundCopiesMax];

  void init() { *this = SoundSlot{}; }
  int load(SoundDevice* owner, const char* file_name, int copies_wanted);
  bool load_wave();
  // Room for the shared set of samples in the device's format; a sound that
  // cannot be made makes the slot forget its device. One past kSoundMaxBytes
  // once converted is refused before anything is allocated, with a line in
  // the error log.
  bool create_buffer(uint32_t data_size, int samples_per_second, int bits_per_sample,
                     int block_align, bool stereo);
  // Reads size bytes of samples from the channel (at offset, or where it
  // stands for -1), converting them a piece at a time, and makes the sound
  // playable.
  bool fill_buffer(FileChannel& channel, uint32_t size, int64_t offset);
  // Picks the copy to play: the current one when idle, else the next one in
  // turn (cut off if it still plays); -1 when a single copy is busy.
  int pick_buffer();
  // volume 0 ... 100, pan -10000 ... 10000; the copy's index or -1.
  int play(int pan, int volume, bool loop);
  bool is_playing(int copy) const;
  // A copy outside 0 ... count - 1 stops them all.
  bool stop(int copy);
  void set_volume_list(int volume);
  void release_buffers();
  void release() { release_buffers(); }
  void reset();

 private:
  bool usable() const { return device && device->ready && count > 0 && samples; }
};

// Hundredths of a decibel for a volume 0 ... 100: -10000 at or below 0,
// else 2000 * log10(volume / 100) truncated toward zero.
int qvl_snd_volume_to_cb(int volume);

extern SoundDevice* qvl_snd_device;
extern SoundSlot* qvl_snd_slots;

// Start-up: the device and the slots; the device opens with the window.
void qvl_snd_startup(void* window);
// Shutdown: every slot from the last to the first, then the device.
void qvl_snd_shutdown();

int qvl_snd_free_slot();
void qvl_snd_load(const BasicString& name, int slot, int copies);
int qvl_snd_play(int slot, double pan, double volume);
int qvl_snd_is_playing(int channel);
void qvl_snd_stop(int channel);
void qvl_snd_stop_all();
