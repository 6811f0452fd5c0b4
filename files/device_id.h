// The device id of the platform query: a random id made once and kept in
// "quarvel.deviceid" in the application-data folder.
#pragma once

#include <cstdint>

#include "core/basic_string.h"

// The id from the file, or a new one stored there. "FA17ED" when no id can
// be stored (no application-data folder, or the file cannot be written):
// the id is never written anywhere else, the current folder included.
BasicString qvl_plat_device_id();

// The Windows C runtime's rand(), reproduced: the same linear congruential
// sequence from seed 1, numbers 0 to 32767. The id's randomness comes from it
// as it always did.
int qvl_msvc_rand();
void qvl_msvc_srand(uint32_t seed);

// A 32-bit value as 8 upper-case hex digits, least significant byte first.
void qvl_plat_append_hex_le(BasicString& out, uint32_t value);
