// libFuzzer target for the LZ decoder: any bytes must decode without
// reading past them, and whatever the encoder makes must come back intact.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "files/lz_codec.h"

namespace {

// The encoder's 256 KB hash table, made once: allocating it on every run
// made each run cost as much as the work itself, and the fuzzer then never
// got past short inputs. encode clears it before use.
int32_t* shared_hash_table() {
  static int32_t* table = static_cast<int32_t*>(std::malloc(LzCodec::kHashBytes));
  return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1 << 20)) return 0;
  int n = static_cast<int>(size);
  LzCodec codec;
  int length = codec.decode(data, n);
  if (length < 0 || length != codec.output_length) std::abort();
  if (length > 0 && codec.output_capacity < length + 8) std::abort();

  // The same bytes as plain input survive a round trip.
  LzCodec packer;
  packer.hash_table = shared_hash_table();
  int packed_length = packer.encode(data, n);
  LzCodec unpacker;
  int unpacked = unpacker.decode(packer.output, packed_length);
  bool intact = unpacker.complete && unpacked == n &&
                (n == 0 || std::memcmp(unpacker.output, data, size) == 0);
  packer.hash_table = nullptr;  // kept for the next run, not freed with the codec
  if (!intact) std::abort();
  return 0;
}
