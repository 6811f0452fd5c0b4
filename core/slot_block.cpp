#include "core/slot_block.h"

void* qvl_slot_block_realloc(void* block, size_t bytes) { return std::realloc(block, bytes); }
