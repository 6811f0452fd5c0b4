// Stand-in until the runtime core's random generator lands; removed then.
#pragma once
#include <cstdint>
uint32_t qvl_rnd_next();
