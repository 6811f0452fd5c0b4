// ISAAC, the published 256-word generator. The pass is the standard one;
// the seeding is not: the seed is added to the first mixing word once per
// block before the four warm-up mixes, rather than entering through the
// results array. All arithmetic is unsigned 32-bit with wrap-around.
#include "core/isaac.h"

#include <cstring>

IsaacState qvl_rnd_state = {};

namespace {

constexpr uint32_t kGoldenRatio = 0x9e3779b9u;

// The eight-word mix of the reference (its a to h are w[0] to w[7]).
void mix(uint32_t w[8]) {
  w[0] ^= w[1] << 11; w[3] += w[0]; w[1] += w[2];
  w[1] ^= w[2] >> 2;  w[4] += w[1]; w[2] += w[3];
  w[2] ^= w[3] << 8;  w[5] += w[2]; w[3] += w[4];
  w[3] ^= w[4] >> 16; w[6] += w[3]; w[4] += w[5];
  w[4] ^= w[5] << 10; w[7] += w[4]; w[5] += w[6];
  w[5] ^= w[6] >> 4;  w[0] += w[5]; w[6] += w[7];
  w[6] ^= w[7] << 8;  w[1] += w[6]; w[7] += w[0];
  w[7] ^= w[0] >> 9;  w[2] += w[7]; w[0] += w[1];
}

void store_block(IsaacState& s, int block, const uint32_t w[8]) {
  std::memcpy(&s.memory[8 * block], w, 8 * sizeof(uint32_t));
}

void generation_pass(IsaacState& s) {
  s.c += 1;
  s.b += s.c;
  for (int i = 0; i < 256; ++i) {
    const uint32_t x = s.memory[i];
    switch (i & 3) {
      case 0: s.a ^= s.a << 13; break;
      case 1: s.a ^= s.a >> 6; break;
      case 2: s.a ^= s.a << 2; break;
      default: s.a ^= s.a >> 16; break;
    }
    s.a += s.memory[(i + 128) & 255];
    const uint32_t y = s.memory[(x >> 2) & 255] + s.a + s.b;
    s.memory[i] = y;
    s.b = s.memory[(y >> 10) & 255] + x;
    s.results[i] = s.b;
  }
}

}  // namespace

void qvl_rnd_seed(uint32_t seed) {
  IsaacState& s = qvl_rnd_state;
  s = IsaacState{};
  uint32_t w[8];
  for (uint32_t& word : w) word = kGoldenRatio;
  for (int k = 0; k < 32; ++k) {
    w[0] += seed;
    mix(w);
    store_block(s, k, w);
  }
  for (int i = 0; i < 4; ++i) mix(w);
  // The results are all zero here; the pass over them still mixes and
  // overwrites what the seeding loop stored.
  for (int k = 0; k < 32; ++k) {
    for (int j = 0; j < 8; ++j) w[j] += s.results[8 * k + j];
    mix(w);
    store_block(s, k, w);
  }
  for (int k = 0; k < 32; ++k) {
    for (int j = 0; j < 8; ++j) w[j] += s.memory[8 * k + j];
    mix(w);
    store_block(s, k, w);
  }
  generation_pass(s);
  s.count = 256;
}

uint32_t qvl_rnd_next() {
  generation_pass(qvl_rnd_state);
  return qvl_rnd_state.results[0];
}

int qvl_rnd_int(int n) {
  if (n <= 0) return 0;
  // Unsigned divisor: n + 1 stays exact even for n = INT_MAX (2^31), and
  // the remainder, at most n, fits back into an int.
  const uint32_t divisor = static_cast<uint32_t>(n) + 1u;
  return static_cast<int>(qvl_rnd_next() % divisor);
}
