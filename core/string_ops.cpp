// The operators where text meets text or numbers. Each member is one line
// over the few helpers below, so that all of a family behave alike.
#include "core/string_ops.h"

#include <cstring>

#include "core/number_text.h"

namespace {

enum class Op { eq, ne, lt, le, gt, ge };

// IEEE rules hold for doubles: with a NaN only ne is true.
template <typename T>
bool compare(Op op, T a, T b) {
  switch (op) {
    case Op::eq: return a == b;
    case Op::ne: return a != b;
    case Op::lt: return a < b;
    case Op::le: return a <= b;
    case Op::gt: return a > b;
    case Op::ge: return a >= b;
  }
  return false;
}

const char* text_of(const char* s) { return s ? s : ""; }
const char* text_of(const BasicString& s) { return s.text; }

int int_of(const char* s) { return qvl_fmt_atoi(s); }
int int_of(const BasicString& s) { return qvl_fmt_atoi(s.text); }
int64_t int64_of(const char* s) { return qvl_fmt_parse_int64(s); }
int64_t int64_of(const BasicString& s) { return qvl_fmt_parse_int64(s.text); }
double double_of(const char* s) { return qvl_fmt_atof(s); }
double double_of(const BasicString& s) { return qvl_fmt_atof(s.text); }

// strcmp order of two texts, each up to its first NUL.
template <typename A, typename B>
int text_order(const A& a, const B& b) {
  return std::strcmp(text_of(a), text_of(b));
}

// Equality by stored length and every byte.
bool same_bytes(const BasicString& a, const BasicString& b) {
  return a.length == b.length && std::memcmp(a.text, b.text, a.length) == 0;
}
bool same_bytes(const BasicString& a, const char* b) {
  b = text_of(b);
  const size_t n = std::strlen(b);
  return n == static_cast<size_t>(a.length) && std::memcmp(a.text, b, n) == 0;
}
bool same_bytes(const char* a, const BasicString& b) { return same_bytes(b, a); }

}  // namespace

// --- Three-way comparisons ----------------------------------------------

int BasicString::compare_text(const char* s) const {
  return std::strcmp(text, text_of(s));
}

int BasicString::compare_double(double x) const {
  const double v = qvl_fmt_atof(text);
  if (v < x) return -1;
  if (v > x) return 1;
  return 0;  // equal, or a NaN on either side
}

int BasicString::compare_int(int a) const {
  const int v = qvl_fmt_atoi(text);
  if (v < a) return -1;
  if (v > a) return 1;
  return 0;
}

// --- Concatenation ----------------------------------------------------------

BasicString qvl_str_concat_int_cstr(int a, const char* b) {
  BasicString result;
  result.init_int(a);
  result.append_cstr(b);
  return result;
}

BasicString qvl_str_concat_int_str(int a, const BasicString& b) {
  BasicString result;
  result.init_int(a);
  result.append(b);
  return result;
}

BasicString qvl_str_concat_int64_cstr(int64_t a, const char* b) {
  BasicString result;
  result.init_int64(a);
  result.append_cstr(b);
  return result;
}

BasicString qvl_str_concat_int64_str(int64_t a, const BasicString& b) {
  BasicString result;
  result.init_int64(a);
  result.append(b);
  return result;
}

BasicString qvl_str_concat_float_cstr(float a, const char* b) {
  BasicString result;
  result.init_float(a);
  result.append_cstr(b);
  return result;
}

BasicString qvl_str_concat_float_str(float a, const BasicString& b) {
  BasicString result;
  result.init_float(a);
  result.append(b);
  return result;
}

BasicString qvl_str_concat_double_cstr(double a, const char* b) {
  BasicString result;
  result.init_double(a);
  result.append_cstr(b);
  return result;
}

BasicString qvl_str_concat_double_str(double a, const BasicString& b) {
  BasicString result;
  result.init_double(a);
  result.append(b);
  return result;
}

BasicString qvl_str_concat_cstr_cstr(const char* a, const char* b) {
  BasicString result;
  result.init_cstr(a);
  result.append_cstr(b);
  return result;
}

BasicString qvl_str_concat_cstr_str(const char* a, const BasicString& b) {
  BasicString result;
  result.init_cstr(a);
  result.append(b);
  return result;
}

BasicString qvl_str_concat_cstr_int(const char* a, int b) {
  BasicString result;
  result.init_cstr(a);
  result.append_int(b);
  return result;
}

BasicString qvl_str_concat_cstr_int64(const char* a, int64_t b) {
  BasicString result;
  result.init_cstr(a);
  result.append_int64(b);
  return result;
}

BasicString qvl_str_concat_cstr_float(const char* a, float b) {
  BasicString result;
  result.init_cstr(a);
  result.append_float(b);
  return result;
}

BasicString qvl_str_concat_cstr_double(const char* a, double b) {
  BasicString result;
  result.init_cstr(a);
  result.append_double(b);
  return result;
}

BasicString qvl_str_concat_str_cstr(const BasicString& a, const char* b) {
  BasicString result;
  result.init_copy(a);
  result.append_cstr(b);
  return result;
}

BasicString qvl_str_concat_str_str(const BasicString& a, const BasicString& b) {
  BasicString result;
  result.init_copy(a);
  result.append(b);
  return result;
}

BasicString qvl_str_concat_str_int(const BasicString& a, int b) {
  BasicString result;
  result.init_copy(a);
  result.append_int(b);
  return result;
}

BasicString qvl_str_concat_str_int64(const BasicString& a, int64_t b) {
  BasicString result;
  result.init_copy(a);
  result.append_int64(b);
  return result;
}

BasicString qvl_str_concat_str_float(const BasicString& a, float b) {
  BasicString result;
  result.init_copy(a);
  result.append_float(b);
  return result;
}

BasicString qvl_str_concat_str_double(const BasicString& a, double b) {
  BasicString result;
  result.init_copy(a);
  result.append_double(b);
  return result;
}

// --- eq ----------------------------------------------------------------------

bool qvl_str_eq_int_cstr(int a, const char* b) {
  return compare(Op::eq, a, int_of(b));
}
bool qvl_str_eq_int_str(int a, const BasicString& b) {
  return compare(Op::eq, a, int_of(b));
}
bool qvl_str_eq_int64_cstr(int64_t a, const char* b) {
  return compare(Op::eq, a, int64_of(b));
}
bool qvl_str_eq_int64_str(int64_t a, const BasicString& b) {
  return compare(Op::eq, a, int64_of(b));
}
bool qvl_str_eq_float_cstr(float a, const char* b) {
  return compare(Op::eq, static_cast<double>(a), double_of(b));
}
bool qvl_str_eq_float_str(float a, const BasicString& b) {
  return compare(Op::eq, static_cast<double>(a), double_of(b));
}
bool qvl_str_eq_double_cstr(double a, const char* b) {
  return compare(Op::eq, a, double_of(b));
}
bool qvl_str_eq_double_str(double a, const BasicString& b) {
  return compare(Op::eq, a, double_of(b));
}
bool qvl_str_eq_cstr_cstr(const char* a, const char* b) {
  return compare(Op::eq, text_order(a, b), 0);
}
bool qvl_str_eq_cstr_str(const char* a, const BasicString& b) {
  return same_bytes(a, b);
}
bool qvl_str_eq_cstr_int(const char* a, int b) {
  return compare(Op::eq, int_of(a), b);
}
bool qvl_str_eq_cstr_int64(const char* a, int64_t b) {
  return compare(Op::eq, int64_of(a), b);
}
bool qvl_str_eq_cstr_float(const char* a, float b) {
  return compare(Op::eq, double_of(a), static_cast<double>(b));
}
bool qvl_str_eq_cstr_double(const char* a, double b) {
  return compare(Op::eq, double_of(a), b);
}
bool qvl_str_eq_str_cstr(const BasicString& a, const char* b) {
  return same_bytes(a, b);
}
bool qvl_str_eq_str_str(const BasicString& a, const BasicString& b) {
  return same_bytes(a, b);
}
bool qvl_str_eq_str_int(const BasicString& a, int b) {
  return compare(Op::eq, int_of(a), b);
}
bool qvl_str_eq_str_int64(const BasicString& a, int64_t b) {
  return compare(Op::eq, int64_of(a), b);
}
bool qvl_str_eq_str_float(const BasicString& a, float b) {
  return compare(Op::eq, double_of(a), static_cast<double>(b));
}
bool qvl_str_eq_str_double(const BasicString& a, double b) {
  return compare(Op::eq, double_of(a), b);
}

// --- ne ----------------------------------------------------------------------

bool qvl_str_ne_int_cstr(int a, const char* b) {
  return compare(Op::ne, a, int_of(b));
}
bool qvl_str_ne_int_str(int a, const BasicString& b) {
  return compare(Op::ne, a, int_of(b));
}
bool qvl_str_ne_int64_cstr(int64_t a, const char* b) {
  return compare(Op::ne, a, int64_of(b));
}
bool qvl_str_ne_int64_str(int64_t a, const BasicString& b) {
  return compare(Op::ne, a, int64_of(b));
}
bool qvl_str_ne_float_cstr(float a, const char* b) {
  return compare(Op::ne, static_cast<double>(a), double_of(b));
}
bool qvl_str_ne_float_str(float a, const BasicString& b) {
  return compare(Op::ne, static_cast<double>(a), double_of(b));
}
bool qvl_str_ne_double_cstr(double a, const char* b) {
  return compare(Op::ne, a, double_of(b));
}
bool qvl_str_ne_double_str(double a, const BasicString& b) {
  return compare(Op::ne, a, double_of(b));
}
bool qvl_str_ne_cstr_cstr(const char* a, const char* b) {
  return compare(Op::ne, text_order(a, b), 0);
}
bool qvl_str_ne_cstr_str(const char* a, const BasicString& b) {
  return compare(Op::ne, text_order(a, b), 0);
}
bool qvl_str_ne_cstr_int(const char* a, int b) {
  return compare(Op::ne, int_of(a), b);
}
bool qvl_str_ne_cstr_int64(const char* a, int64_t b) {
  return compare(Op::ne, int64_of(a), b);
}
bool qvl_str_ne_cstr_float(const char* a, float b) {
  return compare(Op::ne, double_of(a), static_cast<double>(b));
}
bool qvl_str_ne_cstr_double(const char* a, double b) {
  return compare(Op::ne, double_of(a), b);
}
bool qvl_str_ne_str_cstr(const BasicString& a, const char* b) {
  return compare(Op::ne, text_order(a, b), 0);
}
bool qvl_str_ne_str_str(const BasicString& a, const BasicString& b) {
  return compare(Op::ne, text_order(a, b), 0);
}
bool qvl_str_ne_str_int(const BasicString& a, int b) {
  return compare(Op::ne, int_of(a), b);
}
bool qvl_str_ne_str_int64(const BasicString& a, int64_t b) {
  return compare(Op::ne, int64_of(a), b);
}
bool qvl_str_ne_str_float(const BasicString& a, float b) {
  return compare(Op::ne, double_of(a), static_cast<double>(b));
}
bool qvl_str_ne_str_double(const BasicString& a, double b) {
  return compare(Op::ne, double_of(a), b);
}

// --- lt ----------------------------------------------------------------------

bool qvl_str_lt_int_cstr(int a, const char* b) {
  return compare(Op::lt, a, int_of(b));
}
bool qvl_str_lt_int_str(int a, const BasicString& b) {
  return compare(Op::lt, a, int_of(b));
}
bool qvl_str_lt_int64_cstr(int64_t a, const char* b) {
  return compare(Op::lt, a, int64_of(b));
}
bool qvl_str_lt_int64_str(int64_t a, const BasicString& b) {
  return compare(Op::lt, a, int64_of(b));
}
bool qvl_str_lt_float_cstr(float a, const char* b) {
  return compare(Op::lt, static_cast<double>(a), double_of(b));
}
bool qvl_str_lt_float_str(float a, const BasicString& b) {
  return compare(Op::lt, static_cast<double>(a), double_of(b));
}
bool qvl_str_lt_double_cstr(double a, const char* b) {
  return compare(Op::lt, a, double_of(b));
}
bool qvl_str_lt_double_str(double a, const BasicString& b) {
  return compare(Op::lt, a, double_of(b));
}
bool qvl_str_lt_cstr_cstr(const char* a, const char* b) {
  return compare(Op::lt, text_order(a, b), 0);
}
bool qvl_str_lt_cstr_str(const char* a, const BasicString& b) {
  return compare(Op::lt, text_order(a, b), 0);
}
bool qvl_str_lt_cstr_int(const char* a, int b) {
  return compare(Op::lt, int_of(a), b);
}
bool qvl_str_lt_cstr_int64(const char* a, int64_t b) {
  return compare(Op::lt, int64_of(a), b);
}
bool qvl_str_lt_cstr_float(const char* a, float b) {
  return compare(Op::lt, double_of(a), static_cast<double>(b));
}
bool qvl_str_lt_cstr_double(const char* a, double b) {
  return compare(Op::lt, double_of(a), b);
}
bool qvl_str_lt_str_cstr(const BasicString& a, const char* b) {
  return compare(Op::lt, text_order(a, b), 0);
}
bool qvl_str_lt_str_str(const BasicString& a, const BasicString& b) {
  return compare(Op::lt, text_order(a, b), 0);
}
bool qvl_str_lt_str_int(const BasicString& a, int b) {
  return compare(Op::lt, int_of(a), b);
}
bool qvl_str_lt_str_int64(const BasicString& a, int64_t b) {
  return compare(Op::lt, int64_of(a), b);
}
bool qvl_str_lt_str_float(const BasicString& a, float b) {
  return compare(Op::lt, double_of(a), static_cast<double>(b));
}
bool qvl_str_lt_str_double(const BasicString& a, double b) {
  return compare(Op::lt, double_of(a), b);
}

// --- le ----------------------------------------------------------------------

bool qvl_str_le_int_cstr(int a, const char* b) {
  return compare(Op::le, a, int_of(b));
}
bool qvl_str_le_int_str(int a, const BasicString& b) {
  return compare(Op::le, a, int_of(b));
}
bool qvl_str_le_int64_cstr(int64_t a, const char* b) {
  return compare(Op::le, a, int64_of(b));
}
bool qvl_str_le_int64_str(int64_t a, const BasicString& b) {
  return compare(Op::le, a, int64_of(b));
}
bool qvl_str_le_float_cstr(float a, const char* b) {
  return compare(Op::le, static_cast<double>(a), double_of(b));
}
bool qvl_str_le_float_str(float a, const BasicString& b) {
  return compare(Op::le, static_cast<double>(a), double_of(b));
}
bool qvl_str_le_double_cstr(double a, const char* b) {
  return compare(Op::le, a, double_of(b));
}
bool qvl_str_le_double_str(double a, const BasicString& b) {
  return compare(Op::le, a, double_of(b));
}
bool qvl_str_le_cstr_cstr(const char* a, const char* b) {
  return compare(Op::le, text_order(a, b), 0);
}
bool qvl_str_le_cstr_str(const char* a, const BasicString& b) {
  return compare(Op::le, text_order(a, b), 0);
}
bool qvl_str_le_cstr_int(const char* a, int b) {
  return compare(Op::le, int_of(a), b);
}
bool qvl_str_le_cstr_int64(const char* a, int64_t b) {
  return compare(Op::le, int64_of(a), b);
}
bool qvl_str_le_cstr_float(const char* a, float b) {
  return compare(Op::le, double_of(a), static_cast<double>(b));
}
bool qvl_str_le_cstr_double(const char* a, double b) {
  return compare(Op::le, double_of(a), b);
}
bool qvl_str_le_str_cstr(const BasicString& a, const char* b) {
  return compare(Op::le, text_order(a, b), 0);
}
bool qvl_str_le_str_str(const BasicString& a, const BasicString& b) {
  return compare(Op::le, text_order(a, b), 0);
}
bool qvl_str_le_str_int(const BasicString& a, int b) {
  return compare(Op::le, int_of(a), b);
}
bool qvl_str_le_str_int64(const BasicString& a, int64_t b) {
  return compare(Op::le, int64_of(a), b);
}
bool qvl_str_le_str_float(const BasicString& a, float b) {
  return compare(Op::le, double_of(a), static_cast<double>(b));
}
bool qvl_str_le_str_double(const BasicString& a, double b) {
  return compare(Op::le, double_of(a), b);
}

// --- gt ----------------------------------------------------------------------

bool qvl_str_gt_int_cstr(int a, const char* b) {
  return compare(Op::gt, a, int_of(b));
}
bool qvl_str_gt_int_str(int a, const BasicString& b) {
  return compare(Op::gt, a, int_of(b));
}
bool qvl_str_gt_int64_cstr(int64_t a, const char* b) {
  return compare(Op::gt, a, int64_of(b));
}
bool qvl_str_gt_int64_str(int64_t a, const BasicString& b) {
  return compare(Op::gt, a, int64_of(b));
}
bool qvl_str_gt_float_cstr(float a, const char* b) {
  return compare(Op::gt, static_cast<double>(a), double_of(b));
}
bool qvl_str_gt_float_str(float a, const BasicString& b) {
  return compare(Op::gt, static_cast<double>(a), double_of(b));
}
bool qvl_str_gt_double_cstr(double a, const char* b) {
  return compare(Op::gt, a, double_of(b));
}
bool qvl_str_gt_double_str(double a, const BasicString& b) {
  return compare(Op::gt, a, double_of(b));
}
bool qvl_str_gt_cstr_cstr(const char* a, const char* b) {
  return compare(Op::gt, text_order(a, b), 0);
}
bool qvl_str_gt_cstr_str(const char* a, const BasicString& b) {
  return compare(Op::gt, text_order(a, b), 0);
}
bool qvl_str_gt_cstr_int(const char* a, int b) {
  return compare(Op::gt, int_of(a), b);
}
bool qvl_str_gt_cstr_int64(const char* a, int64_t b) {
  return compare(Op::gt, int64_of(a), b);
}
bool qvl_str_gt_cstr_float(const char* a, float b) {
  return compare(Op::gt, double_of(a), static_cast<double>(b));
}
bool qvl_str_gt_cstr_double(const char* a, double b) {
  return compare(Op::gt, double_of(a), b);
}
bool qvl_str_gt_str_cstr(const BasicString& a, const char* b) {
  return compare(Op::gt, text_order(a, b), 0);
}
bool qvl_str_gt_str_str(const BasicString& a, const BasicString& b) {
  return compare(Op::gt, text_order(a, b), 0);
}
bool qvl_str_gt_str_int(const BasicString& a, int b) {
  return compare(Op::gt, int_of(a), b);
}
bool qvl_str_gt_str_int64(const BasicString& a, int64_t b) {
  return compare(Op::gt, int64_of(a), b);
}
bool qvl_str_gt_str_float(const BasicString& a, float b) {
  return compare(Op::gt, double_of(a), static_cast<double>(b));
}
bool qvl_str_gt_str_double(const BasicString& a, double b) {
  return compare(Op::gt, double_of(a), b);
}

// --- ge ----------------------------------------------------------------------

bool qvl_str_ge_int_cstr(int a, const char* b) {
  return compare(Op::ge, a, int_of(b));
}
bool qvl_str_ge_int_str(int a, const BasicString& b) {
  return compare(Op::ge, a, int_of(b));
}
bool qvl_str_ge_int64_cstr(int64_t a, const char* b) {
  return compare(Op::ge, a, int64_of(b));
}
bool qvl_str_ge_int64_str(int64_t a, const BasicString& b) {
  return compare(Op::ge, a, int64_of(b));
}
bool qvl_str_ge_float_cstr(float a, const char* b) {
  return compare(Op::ge, static_cast<double>(a), double_of(b));
}
bool qvl_str_ge_float_str(float a, const BasicString& b) {
  return compare(Op::ge, static_cast<double>(a), double_of(b));
}
bool qvl_str_ge_double_cstr(double a, const char* b) {
  return compare(Op::ge, a, double_of(b));
}
bool qvl_str_ge_double_str(double a, const BasicString& b) {
  return compare(Op::ge, a, double_of(b));
}
bool qvl_str_ge_cstr_cstr(const char* a, const char* b) {
  return compare(Op::ge, text_order(a, b), 0);
}
bool qvl_str_ge_cstr_str(const char* a, const BasicString& b) {
  return compare(Op::ge, text_order(a, b), 0);
}
bool qvl_str_ge_cstr_int(const char* a, int b) {
  return compare(Op::ge, int_of(a), b);
}
bool qvl_str_ge_cstr_int64(const char* a, int64_t b) {
  return compare(Op::ge, int64_of(a), b);
}
bool qvl_str_ge_cstr_float(const char* a, float b) {
  return compare(Op::ge, double_of(a), static_cast<double>(b));
}
bool qvl_str_ge_cstr_double(const char* a, double b) {
  return compare(Op::ge, double_of(a), b);
}
bool qvl_str_ge_str_cstr(const BasicString& a, const char* b) {
  return compare(Op::ge, text_order(a, b), 0);
}
bool qvl_str_ge_str_str(const BasicString& a, const BasicString& b) {
  return compare(Op::ge, text_order(a, b), 0);
}
bool qvl_str_ge_str_int(const BasicString& a, int b) {
  return compare(Op::ge, int_of(a), b);
}
bool qvl_str_ge_str_int64(const BasicString& a, int64_t b) {
  return compare(Op::ge, int64_of(a), b);
}
bool qvl_str_ge_str_float(const BasicString& a, float b) {
  return compare(Op::ge, double_of(a), static_cast<double>(b));
}
bool qvl_str_ge_str_double(const BasicString& a, double b) {
  return compare(Op::ge, double_of(a), b);
}

