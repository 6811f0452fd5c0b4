// What each source holds: the connection a text or packet came over, and
// the bytes counted for it. The packet queues and the text queues keep
// the same tally, so the thread adds them up into one.
#pragma once

#include <cstdint>
#include <unordered_map>

using SourceTally = std::unordered_map<uint32_t, int64_t>;
