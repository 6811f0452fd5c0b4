// Stand-in until the runtime core's random generator lands; removed then.
#include "core/random.h"
uint32_t qvl_rnd_next() { static uint32_t s = 12345; s = s * 1103515245u + 12345u; return s; }
