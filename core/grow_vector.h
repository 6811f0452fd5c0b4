// GrowVector: the runtime's own growable vector.
//
// A contiguous block of elements with a count, a capacity and a growth rule
// of two numbers each owner picks: the first block holds `minimum` slots,
// and a block asked for more than that grows to the next multiple of `step`
// above the need. The runtime's containers (name lists, vertex lists, queues,
// INI sections, 3D frames) use it rather than the language's arrays.
//
// `capacity` always follows that rule, as programs expect. The storage under
// it (its room, see core/slot_block.h) grows geometrically instead, so a
// long vector is not copied at every step:
//  - plain records (trivially copyable: numbers, vertex records): the room
//    is at least the capacity; elements move byte for byte, and slots past
//    `count` hold whatever was there;
//  - objects: every slot of the room is a live object (slots past `count`
//    keep their last value), but the room may be smaller than the capacity
//    and is built as the elements come: a section with a capacity of 512
//    entries that holds three does not build 512. Owners reach slots only
//    through reserve and push, which always make room for the index asked.
//    Objects are built, moved and destroyed through GrowVectorHooks<T>: by
//    default the C++ default constructor, assignment and destructor
//    (BasicString); a record written in init/assign/release style opts in
//    with QVL_GROW_VECTOR_RECORD(Type).
//
// Owners call reserve with the count they are about to reach, then store the
// elements and the new count themselves; push does both for one element.
// When a block cannot be had, reserve and push return false and leave the
// vector exactly as it was.
//
// When the room runs out, elements move to the larger block: byte for byte
// with realloc for records that allow it (plain records, BasicString, the
// init/assign/release records), by their move assignment otherwise.
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
#include "core/slot_block.h"

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
// destroyed with release and then the C++ destructor. Such a record holds
// no pointer into itself (its lists are GrowVectors, whose blocks live on
// the heap), so it moves byte for byte when its vector's block moves.
template <class T>
struct GrowVectorRecordHooks {
  static constexpr bool plain = false;
  static constexpr bool bitwise_movable = true;
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

// Declares that a C++ type with ordinary constructors holds no pointer into
// itself, so its elements may move byte for byte (realloc) when the block
// grows; use at global scope after the type's definition.
#define QVL_GROW_VECTOR_BITWISE(Type)                                  \
  template <>                                                          \
  struct GrowVectorHooks<Type> : GrowVectorDefaultHooks<Type> {        \
    static constexpr bool bitwise_movable = true;                      \
  }

template <class T>
class GrowVector {
  using Hooks = GrowVectorHooks<T>;
  using Block = SlotBlock<T>;

 public:
  // Fields in their fixed order.
  T* data = nullptr;     // the element block; null when there is none
  int32_t count = 0;     // elements in use
  int32_t capacity = 0;  // slots the growth rule has given the vector
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

  // Slots the block really holds (see the top of this file).
  int64_t room() const { return Block::room(data); }

  // Makes room for index n (capacity > n, by the growth rule's value for n
  // when it was not); count stays. False only when the block cannot be
  // had, and then nothing has changed.
  bool reserve(int n) {
    if (capacity > n && room() > n) return true;
    const int64_t new_capacity = capacity > n ? capacity : grown_capacity(n);
    if (!capacity_ok(new_capacity) || !make_room(n, new_capacity)) return false;
    capacity = static_cast<int32_t>(new_capacity);
    return true;
  }

  // Appends a copy of value. False only when a needed block cannot be
  // had; the vector is then unchanged. value may be an element of this
  // vector, also when the block has to move.
  bool push(const T& value) {
    if (count < capacity && count < room()) {
      Hooks::assign(data[count], value);
      ++count;
      return true;
    }
    return push_growing(value, [](T& to, const T& from) { Hooks::assign(to, from); });
  }

  // Appends value, moving it in rather than copying it.
  bool push(T&& value) {
    if (count < capacity && count < room()) {
      Hooks::relocate(data[count], value);
      ++count;
      return true;
    }
    return push_growing(value, [](T& to, T& from) { Hooks::relocate(to, from); });
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
      release_block(data);
      data = nullptr;
      capacity = 0;
    }
    count = 0;
  }

 private:
  // Capacities and rooms whose byte size does not fit in 32 bits are refused
  // as if the allocator had failed: sizes in the runtime's records are 32-bit.
  static constexpr int64_t kMaxSlots =
      static_cast<int64_t>(UINT32_MAX / sizeof(T)) < INT32_MAX
          ? static_cast<int64_t>(UINT32_MAX / sizeof(T))
          : INT32_MAX;
  static constexpr bool kGrowsInPlace = Hooks::bitwise_movable && Block::kMallocAligned;

  static bool capacity_ok(int64_t slots) { return slots > 0 && slots <= kMaxSlots; }

  // Destroys every slot of a block, the last first, and frees it.
  static void release_block(T* slots) {
    if (!slots) return;
    if constexpr (!Hooks::plain) {
      for (int64_t i = Block::room(slots); i-- > 0;) Hooks::destroy(&slots[i]);
    }
    Block::free(slots);
  }

  // push on a full block, kept out of line so the common case stays small.
  // Where value sits in the block, if it does: after the move it is read
  // from its new place, never from the old block.
  template <class Value, class Store>
  bool push_growing(Value& value, Store store) {
    auto* source = std::addressof(value);
    const int64_t index = index_in_block(source);
    const int64_t n = static_cast<int64_t>(count) + 1;
    const int64_t new_capacity = count < capacity ? capacity : grown_capacity(n);
    if (!capacity_ok(new_capacity)) return false;
    T* old = nullptr;
    if (!make_room(count, new_capacity, &old)) return false;
    if (index >= 0 && (!old || index < count)) source = &data[index];
    store(data[count], *source);
    capacity = static_cast<int32_t>(new_capacity);
    ++count;
    release_block(old);
    return true;
  }

  // Index of p among the block's slots, or -1.
  int64_t index_in_block(const T* p) const {
    if (!data) return -1;
    const std::less<const T*> before;
    if (before(p, data) || !before(p, data + room())) return -1;
    return p - data;
  }

  // The room a block needs to hold index n under a capacity of
  // new_capacity: index n itself for objects (built as they come), the
  // whole capacity for plain records; and when it must grow, at least
  // twice what it was.
  int64_t wanted_room(int64_t n, int64_t new_capacity) const {
    int64_t need = n + 1;
    if constexpr (Hooks::plain) need = need > new_capacity ? need : new_capacity;
    const int64_t doubled = 2 * room();
    const int64_t small = new_capacity < 8 ? new_capacity : 8;
    int64_t want = need > doubled ? need : doubled;
    if (want < small) want = small;
    return want > kMaxSlots ? kMaxSlots : want;
  }

  // Makes the block hold index n and every slot of new_capacity that a
  // plain vector must have, moving the first `count` elements along and
  // building every new slot of objects. When the elements left an old block
  // behind, it is handed to the caller through old (who releases it once
  // it no longer reads from it), or released here. On failure nothing
  // changes.
  bool make_room(int64_t n, int64_t new_capacity, T** old = nullptr) {
    const int64_t have = room();
    int64_t need = n + 1;
    if constexpr (Hooks::plain) need = need > new_capacity ? need : new_capacity;
    if (need <= have) return true;
    const int64_t want = wanted_room(n, new_capacity);
    if (want < need) return false;
    T* fresh;
    if constexpr (kGrowsInPlace) {
      // Every old slot keeps its bytes; only the new tail is built.
      fresh = Block::reallocate(data, want);
      if (!fresh) return false;
      if constexpr (!Hooks::plain) {
        for (int64_t i = have; i < want; ++i) Hooks::construct(&fresh[i]);
      }
      data = fresh;
      return true;
    } else {
      fresh = Block::allocate(want, false);
      if (!fresh) return false;
      if constexpr (Hooks::plain) {
        if (count > 0) std::memcpy(static_cast<void*>(fresh), data, sizeof(T) * count);
      } else {
        for (int64_t i = 0; i < want; ++i) Hooks::construct(&fresh[i]);
        for (int32_t i = 0; i < count; ++i) Hooks::relocate(fresh[i], data[i]);
      }
      if (old)
        *old = data;
      else
        release_block(data);
      data = fresh;
      return true;
    }
  }
};
