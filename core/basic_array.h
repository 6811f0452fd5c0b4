// BasicArray<T>: the language's array of up to four dimensions, one
// instantiation per element type.
//
// The record is shared with compiled code, so its fields keep a fixed order:
// the element block, three strides, four sizes, count, dimension count and
// capacity. Element (i, j, k, l) is slot i + j*stride1 + k*stride2 +
// l*stride3: the first index runs fastest.
//
// Two element kinds:
//   - numbers and bytes (int, double, unsigned char): the block holds plain
//     values, reset to 0;
//   - objects (BasicString and the TYPE records): every one of the
//     `capacity` slots is a constructed object while the block exists.
//
// Adding an element type: an object type works as it is (it needs a default
// constructor, copy construction and assignment); give it its growth step
// with one line after its declaration, at global scope (a type inside a
// namespace is named with it):
//     QVL_ARRAY_STEP(Tenemy, 8);
// A record sorted without a compare routine also provides
//     int qvl_array_first_field(const Tenemy& e);   // its first field
// in the type's own namespace (found by argument-dependent lookup).
//
// Errors never throw: a bad index reports the bounds, raises 9 and ends the
// program; a block that cannot be had raises 7 and ends the program. While
// the program is already ending those calls return and every operation here
// carries on safely (accesses hand back a neutral fallback element).
//
// Growth: `capacity` is the number of slots the language's rules give (the
// type's step above the count), and programs read it. The block under it
// may hold more, its room (core/slot_block.h): when a one-dimensional array
// grows (push, REDIM of a list), the room doubles, so a long list grows in
// place most of the time, and its elements move to a new block, rather than
// being copied, when the room runs out. Slots past the capacity are built
// objects too, reset before the capacity grows over them, so what a
// program sees is what a new block of the language's size would hold.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <type_traits>
#include <utility>

#include "core/basic_string.h"
#include "core/error_state.h"
#include "core/slot_block.h"

// Growth step of `dim` for an element type: a new block gets
// step * (n / step + 1) slots. Types without their own line use 8 for large
// records (they are few and costly to construct) and 64 for small ones.
template <class T>
inline constexpr int qvl_array_step = (sizeof(T) >= 256) ? 8 : 64;

#define QVL_ARRAY_STEP(Type, step) \
  template <>                      \
  inline constexpr int qvl_array_step<Type> = (step)

// Whether an element may change address by a plain byte copy (it holds no
// pointer into itself), so that a growing block may move with realloc
// instead of element by element. Numbers and strings may; a record type
// may declare it with one line after its declaration:
//     QVL_ARRAY_BITWISE(Tpoint);
template <class T>
inline constexpr bool qvl_array_bitwise = std::is_trivially_copyable_v<T>;

#define QVL_ARRAY_BITWISE(Type) \
  template <>                   \
  inline constexpr bool qvl_array_bitwise<Type> = true

QVL_ARRAY_BITWISE(BasicString);

QVL_ARRAY_STEP(int, 8);
QVL_ARRAY_STEP(double, 8);
QVL_ARRAY_STEP(unsigned char, 8);
QVL_ARRAY_STEP(BasicString, 64);

// Writes "bounds: " and "access: " lines to the debug log and then to
// standard error. `depth` is how many dimensions the report may list: 2 for
// the usual form, 4 for byte arrays. Listed: size1 always, a further
// dimension only while its size is above 0 (and the one before was listed).
void qvl_array_report_bounds(int depth, const int sizes[4], const int index[4]);

// A compare routine's result, truncated toward zero to an integer. Results
// beyond the int range saturate and NaN counts as 0, so a wild routine can
// never make the conversion itself undefined.
int qvl_array_compare_result(double r);

template <class T>
class BasicArray {
 public:
  using Compare = double (*)(T& a, T& b);
  static constexpr bool kNumber = std::is_arithmetic_v<T>;
  static constexpr bool kByte = std::is_same_v<T, unsigned char>;
  static constexpr int kStep = qvl_array_step<T>;

  // Fields in their fixed order.
  T* data;
  int32_t stride1;
  int32_t stride2;
  int32_t stride3;
  int32_t size1;
  int32_t size2;
  int32_t size3;
  int32_t size4;
  int32_t count;
  int32_t dim_count;
  int32_t capacity;

  BasicArray() { clear_fields(); }
  ~BasicArray() { destroy(); }
  BasicArray(const BasicArray& other) {
    clear_fields();
    assign(other);
  }
  BasicArray& operator=(const BasicArray& other) { return assign(other); }
  BasicArray(BasicArray&& other) noexcept {
    clear_fields();
    swap_fields(other);
  }
  BasicArray& operator=(BasicArray&& other) noexcept {
    if (this != &other) {
      BasicArray old(std::move(*this));
      swap_fields(other);
    }
    return *this;
  }

  // ---- Element access -------------------------------------------------
  // A negative first index counts back from size1 (once); the other
  // indices are taken as given. A missing dimension (size 0) accepts only
  // index 0. On a bad index: bounds report, error 9, END.

  T& at(int i) {
    if (i < 0) i += size1;
    if (data && i >= 0 && i < size1) [[likely]]
      return data[i];
    return fail_at(i);
  }

  // The slot test of at2 and at4 never fails for an array shaped by dim; it
  // keeps a two-dimensional array that push grew while the program was
  // ending from handing out a slot beyond its block.
  T& at2(int i, int j) {
    if (i < 0) i += size1;
    if (data && i >= 0 && i < size1 && index_ok(j, size2)) [[likely]] {
      int64_t slot = int64_t(i) + int64_t(j) * stride1;
      if (uint64_t(slot) < uint64_t(capacity)) return data[slot];
    }
    return fail_at2(i, j);
  }

  T& at4(int i, int j, int k, int l) { return at4_form<4>(i, j, k, l); }

  // at4 (i, j, 0, 0) with a fallback of its own.
  T& at2_strict(int i, int j) { return at4_form<3>(i, j, 0, 0); }

  // The first element of a string array (the GUI library's short form).
  T& at_first() { return at(0); }

  // Size of dimension n counted from 0; 0 for any other n.
  int bound(int n) const {
    switch (n) {
      case 0: return size1;
      case 1: return size2;
      case 2: return size3;
      case 3: return size4;
      default: return 0;
    }
  }

  void report_bounds(int i, int j, int k, int l) const {
    const int sizes[4] = {size1, size2, size3, size4};
    const int index[4] = {i, j, k, l};
    qvl_array_report_bounds(kByte ? 4 : 2, sizes, index);
  }

  // Releases the block and every slot in it (objects from the last slot to
  // the first). The array is left empty rather than pointing at freed
  // memory, so a destroyed array can be destroyed or dimensioned again.
  void destroy() {
    if (!data) return;
    release_block(data);
    data = nullptr;
    capacity = 0;
  }

  // Slots the block really holds, capacity and more (see the top of this
  // file); 0 without a block.
  int64_t room() const { return Block::room(data); }

  // ---- DIM ------------------------------------------------------------

  // New sizes a x b x c x d; every element in use is reset. A first size of
  // 0 or less empties the array; further sizes of 0 or less count as 1 in
  // the element count and are stored as given. A new block keeps spare
  // slots (kStep granularity). Returns the new count.
  int dim(int a, int b, int c, int d) {
    dim_with(a, b, c, d, false);
    return count;
  }

  // As dim, but a new block has exactly as many slots as elements.
  int dim_exact(int a, int b, int c, int d) {
    dim_with(a, b, c, d, true);
    return count;
  }

  // ---- REDIM, fill, assignment ----------------------------------------

  // New sizes keeping the elements inside both the old and the new sizes
  // (object arrays: only those whose third and fourth indices are 0).
  // Always builds a new block unless a <= 0, which only empties the array.
  void redim(int a, int b, int c, int d) {
    if (a <= 0) {
      stride1 = stride2 = stride3 = 0;
      size1 = size2 = size3 = size4 = 0;
      count = dim_count = 0;
      return;
    }
    if (b == 0 && c == 0 && d == 0 && size2 == 0 && size3 == 0 && size4 == 0 && data) {
      redim_list(a);
      return;
    }
    BasicArray fresh;
    if (!fresh.dim_with(a, b, c, d, false)) return;  // keep what we have
    copy_overlap(fresh, a, b, c, d);
    swap_fields(fresh);  // fresh now holds the old block and releases it
  }

  // Dimensions to n elements and stores values[0 .. n-1].
  void fill(int n, const T* values) {
    dim(n, 0, 0, 0);
    for (int k = 0; k < n && k < size1; ++k) at(k) = values[k];
  }

  // Array assignment: this becomes a copy of source (sizes and the first
  // size1 * size2 * size3 * size4 slots, in storage order). Assigning an
  // array to itself keeps it as it is.
  BasicArray& assign(const BasicArray& source) {
    if (&source == this) return *this;
    if (!dim_with(source.size1, source.size2, source.size3, source.size4, false))
      return *this;  // no block to be had (the program is ending)
    int64_t e = int64_t(size1) * std::max(size2, 1) * std::max(size3, 1) *
                std::max(size4, 1);
    count = int32_t(e);
    // A source bent by push while ending may hold fewer slots than its sizes
    // claim: never read past either block.
    int64_t n = e;
    if (n > source.capacity) n = source.capacity;
    if (n > capacity) n = capacity;
    if (!source.data) n = 0;
    if constexpr (kNumber) {
      if (n > 0) std::memcpy(data, source.data, size_t(n) * sizeof(T));
    } else {
      for (int64_t s = 0; s < n; ++s) data[s] = source.data[s];
    }
    return *this;
  }

  // ---- push, remove, sort ---------------------------------------------

  // Appends a copy of value to a one-dimensional array; returns the new last
  // element. A second dimension raises error 8.
  T& push(const T& value) {
    if (size2 != 0) {
      qvl_err_raise(8);
      qvl_err_end_program_once();
    }
    if (int64_t(size1) + 1 < capacity) {
      size1 += 1;
      count += 1;
      return at(size1 - 1) = value;
    }
    if (size1 == INT32_MAX) return fail_alloc();
    const auto at_value = reinterpret_cast<uintptr_t>(&value);
    const auto block = reinterpret_cast<uintptr_t>(data);
    if (data && at_value >= block && at_value < block + size_t(room()) * sizeof(T)) {
      // The value lives in the block that the growth may move or reset.
      T copy(value);
      return grow_and_set(std::move(copy));
    }
    return grow_and_set(value);
  }

  // Deletes first index i (negative counts back from size1) and closes the
  // gap; with a second dimension every element with that first index goes.
  // Returns the new size1. Slots keep their places (stride1 stays).
  int remove(int i) {
    int pos = i < 0 ? i + size1 : i;
    if (!data || pos < 0 || pos >= size1) {
      at(i);         // reports the bad index and ends the program
      return size1;  // ending already: leave the array alone
    }
    if (size2 == 0) {
      // Elements move down; the last one is copied, so that its old slot
      // keeps its value as the language has it.
      for (int k = pos; k < size1 - 2; ++k) data[k] = std::move(data[k + 1]);
      if (pos < size1 - 1) data[size1 - 2] = data[size1 - 1];
    } else {
      for (int k = pos; k < size1 - 1; ++k)
        for (int j = 0; j < size2; ++j) at2(k, j) = at2(k + 1, j);
    }
    size1 -= 1;
    count -= 1;
    return size1;
  }

  // Sorts elements 0 .. size1-1 with compare, or by the elements' first
  // field when compare is null. A compare routine must order the first two
  // elements antisymmetrically, else error 4.
  void sort(Compare compare) {
    int n = size1;
    if (n <= 1 || !data) return;
    if (!compare) {
      if constexpr (requires(const T& e) { qvl_array_first_field(e); }) {
        quicksort_by_first(0, n - 1);
      }
      return;
    }
    int64_t r1 = qvl_array_compare_result(compare(data[0], data[1]));
    int64_t r2 = qvl_array_compare_result(compare(data[1], data[0]));
    if (r1 + r2 != 0 || r2 < -1 || r2 > 1) {
      qvl_err_raise(4);
      qvl_err_end_program_once();
    }
    quicksort(0, n - 1, compare);
  }

  // The language's quicksort over positions first .. last of the block.
  // The pivot is whatever sits at position last, read again at every
  // comparison, and the second scan runs upward; this fixes the final order
  // of equal elements, which callers (draw order) rely on. Each pass splits
  // the range into two disjoint parts; the smaller part is sorted by
  // recursion and the larger by looping, so the depth stays logarithmic.
  void quicksort(int first, int last, Compare compare) {
    auto rank = [compare](T& x, T& pivot) {
      return qvl_array_compare_result(compare(x, pivot));
    };
    // The routine is called before the bounds test, as the language does.
    auto scan_up = [this, rank](int p, int last) {
      while (rank(data[p], data[last]) < 0 && p < last) ++p;
      return p;
    };
    auto scan_second = [this, rank](int q, int last) {
      while (rank(data[q], data[last]) > 0 && q < last) ++q;
      return q;
    };
    sort_range(first, last, scan_up, scan_second);
  }

  // The same quicksort ordering by the elements' first field. Both scans
  // stop at the pivot itself, so they need no bounds test, and the pivot's
  // key can be read once per scan (it changes only with a swap).
  void quicksort_by_first(int first, int last) {
    auto scan_up = [this](int p, int last) {
      const int pivot = qvl_array_first_field(data[last]);
      while (qvl_array_first_field(data[p]) < pivot) ++p;
      return p;
    };
    auto scan_second = [this](int q, int last) {
      const int pivot = qvl_array_first_field(data[last]);
      while (qvl_array_first_field(data[q]) > pivot) ++q;
      return q;
    };
    sort_range(first, last, scan_up, scan_second);
  }

 private:
  static bool index_ok(int index, int size) {
    return index >= 0 && (size == 0 ? index == 0 : index < size);
  }

  void clear_fields() {
    data = nullptr;
    stride1 = stride2 = stride3 = 0;
    size1 = size2 = size3 = size4 = 0;
    count = dim_count = capacity = 0;
  }

  void swap_fields(BasicArray& o) noexcept {
    std::swap(data, o.data);
    std::swap(stride1, o.stride1);
    std::swap(stride2, o.stride2);
    std::swap(stride3, o.stride3);
    std::swap(size1, o.size1);
    std::swap(size2, o.size2);
    std::swap(size3, o.size3);
    std::swap(size4, o.size4);
    std::swap(count, o.count);
    std::swap(dim_count, o.dim_count);
    std::swap(capacity, o.capacity);
  }

  // ---- failure paths (kept out of the access path) ----

  // One neutral element per access form, built on the first failure while
  // the program is ending and kept (with whatever was written to it) until
  // exit.
  template <int Form>
  static T& fallback() {
    static T value{};
    return value;
  }

  [[gnu::noinline, gnu::cold]] T& fail_at(int i) {
    report_bounds(i, 0, 0, 0);
    qvl_err_raise(9);
    qvl_err_end_program_once();
    return fallback<1>();
  }

  [[gnu::noinline, gnu::cold]] T& fail_at2(int i, int j) {
    report_bounds(i, j, 0, 0);
    qvl_err_raise(9);
    qvl_err_end_program_once();
    return fallback<2>();
  }

  template <int Form>
  T& at4_form(int i, int j, int k, int l) {
    if (i < 0) i += size1;
    if (data && i >= 0 && i < size1 && index_ok(j, size2) && index_ok(k, size3) &&
        index_ok(l, size4)) [[likely]] {
      int64_t slot = int64_t(i) + int64_t(j) * stride1 + int64_t(k) * stride2 +
                     int64_t(l) * stride3;
      if (uint64_t(slot) < uint64_t(capacity)) return data[slot];
    }
    return fail_at4<Form>(i, j, k, l);
  }

  // The four-index forms report three times, growing the index list.
  template <int Form>
  [[gnu::noinline, gnu::cold]] T& fail_at4(int i, int j, int k, int l) {
    report_bounds(i, j, 0, 0);
    report_bounds(i, j, k, 0);
    report_bounds(i, j, k, l);
    qvl_err_raise(9);
    qvl_err_end_program_once();
    return fallback<Form>();
  }

  [[gnu::noinline, gnu::cold]] static T& fail_alloc() {
    qvl_err_raise(7);
    qvl_err_end_program_once();
    return fallback<7>();
  }

  // ---- blocks ----

  using Block = SlotBlock<T>;

  // A block of `slots` slots, zeroed (numbers) or default-constructed
  // (objects), or null when it cannot be had.
  static T* make_block(int64_t slots) {
    static_assert(alignof(T) <= alignof(std::max_align_t), "over-aligned element");
    if (slots <= 0) slots = 1;  // an empty number block is still a block
    T* block = Block::allocate(slots, kNumber);
    if constexpr (!kNumber) {
      if (block)
        for (int64_t s = 0; s < slots; ++s) new (block + s) T();
    }
    return block;
  }

  // Builds the raw slots first .. last - 1 of the block: zeroed numbers or
  // default-constructed objects.
  void build_slots(int64_t first, int64_t last) {
    if (first >= last) return;
    if constexpr (kNumber) {
      std::memset(data + first, 0, size_t(last - first) * sizeof(T));
    } else {
      for (int64_t s = first; s < last; ++s) new (data + s) T();
    }
  }

  // Destroys every slot of the block (objects, the last first) and frees it.
  static void release_block(T* block) {
    if constexpr (!kNumber) {
      for (int64_t s = Block::room(block) - 1; s >= 0; --s) block[s].~T();
    }
    Block::free(block);
  }

  // Slots first .. last - 1 get the reset value.
  void reset_slots(int64_t first, int64_t last) {
    if (first >= last || !data) return;
    if constexpr (kNumber) {
      std::memset(data + first, 0, size_t(last - first) * sizeof(T));
    } else {
      for (int64_t s = first; s < last; ++s) data[s] = T();
    }
  }

  // REDIM of a one-dimensional array to a elements, one-dimensional again:
  // elements 0 .. min(a, size1) - 1 stay, every other slot up to the new
  // capacity is reset, as in a new block of the language's size. When the
  // array grows, that happens in the room the block already has, or in a
  // new block with twice the room, to which the kept elements move.
  void redim_list(int a) {
    const int64_t new_capacity = int64_t(kStep) * (a / kStep + 1);
    const int64_t keep = std::min(a, size1);
    if (new_capacity > INT32_MAX) {
      fail_alloc();
      return;
    }
    // A list that grows stays in its room while it fits; one that shrinks
    // stays only while it still needs half of it.
    const int64_t have = room();
    if (new_capacity <= have && (a >= size1 || 2 * new_capacity >= have)) {
      reset_slots(keep, new_capacity);
    } else if (a > size1 && qvl_array_bitwise<T>) {
      // Growing doubles the room; the block moves as it is, bytes and all,
      // and only the slots it gains are built.
      const int64_t slots = std::min<int64_t>(std::max(new_capacity, 2 * have), INT32_MAX);
      T* block = Block::reallocate(data, slots);
      if (!block) {
        fail_alloc();
        return;
      }
      data = block;
      build_slots(have, slots);
      reset_slots(keep, std::min(new_capacity, have));
    } else {
      // Growing doubles the room; shrinking gives back what is not needed.
      const int64_t grown = a > size1 ? std::max(new_capacity, 2 * have) : new_capacity;
      const int64_t slots = std::min<int64_t>(grown, INT32_MAX);
      T* block = make_block(slots);
      if (!block) {
        fail_alloc();
        return;
      }
      if constexpr (kNumber) {
        std::memcpy(block, data, size_t(keep) * sizeof(T));
      } else {
        for (int64_t s = 0; s < keep; ++s) block[s] = std::move(data[s]);
      }
      release_block(data);
      data = block;
    }
    capacity = int32_t(new_capacity);
    set_shape(a, 0, 0, 0, a);
  }

  // False when the block could not be had (the array is then unchanged).
  bool dim_with(int a, int b, int c, int d, bool exact) {
    // The element count in 64 bits: a product that does not fit the int
    // fields must not leave a small block behind large sizes.
    int64_t n = a > 0 ? a : 0;
    for (int size : {b, c, d}) {
      n *= size > 0 ? size : 1;  // both factors below 2^31: no overflow
      if (n > INT32_MAX) break;
    }
    if (n > INT32_MAX) {
      fail_alloc();
      return false;
    }
    if (n > capacity || a <= 0) {
      if (!kNumber && n == 0) {
        destroy();
      } else {
        int64_t slots = exact ? n : int64_t(kStep) * (n / kStep + 1);
        T* block = slots <= INT32_MAX ? make_block(slots) : nullptr;
        // Until the new block exists the array keeps its old one intact.
        if (!block) {
          fail_alloc();
          return false;
        }
        destroy();
        data = block;
        capacity = int32_t(slots);
      }
    } else {
      reset_slots(0, n);  // the kept block: n <= capacity, so there is one
    }
    set_shape(a, b, c, d, int32_t(n));
    return true;
  }

  void set_shape(int a, int b, int c, int d, int32_t n) {
    const int64_t a1 = a > 0 ? a : 0;
    // Strides use the sizes as given; with negative sizes they may wrap,
    // but then every access that would use them fails its check.
    stride1 = int32_t(a1);
    size1 = int32_t(a1);
    size2 = b;
    size3 = c;
    size4 = d;
    if (d != 0 || c != 0 || b != 0) {
      // 32-bit products, wrapping as the fields do.
      const uint32_t ab = uint32_t(a1) * uint32_t(b);
      stride2 = int32_t(ab);
      stride3 = (d != 0 || c != 0) ? int32_t(ab * uint32_t(c)) : 0;
      dim_count = d != 0 ? 4 : c != 0 ? 3 : 2;
      if (d == 0) size4 = 0;
      if (d == 0 && c == 0) size3 = 0;
    } else {
      stride2 = stride3 = 0;
      dim_count = a > 0 ? 1 : 0;
    }
    count = n;
  }

  // Copies the overlap of this (old) array into fresh (new sizes a..d),
  // element by element through the checked accesses.
  // The old elements are about to be released, so objects move over.
  void copy_overlap(BasicArray& fresh, int a, int b, int c, int d) {
    const int m1 = std::min(a, size1);
    const int m2 = std::min(b, size2);
    for (int i = 0; i < m1; ++i) {
      if (m2 == 0) {
        fresh.at(i) = std::move(at(i));
        continue;
      }
      for (int j = 0; j < m2; ++j) {
        if constexpr (!kNumber) {
          fresh.at2(i, j) = std::move(at2(i, j));
        } else {
          const int m3 = std::min(c, size3);
          if (m3 == 0) {
            fresh.at2_strict(i, j) = at2_strict(i, j);
            continue;
          }
          for (int k = 0; k < m3; ++k) {
            const int m4 = std::min(d, size4);
            if (m4 == 0) {
              fresh.at4(i, j, k, 0) = at4(i, j, k, 0);
              continue;
            }
            for (int l = 0; l < m4; ++l) fresh.at4(i, j, k, l) = at4(i, j, k, l);
          }
        }
      }
    }
  }

  template <class Value>
  T& grow_and_set(Value&& value) {
    const int old_size = size1;
    redim(size1 + 1, 0, 0, 0);
    if (size1 != old_size + 1) return fail_alloc();  // ending; nothing grew
    return at(size1 - 1) = std::forward<Value>(value);
  }

  // One pass: p scans up past elements before the pivot, q scans up (not
  // down) past elements after it; p and q swap while they have not crossed.
  // The parts first .. q and p .. last never overlap, so either may be
  // sorted first: the smaller one recurses and the larger one loops.
  template <class ScanUp, class ScanSecond>
  void sort_range(int first, int last, ScanUp scan_up, ScanSecond scan_second) {
    while (first < last) {
      int p = first;
      int q = last;
      for (;;) {
        p = scan_up(p, last);
        q = scan_second(q, last);
        if (p > q) break;
        if (p != q) {
          T t(std::move(data[p]));
          data[p] = std::move(data[q]);
          data[q] = std::move(t);
        }
        ++p;
        --q;
        if (q < p) break;
      }
      if (int64_t(q) - first < int64_t(last) - p) {
        if (first < q) sort_range(first, q, scan_up, scan_second);
        first = p;
      } else {
        if (p < last) sort_range(p, last, scan_up, scan_second);
        last = q;
      }
    }
  }
};

static_assert(offsetof(BasicArray<int>, data) == 0);
static_assert(offsetof(BasicArray<int>, stride1) == 8);
static_assert(offsetof(BasicArray<int>, capacity) == 44);
static_assert(sizeof(BasicArray<int>) == 48);
