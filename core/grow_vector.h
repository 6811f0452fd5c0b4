// GrowVector: the runtime's own growable vector.
//
// A contiguous block of elements with a count, a capacity and a growth rule
// of two numbers each owner picks: the first block holds `minimum` slots,
// and a block asked for more than that grows to the next multiple of `step`
// above the need. The runtime's containers (name lists, vertex lists, queues,
// INI sections, 3D frames) use it rather than the language's arrays.
//
// Elements come in two kinds:
//  - plain records (trivially copyable: numbers, vertex records): the block
//    is raw storage, elements move byte for byte, and slots past `count`
//    hold whatever was there;
//  - objects: every one of the `capacity` slots is a live object for as long
//    as the block exists (slots past `count` keep their last value). They
//    are built, copied and destroyed through GrowVectorHooks<T>: by default
//    the C++ default constructor, assignment and destructor (BasicString);
//    a record written in init/assign/release style opts in with
//    QVL_GROW_VECTOR_RECORD(Type).
//
// Owners call reserve with the count they are about to reach, then store the
// elements and the new count themselves; push does both for one element.
// When a block cannot be had, reserve and push return false and leave the
// vector exactly as it was.
//
// The growth rule adds `step` slots at a time, so a long vector grows many
// times. Blocks whose elements may move byte for byte (plain records and
// BasicString) therefore grow with realloc, which extends large blocks in
// place; other objects are carried into a new block one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

#include "core/basic_string.h"

// How a GrowVector builds, copies and destroys elements of type T.
// relocate carries an element from an old block into a new one just before
// the old slot is destroyed, so C++ types may move rather than copy.
// bitwise_movable: a record may change address by a plain byte copy (it
// holds no pointer into itself), so a block may be moved with realloc.
template <class T>
struct GrowVectorDefaultHooks {
  static constexpr bool plain = std::is_trivially_copyable_v<T>;
  static constexpr bool bitwise_movable = plain;
  static void construct(T* slot) { ::new (static_cast<void*>(slot)) T(); }
  static void assign(T& to, const T& from) { to = from; }
  static void relocate(T& to, T& from) { to = std::move(from); }
  static void destroy(T* slot) { slot->~T(); }
};

template <class T>
struct GrowVectorHooks : GrowVectorDefaultHooks<T> {};

// A BasicString holds no pointer to itself.
template <>
struct GrowVectorHooks<BasicString> : GrowVectorDefaultHooks<BasicString> {
  static constexpr bool bitwise_movable = true;
};

// Hooks for a record type with the members init() (default values),
// assign(const T&) (member-wise copy) and release() (frees what it owns).
// Its C++ constructor and destructor must leave those jobs to init and
// release: a slot is built with the C++ constructor and then init, and
// destroyed with release and then the C++ destructor.
template <class T>
struct GrowVectorRecordHooks {
  static constexpr bool plain = false;
  static constexpr bool bitwise_movable = false;
  static void construct(T* slot) {
    ::new (static_cast<void*>(slot)) T;
    slot->init();
  }
  static void assign(T& to, const T& from) { to.assign(from); }
  static void relocate(T& to, T& from) { to.assign(from); }
  static void destroy(T* slot) {
    slot->release();
    slot->~T();
  }
};

// Opts a record type into GrowVectorRecordHooks; use at global scope right
// after the type's definition, with the type's full name.
#define QVL_GROW_VECTOR_RECORD(Type) \
  template <>                        \
  struct GrowVectorHooks<Type> : GrowVectorRecordHooks<Type> {}

template <class T>
class GrowVector {
  using Hooks = GrowVectorHooks<T>;

 public:
  // Fields in their fixed order.
  T* data = nullptr;     // the element block; null when there is none
  int32_t count = 0;     // elements in use
  int32_t capacity = 0;  // slots in the block
  int32_t step;          // growth step; always positive
  int32_t minimum;       // capacity of the first block and of small ones

  explicit GrowVector(int32_t step_ = 128, int32_t minimum_ = 512)
      : step(step_), minimum(minimum_) {}
  ~GrowVector() { clear(true); }
  // A vector owns its block; its owner copies element by element.
  GrowVector(const GrowVector&) = delete;
  GrowVector& operator=(const GrowVector&) = delete;

  T& operator[](int i) { return data[i]; }
  const T& operator[](int i) const { return data[i]; }

  // The capacity the growth rule gives for a required size n: `minimum`
  // when n <= minimum, else step * (n / step + 1), always above n.
  int64_t grown_capacity(int64_t n) const {
    if (n <= minimum) return minimum;
    // Every owner sets a positive step; a broken one must not divide by 0.
    const int64_t s = step > 0 ? step : 1;
    return s * (n / s + 1);
  }

  // Makes room for n elements (capacity > n, or the growth rule's value
  // for n); count stays. False only when the block cannot be had, and then
  // nothing has changed.
  bool reserve(int n) {
    if (capacity > n) return true;
    Block old;
    if (!regrow(n, old)) return false;
    release_block(old);
    return true;
  }

  // Appends a copy of value. False only when a needed block cannot be
  // had; the vector is then unchanged. value may be an element of this
  // vector, also when the block has to move.
  bool push(const T& value) {
    if (count < capacity) {
      Hooks::assign(data[count], value);
      ++count;
      return true;
    }
    return push_growing(value);
  }

  // Exchanges blocks, counts and growth rules with other. Records that own
  // vectors move them this way when their own container grows.
  void swap(GrowVector& other) noexcept {
    std::swap(data, other.data);
    std::swap(count, other.count);
    std::swap(capacity, other.capacity);
    std::swap(step, other.step);
    std::swap(minimum, other.minimum);
  }

  // Empties the vector; with release also destroys every slot and frees
  // the block. Without release the slots stay for reuse.
  void clear(bool release) {
    if (release && data) {
      release_block(Block{data, capacity});
      data = nullptr;
      capacity = 0;
    }
    count = 0;
  }

 private:
  struct Block {
    T* slots = nullptr;
    int32_t size = 0;
  };

  // Blocks whose byte size does not fit in 32 bits are refused as if the
  // allocator had failed: sizes in the runtime's records are 32-bit.
  static constexpr uint64_t kMaxBlockBytes = UINT32_MAX;
  static constexpr bool kMallocAligned = alignof(T) <= alignof(std::max_align_t);
  static constexpr bool kGrowsInPlace = Hooks::bitwise_movable && kMallocAligned;

  static bool block_size_ok(int64_t slots) {
    return slots > 0 && slots <= INT32_MAX &&
           static_cast<uint64_t>(slots) * sizeof(T) <= kMaxBlockBytes;
  }

  static T* allocate(size_t bytes) {
    if constexpr (kMallocAligned) {
      return static_cast<T*>(std::malloc(bytes));
    } else {
      return static_cast<T*>(::operator new(bytes, std::align_val_t(alignof(T)), std::nothrow));
    }
  }

  static void deallocate(T* slots) {
    if constexpr (kMallocAligned) {
      std::free(slots);
    } else {
      ::operator delete(slots, std::align_val_t(alignof(T)));
    }
  }

  // Destroys every slot of a block, the last first, and frees it.
  static void release_block(Block block) {
    if (!block.slots) return;
    if constexpr (!Hooks::plain) {
      for (int32_t i = block.size; i-- > 0;) Hooks::destroy(&block.slots[i]);
    }
    deallocate(block.slots);
  }

  // push on a full block, kept out of line so the common case stays small.
  // Where value sits in the block, if it does: after the move it is read
  // from its new place, never from the old block.
  bool push_growing(const T& value) {
    const T* source = std::addressof(value);
    const int64_t index = index_in_block(source);
    Block old;
    if (!regrow(static_cast<int64_t>(count) + 1, old)) return false;
    if (index >= 0 && (kGrowsInPlace || index < count)) source = &data[index];
    Hooks::assign(data[count], *source);
    ++count;
    release_block(old);
    return true;
  }

  // Index of p among the block's slots, or -1.
  int64_t index_in_block(const T* p) const {
    if (!data) return -1;
    const std::less<const T*> before;
    if (before(p, data) || !before(p, data + capacity)) return -1;
    return p - data;
  }

  // Puts a block of the growth rule's size for n in place holding the
  // first `count` elements, every slot built for objects. A block that
  // grew in place leaves old empty; otherwise old is the previous block,
  // which the caller releases once it no longer reads from it. On failure
  // nothing changes.
  bool regrow(int64_t n, Block& old) {
    const int64_t new_capacity = grown_capacity(n);
    if (!block_size_ok(new_capacity)) return false;
    const size_t bytes = static_cast<size_t>(new_capacity) * sizeof(T);
    T* fresh;
    if constexpr (kGrowsInPlace) {
      // Every old slot keeps its bytes; only the new tail is built.
      fresh = static_cast<T*>(std::realloc(static_cast<void*>(data), bytes));
      if (!fresh) return false;
      if constexpr (!Hooks::plain) {
        for (int64_t i = capacity; i < new_capacity; ++i) Hooks::construct(&fresh[i]);
      }
    } else {
      fresh = allocate(bytes);
      if (!fresh) return false;
      if constexpr (Hooks::plain) {
        if (count > 0) std::memcpy(static_cast<void*>(fresh), data, sizeof(T) * count);
      } else {
        for (int64_t i = 0; i < new_capacity; ++i) Hooks::construct(&fresh[i]);
        for (int32_t i = 0; i < count; ++i) Hooks::relocate(fresh[i], data[i]);
      }
      old = Block{data, capacity};
    }
    data = fresh;
    capacity = static_cast<int32_t>(new_capacity);
    return true;
  }
};
