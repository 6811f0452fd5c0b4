// The operators where text meets text or numbers.
//
// The language's plus joins a text with a number as text; its six
// comparisons compare a text with a number as numbers (the text read as
// far as it holds one, a text without a number counting as 0) and two texts
// byte by byte. There is one function per operator and pair of operand
// kinds: int, int64, float, double, cstr (a zero-terminated text) and str
// (a BasicString). Two numbers are plain arithmetic and have none.
//
// Text comparisons read each text up to its first NUL (strcmp), except eq
// with a str operand, which compares the stored length and every byte, so
// it sees bytes after an embedded NUL. A float is widened to double before
// it is compared, so 0.1f is not equal to the text "0.1". A null cstr
// counts as "".
#pragma once

#include <cstdint>

#include "core/basic_string.h"

// --- Concatenation -------------------------------------------------------
// A new string: the left operand's text, then the right one's (a number by
// its text, a cstr up to its NUL, a str by its stored length).
BasicString qvl_str_concat_int_cstr(int a, const char* b);
BasicString qvl_str_concat_int_str(int a, const BasicString& b);
BasicString qvl_str_concat_int64_cstr(int64_t a, const char* b);
BasicString qvl_str_concat_int64_str(int64_t a, const BasicString& b);
BasicString qvl_str_concat_float_cstr(float a, const char* b);
BasicString qvl_str_concat_float_str(float a, const BasicString& b);
BasicString qvl_str_concat_double_cstr(double a, const char* b);
BasicString qvl_str_concat_double_str(double a, const BasicString& b);
BasicString qvl_str_concat_cstr_cstr(const char* a, const char* b);
BasicString qvl_str_concat_cstr_str(const char* a, const BasicString& b);
BasicString qvl_str_concat_cstr_int(const char* a, int b);
BasicString qvl_str_concat_cstr_int64(const char* a, int64_t b);
BasicString qvl_str_concat_cstr_float(const char* a, float b);
BasicString qvl_str_concat_cstr_double(const char* a, double b);
BasicString qvl_str_concat_str_cstr(const BasicString& a, const char* b);
BasicString qvl_str_concat_str_str(const BasicString& a, const BasicString& b);
BasicString qvl_str_concat_str_int(const BasicString& a, int b);
BasicString qvl_str_concat_str_int64(const BasicString& a, int64_t b);
BasicString qvl_str_concat_str_float(const BasicString& a, float b);
BasicString qvl_str_concat_str_double(const BasicString& a, double b);

// --- eq: equal ---------------------------------------------------------
bool qvl_str_eq_int_cstr(int a, const char* b);
bool qvl_str_eq_int_str(int a, const BasicString& b);
bool qvl_str_eq_int64_cstr(int64_t a, const char* b);
bool qvl_str_eq_int64_str(int64_t a, const BasicString& b);
bool qvl_str_eq_float_cstr(float a, const char* b);
bool qvl_str_eq_float_str(float a, const BasicString& b);
bool qvl_str_eq_double_cstr(double a, const char* b);
bool qvl_str_eq_double_str(double a, const BasicString& b);
bool qvl_str_eq_cstr_cstr(const char* a, const char* b);
bool qvl_str_eq_cstr_str(const char* a, const BasicString& b);
bool qvl_str_eq_cstr_int(const char* a, int b);
bool qvl_str_eq_cstr_int64(const char* a, int64_t b);
bool qvl_str_eq_cstr_float(const char* a, float b);
bool qvl_str_eq_cstr_double(const char* a, double b);
bool qvl_str_eq_str_cstr(const BasicString& a, const char* b);
bool qvl_str_eq_str_str(const BasicString& a, const BasicString& b);
bool qvl_str_eq_str_int(const BasicString& a, int b);
bool qvl_str_eq_str_int64(const BasicString& a, int64_t b);
bool qvl_str_eq_str_float(const BasicString& a, float b);
bool qvl_str_eq_str_double(const BasicString& a, double b);

// --- ne: not equal -----------------------------------------------------
bool qvl_str_ne_int_cstr(int a, const char* b);
bool qvl_str_ne_int_str(int a, const BasicString& b);
bool qvl_str_ne_int64_cstr(int64_t a, const char* b);
bool qvl_str_ne_int64_str(int64_t a, const BasicString& b);
bool qvl_str_ne_float_cstr(float a, const char* b);
bool qvl_str_ne_float_str(float a, const BasicString& b);
bool qvl_str_ne_double_cstr(double a, const char* b);
bool qvl_str_ne_double_str(double a, const BasicString& b);
bool qvl_str_ne_cstr_cstr(const char* a, const char* b);
bool qvl_str_ne_cstr_str(const char* a, const BasicString& b);
bool qvl_str_ne_cstr_int(const char* a, int b);
bool qvl_str_ne_cstr_int64(const char* a, int64_t b);
bool qvl_str_ne_cstr_float(const char* a, float b);
bool qvl_str_ne_cstr_double(const char* a, double b);
bool qvl_str_ne_str_cstr(const BasicString& a, const char* b);
bool qvl_str_ne_str_str(const BasicString& a, const BasicString& b);
bool qvl_str_ne_str_int(const BasicString& a, int b);
bool qvl_str_ne_str_int64(const BasicString& a, int64_t b);
bool qvl_str_ne_str_float(const BasicString& a, float b);
bool qvl_str_ne_str_double(const BasicString& a, double b);

// --- lt: less than -----------------------------------------------------
bool qvl_str_lt_int_cstr(int a, const char* b);
bool qvl_str_lt_int_str(int a, const BasicString& b);
bool qvl_str_lt_int64_cstr(int64_t a, const char* b);
bool qvl_str_lt_int64_str(int64_t a, const BasicString& b);
bool qvl_str_lt_float_cstr(float a, const char* b);
bool qvl_str_lt_float_str(float a, const BasicString& b);
bool qvl_str_lt_double_cstr(double a, const char* b);
bool qvl_str_lt_double_str(double a, const BasicString& b);
bool qvl_str_lt_cstr_cstr(const char* a, const char* b);
bool qvl_str_lt_cstr_str(const char* a, const BasicString& b);
bool qvl_str_lt_cstr_int(const char* a, int b);
bool qvl_str_lt_cstr_int64(const char* a, int64_t b);
bool qvl_str_lt_cstr_float(const char* a, float b);
bool qvl_str_lt_cstr_double(const char* a, double b);
bool qvl_str_lt_str_cstr(const BasicString& a, const char* b);
bool qvl_str_lt_str_str(const BasicString& a, const BasicString& b);
bool qvl_str_lt_str_int(const BasicString& a, int b);
bool qvl_str_lt_str_int64(const BasicString& a, int64_t b);
bool qvl_str_lt_str_float(const BasicString& a, float b);
bool qvl_str_lt_str_double(const BasicString& a, double b);

// --- le: less or equal -------------------------------------------------
bool qvl_str_le_int_cstr(int a, const char* b);
bool qvl_str_le_int_str(int a, const BasicString& b);
bool qvl_str_le_int64_cstr(int64_t a, const char* b);
bool qvl_str_le_int64_str(int64_t a, const BasicString& b);
bool qvl_str_le_float_cstr(float a, const char* b);
bool qvl_str_le_float_str(float a, const BasicString& b);
bool qvl_str_le_double_cstr(double a, const char* b);
bool qvl_str_le_double_str(double a, const BasicString& b);
bool qvl_str_le_cstr_cstr(const char* a, const char* b);
bool qvl_str_le_cstr_str(const char* a, const BasicString& b);
bool qvl_str_le_cstr_int(const char* a, int b);
bool qvl_str_le_cstr_int64(const char* a, int64_t b);
bool qvl_str_le_cstr_float(const char* a, float b);
bool qvl_str_le_cstr_double(const char* a, double b);
bool qvl_str_le_str_cstr(const BasicString& a, const char* b);
bool qvl_str_le_str_str(const BasicString& a, const BasicString& b);
bool qvl_str_le_str_int(const BasicString& a, int b);
bool qvl_str_le_str_int64(const BasicString& a, int64_t b);
bool qvl_str_le_str_float(const BasicString& a, float b);
bool qvl_str_le_str_double(const BasicString& a, double b);

// --- gt: greater than --------------------------------------------------
bool qvl_str_gt_int_cstr(int a, const char* b);
bool qvl_str_gt_int_str(int a, const BasicString& b);
bool qvl_str_gt_int64_cstr(int64_t a, const char* b);
bool qvl_str_gt_int64_str(int64_t a, const BasicString& b);
bool qvl_str_gt_float_cstr(float a, const char* b);
bool qvl_str_gt_float_str(float a, const BasicString& b);
bool qvl_str_gt_double_cstr(double a, const char* b);
bool qvl_str_gt_double_str(double a, const BasicString& b);
bool qvl_str_gt_cstr_cstr(const char* a, const char* b);
bool qvl_str_gt_cstr_str(const char* a, const BasicString& b);
bool qvl_str_gt_cstr_int(const char* a, int b);
bool qvl_str_gt_cstr_int64(const char* a, int64_t b);
bool qvl_str_gt_cstr_float(const char* a, float b);
bool qvl_str_gt_cstr_double(const char* a, double b);
bool qvl_str_gt_str_cstr(const BasicString& a, const char* b);
bool qvl_str_gt_str_str(const BasicString& a, const BasicString& b);
bool qvl_str_gt_str_int(const BasicString& a, int b);
bool qvl_str_gt_str_int64(const BasicString& a, int64_t b);
bool qvl_str_gt_str_float(const BasicString& a, float b);
bool qvl_str_gt_str_double(const BasicString& a, double b);

// --- ge: greater or equal ----------------------------------------------
bool qvl_str_ge_int_cstr(int a, const char* b);
bool qvl_str_ge_int_str(int a, const BasicString& b);
bool qvl_str_ge_int64_cstr(int64_t a, const char* b);
bool qvl_str_ge_int64_str(int64_t a, const BasicString& b);
bool qvl_str_ge_float_cstr(float a, const char* b);
bool qvl_str_ge_float_str(float a, const BasicString& b);
bool qvl_str_ge_double_cstr(double a, const char* b);
bool qvl_str_ge_double_str(double a, const BasicString& b);
bool qvl_str_ge_cstr_cstr(const char* a, const char* b);
bool qvl_str_ge_cstr_str(const char* a, const BasicString& b);
bool qvl_str_ge_cstr_int(const char* a, int b);
bool qvl_str_ge_cstr_int64(const char* a, int64_t b);
bool qvl_str_ge_cstr_float(const char* a, float b);
bool qvl_str_ge_cstr_double(const char* a, double b);
bool qvl_str_ge_str_cstr(const BasicString& a, const char* b);
bool qvl_str_ge_str_str(const BasicString& a, const BasicString& b);
bool qvl_str_ge_str_int(const BasicString& a, int b);
bool qvl_str_ge_str_int64(const BasicString& a, int64_t b);
bool qvl_str_ge_str_float(const BasicString& a, float b);
bool qvl_str_ge_str_double(const BasicString& a, double b);
