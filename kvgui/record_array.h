// Growing the library's record arrays without copying their contents.
//
// A dialog gains its widgets and creation-order entries one at a time. The
// language's array append grows a block by a fixed step and copies every
// record into the new block, which makes building n widgets cost n^2 / step
// record copies. The records hold only relocatable members (strings and
// arrays keep no pointer to themselves), so here a full block is doubled and
// its records are moved over bitwise.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/basic_array.h"
#include "core/error_state.h"

// Appends a default record to a one-dimensional array and returns it; null
// when no block could be had (error 7 raised and the program ended, or it
// is ending already).
template <class T>
T* kvgui_array_append(BasicArray<T>& a) {
  if (a.size2 != 0) {
    qvl_err_raise(8);
    qvl_err_end_program_once();
    return nullptr;
  }
  const int32_t n = a.size1;
  if (n >= a.capacity || a.data == nullptr) {
    const int64_t cap = a.capacity < 8 ? 8 : int64_t(a.capacity) * 2;
    T* block = cap <= INT32_MAX ? static_cast<T*>(std::malloc(size_t(cap) * sizeof(T))) : nullptr;
    if (!block) {
      qvl_err_raise(7);
      qvl_err_end_program_once();
      return nullptr;
    }
    if (a.data) {
      std::memcpy(static_cast<void*>(block), static_cast<const void*>(a.data),
                  size_t(n) * sizeof(T));
      for (int32_t s = n; s < a.capacity; ++s) a.data[s].~T();  // spare slots only
      std::free(a.data);
    }
    for (int64_t s = n; s < cap; ++s) new (block + s) T();
    a.data = block;
    a.capacity = int32_t(cap);
  } else {
    a.data[n] = T();  // a spare slot may still hold an element removed earlier
  }
  a.size1 = a.stride1 = a.count = n + 1;
  a.dim_count = 1;
  return &a.data[n];
}
