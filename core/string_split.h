// Splitting a text into a string array at the bytes of a delimiter set.
#pragma once

#include "core/basic_array.h"
#include "core/basic_string.h"

// Empties array (its block is kept for reuse) and appends the fields of text
// (read up to its first NUL) that run between bytes of set (up to its NUL).
// A delimiter as the last byte adds no trailing empty field. With drop set,
// empty fields are left out. Returns the number of fields.
// "a,,b" gives a, "", b (with drop: a, b); ",a" gives "", a; "a,b," gives a, b.
int qvl_str_split(const BasicString& text, BasicArray<BasicString>& array,
                  const BasicString& set, bool drop);
