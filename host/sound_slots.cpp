#include "host/sound_slots.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/error_state.h"
#include "core/logs.h"
#include "files/file_channel.h"
#include "files/file_resolve.h"
#include "host/channel_wave_source.h"
#include "host/wave_file.h"

SoundDevice* qvl_snd_device = nullptr;
SoundSlot* qvl_snd_slots = nullptr;

namespace {

bool slot_in_table(int slot) { return static_cast<unsigned>(slot) < kSoundSlotCount; }

}  // namespace

int qvl_snd_volume_to_cb(int volume) {
  if (volume <= 0) return -10000;
  return static_cast<int>(2000.0 * std::log10(volume / 100.0));
}

int SoundDevice::open(void*) {
  ready = plat_audio_open(&caps);
  return ready ? 1 : 0;
}

int SoundDevice::read_caps() {
  if (!ready) return 0;
  return plat_audio_open(&caps) ? 1 : 0;
}

void SoundDevice::release() {
  if (ready) plat_audio_close();
  ready = false;
}

int SoundSlot::load(SoundDevice* owner, const char* file_name, int copies_wanted) {
  release_buffers();
  current = 0;
  device = owner;
  count = copies_wanted <= 0 ? 1 : copies_wanted >= 5 ? 4 : copies_wanted;
  name = file_name;
  bool loaded = device && device->ready && load_wave();
  name = nullptr;  // the caller's text does not outlive the load
  if (!loaded) {
    release_buffers();  // a half-made sound goes too; the slot stays empty
    return 0;
  }
  return 1;
}

bool SoundSlot::load_wave() {
  if (!name || !*name) return false;
  FileChannel channel;
  if (!channel.open_read(name)) return false;
  ChannelWaveSource source(channel);
  WaveFormat format;
  bool loaded = wave_read_header(source, format) == WaveResult::ok &&
                create_buffer(format.data_size, static_cast<int>(format.samples_per_second),
                              format.bits_per_sample, format.block_align, format.channels > 1) &&
                fill_buffer(channel, format.data_size, -1);
  channel.close();
  return loaded;
}

bool SoundSlot::create_buffer(uint32_t data_size, int samples_per_second, int bits_per_sample,
                              int block_align, bool stereo) {
  int channels = stereo ? 2 : 1;
  if (samples) plat_sound_free(samples);
  samples = nullptr;
  const int64_t size = plat_sound_size(data_size, samples_per_second, bits_per_sample, channels);
  if (size > kSoundMaxBytes) {
    const std::string line = "Sound can't be loaded: it takes more than " +
                             std::to_string(kSoundMaxBytes) + " bytes once converted: " +
                             (name ? name : "") + "\n";
    qvl_log_error_file(line.c_str());
  } else if (block_align == channels * bits_per_sample / 8) {
    samples = plat_sound_alloc(data_size, samples_per_second, bits_per_sample, channels);
  }
  if (!samples) device = nullptr;
  return samples != nullptr;
}

bool SoundSlot::fill_buffer(FileChannel& channel, uint32_t size, int64_t offset) {
  if (offset != -1 && !channel.seek(offset, 0)) return false;
  // A memory channel hands out what is left without failing, so the stated
  // size is held against the data first.
  if (!samples || channel.size - channel.position < static_cast<int64_t>(size)) return false;
  // Read and converted a piece at a time: the file's samples are never held
  // whole beside the converted sound. The piece is whole frames of any
  // format (1, 2 or 4 bytes).
  constexpr uint32_t kPiece = 64 * 1024;
  std::vector<uint8_t> piece(std::min(size, kPiece));
  for (uint32_t left = size; left > 0;) {
    const uint32_t count = std::min(left, kPiece);
    if (!channel.read(piece.data(), static_cast<int>(count)) ||
        !plat_sound_feed(samples, piece.data(), count))
      return false;
    left -= count;
  }
  return plat_sound_commit(samples);
}

int SoundSlot::pick_buffer() {
  if (!samples || count <= 0) return -1;
  if (!plat_voice_playing(copies[current])) return current;
  if (count == 1) return -1;
  current = (current + 1) % count;
  plat_voice_stop(copies[current]);
  return current;
}

int SoundSlot::play(int pan, int volume, bool loop) {
  if (!usable()) return -1;
  int copy = pick_buffer();
  if (copy < 0) return -1;
  if (!plat_voice_play(samples, qvl_snd_volume_to_cb(volume), pan, loop, &copies[copy])) return -1;
  return current;
}

bool SoundSlot::is_playing(int copy) const {
  if (copy < 0 || copy >= count) return false;
  return plat_voice_playing(copies[copy]);
}

bool SoundSlot::stop(int copy) {
  if (!usable()) return false;
  if (copy >= 0 && copy < count) return plat_voice_stop(copies[copy]);
  for (int i = 0; i < count; ++i)
    if (!plat_voice_stop(copies[i])) return false;
  return true;
}

void SoundSlot::set_volume_list(int) {
  // Every copy back to full volume, whatever the argument says.
  if (!usable()) return;
  for (int i = 0; i < count; ++i) plat_voice_set_volume(copies[i], 0);
}

void SoundSlot::release_buffers() {
  if (samples) {
    for (int i = 0; i < count; ++i) plat_voice_stop(copies[i]);
    plat_sound_free(samples);
  }
  samples = nullptr;
  for (PlatVoice& voice : copies) voice = PlatVoice{};
  count = 0;
  current = 0;
}

void SoundSlot::reset() {
  release_buffers();
  name = nullptr;
  device = nullptr;
}

void qvl_snd_startup(void* window) {
  qvl_snd_device = new SoundDevice;
  qvl_snd_device->init();
  qvl_snd_slots = new SoundSlot[kSoundSlotCount];
  qvl_snd_device->open(window);
  qvl_snd_device->set_window(window);
}

void qvl_snd_shutdown() {
  if (qvl_snd_slots) {
    for (int i = kSoundSlotCount - 1; i >= 0; --i) qvl_snd_slots[i].release();
    delete[] qvl_snd_slots;
    qvl_snd_slots = nullptr;
  }
  if (qvl_snd_device) {
    qvl_snd_device->release();
    delete qvl_snd_device;
    qvl_snd_device = nullptr;
  }
}

int qvl_snd_free_slot() {
  qvl_err_clear();
  if (qvl_snd_slots)
    for (int i = kSoundSlotCount - 1; i >= 0; --i)
      if (qvl_snd_slots[i].count <= 0) return i;
  qvl_err_raise(7);
  return -1;
}

void qvl_snd_load(const BasicString& name, int slot, int copies) {
  qvl_err_clear();
  if (!slot_in_table(slot)) {
    qvl_err_raise(7);
    return;
  }
  BasicString resolved(name);
  if (!qvl_file_resolve(resolved)) {
    qvl_err_raise(3);
    return;
  }
  if (!qvl_snd_slots || !qvl_snd_slots[slot].load(qvl_snd_device, resolved.c_str(), copies))
    qvl_err_raise(3);
}

int qvl_snd_play(int slot, double pan, double volume) {
  if (!slot_in_table(slot)) {
    // -1, not 0: channel 0 is slot 0's first copy.
    qvl_err_raise(7);
    return -1;
  }
  if (!qvl_snd_slots) return -1;
  // Out-of-range and NaN values are settled before any conversion to int.
  int pan_cb = pan >= 1.0   ? 10000
               : pan < -1.0 ? -10000
               : std::isnan(pan) ? 0
                                 : static_cast<int>(pan * 10000.0);
  int volume_100 = volume >= 1.0 ? 100 : volume > 0.0 ? static_cast<int>(volume * 100.0) : 0;
  int copy = qvl_snd_slots[slot].play(pan_cb, volume_100, false);
  return copy >= 0 ? slot * 256 + copy : copy;
}

int qvl_snd_is_playing(int channel) {
  int slot = channel >> 8;
  if (!slot_in_table(slot)) {
    qvl_err_raise(7);
    return 0;
  }
  if (!qvl_snd_slots) return 0;
  return qvl_snd_slots[slot].is_playing(channel & 0xFF) ? 1 : 0;
}

void qvl_snd_stop(int channel) {
  if (channel < 0) return;
  int slot = channel >> 8;
  if (!slot_in_table(slot)) {
    qvl_err_raise(7);
    return;
  }
  if (qvl_snd_slots) qvl_snd_slots[slot].stop(channel & 0xFF);
}

void qvl_snd_stop_all() {
  if (!qvl_snd_slots) return;
  for (int i = 0; i < kSoundSlotCount; ++i) qvl_snd_slots[i].stop(-1);
}
