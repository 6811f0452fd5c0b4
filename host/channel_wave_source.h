// The WAVE reader's source over a disk or memory channel, for the sound
// slots' loader and the music's chunk check.
#pragma once

#include <cstdint>

#include "files/file_channel.h"
#include "host/wave_file.h"

class ChannelWaveSource : public WaveSource {
 public:
  explicit ChannelWaveSource(FileChannel& channel) : channel_(channel) {}
  bool read(void* destination, uint32_t count) override {
    return count <= remaining() && channel_.read(destination, static_cast<int>(count));
  }
  bool skip(uint32_t count) override {
    if (count > remaining()) return false;
    return channel_.seek(static_cast<int64_t>(count), 1);
  }
  uint64_t remaining() const override {
    int64_t left = channel_.size - channel_.position;
    return left > 0 ? static_cast<uint64_t>(left) : 0;
  }

 private:
  FileChannel& channel_;
};
