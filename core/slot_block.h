// SlotBlock: the storage under the runtime's containers (BasicArray,
// GrowVector).
//
// The language fixes the capacities its containers report: an array grows
// by its type's step, a vector by its owner's step and minimum, and programs
// and tests read those numbers. Growing the storage by the same small steps
// would copy every element at every step, so a long list would cost time
// quadratic in its length. A block therefore records its real size, its
// room, in a small header before the first slot: the containers keep the
// capacities they are asked for while the room under them grows
// geometrically, and most growth finds the room already there.
//
// A block is raw memory here; the containers build, move and destroy the
// objects in it. Slots are 64-bit counted; blocks come from malloc (realloc
// may move them) or, for over-aligned types, from aligned operator new.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

// realloc, out of line: the compiler's use-after-free analysis cannot tell
// a failed realloc (the old block stays valid, and is kept) from a moved
// one when it sees the call inline.
void* qvl_slot_block_realloc(void* block, size_t bytes);

template <class T>
class SlotBlock {
 public:
  static constexpr bool kMallocAligned = alignof(T) <= alignof(std::max_align_t);

  // Room for `room` slots, not built: zeroed when zeroed is set. Null when
  // the block cannot be had.
  static T* allocate(int64_t room, bool zeroed) {
    const size_t bytes = byte_size(room);
    if (bytes == 0) return nullptr;
    void* raw;
    if constexpr (kMallocAligned) {
      raw = zeroed ? std::calloc(1, bytes) : std::malloc(bytes);
    } else {
      raw = ::operator new(bytes, std::align_val_t(alignof(T)), std::nothrow);
      if (raw && zeroed) std::memset(raw, 0, bytes);
    }
    if (!raw) return nullptr;
    return place(raw, room);
  }

  // The block resized to `room` slots, its bytes moved along (realloc); only
  // for slots that may move byte for byte. Null on failure, and then the old
  // block is still there as it was.
  static T* reallocate(T* slots, int64_t room) {
    static_assert(kMallocAligned, "realloc gives no stronger alignment than malloc");
    if (!slots) return allocate(room, false);
    const size_t bytes = byte_size(room);
    if (bytes == 0) return nullptr;
    void* raw = qvl_slot_block_realloc(header_of(slots), bytes);
    if (!raw) return nullptr;
    return place(raw, room);
  }

  // Slots the block has room for; 0 for no block.
  static int64_t room(const T* slots) {
    return slots ? *reinterpret_cast<const int64_t*>(
                       reinterpret_cast<const char*>(slots) - kHeader)
                 : 0;
  }

  // Frees the memory (the caller has destroyed what it built there).
  static void free(T* slots) {
    if (!slots) return;
    if constexpr (kMallocAligned) {
      std::free(header_of(slots));
    } else {
      ::operator delete(header_of(slots), std::align_val_t(alignof(T)));
    }
  }

 private:
  // The header keeps the first slot as aligned as the allocator's memory.
  static constexpr size_t kHeader =
      alignof(T) > alignof(std::max_align_t) ? alignof(T) : alignof(std::max_align_t);
  static_assert(kHeader >= sizeof(int64_t));

  static size_t byte_size(int64_t room) {
    if (room <= 0 || static_cast<uint64_t>(room) > (SIZE_MAX - kHeader) / sizeof(T)) return 0;
    return kHeader + static_cast<size_t>(room) * sizeof(T);
  }

  static void* header_of(T* slots) { return reinterpret_cast<char*>(slots) - kHeader; }

  static T* place(void* raw, int64_t room) {
    *static_cast<int64_t*>(raw) = room;
    return reinterpret_cast<T*>(static_cast<char*>(raw) + kHeader);
  }
};
