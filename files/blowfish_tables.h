// Blowfish's initial P-array and S-boxes (the hexadecimal digits of pi).
// Every keying starts again from these constants.
#pragma once

#include <cstdint>

extern const uint32_t kBlowfishInitP[18];
// S0 at 0..255, S1 at 256..511, S2 at 512..767, S3 at 768..1023.
extern const uint32_t kBlowfishInitS[1024];
