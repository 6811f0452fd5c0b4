// libFuzzer target for the WAVE reader: any bytes must be read or refused
// without reading past them, and an accepted file must describe itself
// consistently.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "host/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WaveMemorySource source(data, size);
  WaveFormat format{};
  std::vector<uint8_t> samples;
  WaveResult result = wave_read(source, format, samples);
  if (result != WaveResult::ok) {
    if (!samples.empty()) std::abort();
    return 0;
  }
  if (samples.size() != format.data_size || format.data_size == 0 || format.data_size > size)
    std::abort();
  if (format.channels < 1 || format.channels > 2) std::abort();
  if (format.bits_per_sample != 8 && format.bits_per_sample != 16) std::abort();
  if (format.data_size % format.block_align != 0) std::abort();
  return 0;
}
