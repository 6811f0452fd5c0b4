// The parts of BasicArray<T> that do not depend on the element type.
#include "core/basic_array.h"

#include "core/logs.h"
#include "core/maths.h"
#include "core/number_text.h"

namespace {

// "[" + the number right-aligned in four characters + "]"; wider numbers
// are written in full.
void append_bracketed(BasicString& list, int value) {
  list.append_char('[');
  list.append(qvl_fmt_fixed_int(4, 0, value));
  list.append_char(']');
}

}  // namespace

void qvl_array_report_bounds(int depth, const int sizes[4], const int index[4]) {
  BasicString bounds("bounds: ");
  BasicString access("access: ");
  append_bracketed(bounds, sizes[0]);
  append_bracketed(access, index[0]);
  // Further dimensions are listed while their sizes are above 0, each only
  // when the one before it was listed.
  for (int d = 1; d < depth && sizes[d] > 0; ++d) {
    append_bracketed(bounds, sizes[d]);
    append_bracketed(access, index[d]);
  }
  bounds.append_cstr("\n");
  access.append_cstr("\n");
  qvl_log_debug(bounds);
  qvl_log_debug(access);
  qvl_log_print_err(bounds);
  qvl_log_print_err(access);
}

int qvl_array_compare_result(double r) { return qvl_math_truncate_int(r); }
