// Growing the library's record arrays without copying their contents.
//
// A dialog gains its widgets and creation-order entries one at a time; the
// records hold only relocatable members (strings and arrays keep no pointer
// to themselves), so the array may move them bitwise as it grows.
#pragma once

#include <cstdint>

#include "core/basic_array.h"
#include "core/error_state.h"

// Appends a default record to a one-dimensional array and returns it; null
// when no block could be had (error 7 raised and the program ended, or it
// is ending already). The array's own growth doubles the room under it and
// moves the records (they are declared bitwise-movable in records.h).
template <class T>
T* kvgui_array_append(BasicArray<T>& a) {
  if (a.size2 != 0) {
    qvl_err_raise(8);
    qvl_err_end_program_once();
    return nullptr;
  }
  const int32_t n = a.size1;
  a.push(T());
  if (a.size1 != n + 1) return nullptr;
  return &a.data[n];
}
