// Random numbers: the ISAAC generator (256 words), with this runtime's own
// seeding and its habit of handing out only the first result of each pass.
// Programs that replay a seed rely on both, so neither may change.
#pragma once

#include <cstdint>

struct IsaacState {
  uint32_t count;         // results prepared; seeding sets 256, nothing reads it
  uint32_t results[256];  // results of the last generation pass
  uint32_t memory[256];   // internal state words
  uint32_t a, b, c;       // accumulators; c counts the passes
};

// The one generator state; all zero until the first seeding.
extern IsaacState qvl_rnd_state;

// Starts the generator afresh from seed (any number of times).
void qvl_rnd_seed(uint32_t seed);
// Runs one whole generation pass and returns its first result.
uint32_t qvl_rnd_next();
// 0 for n <= 0 (without a pass); else a number from 0 to n inclusive.
int qvl_rnd_int(int n);
