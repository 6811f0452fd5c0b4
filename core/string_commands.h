// The language's string commands: parts of a text, search, replace, trim,
// case, character codes, byte-set spans and the case-insensitive compare.
// Positions are 0-based byte offsets, counts are bytes, "not found" is -1.
// A BasicString operand counts by its stored length (NUL bytes included); a
// zero-terminated operand up to its NUL. Case folding touches ASCII letters
// only, whatever the locale.
#pragma once

#include "core/basic_string.h"

// Parts of a text.
BasicString qvl_str_substring(const BasicString& text, int pos, int n);
BasicString qvl_str_prefix(const BasicString& text, int n);

// First occurrence beginning at or after start; -1 when none.
int qvl_str_find(const BasicString& text, const BasicString& needle, int start);
int qvl_str_find(const BasicString& text, const char* needle, int start);
int qvl_str_find(const char* text, const BasicString& needle, int start);
int qvl_str_find(const char* text, const char* needle, int start);

// Last occurrence beginning at or before start (start < 0: the last possible
// position); -1 when none.
int qvl_str_find_last(const BasicString& text, const BasicString& needle, int start);
int qvl_str_find_last(const BasicString& text, const char* needle, int start);
int qvl_str_find_last(const char* text, const BasicString& needle, int start);
int qvl_str_find_last(const char* text, const char* needle, int start);

// Offset of the first occurrence of needle[0..m) in range[0..n), or -1.
// A null range or needle, or m = 0, finds nothing.
int qvl_str_find_bytes(const char* range, int n, const char* needle, int m);
// The Boyer-Moore-Horspool search behind qvl_str_find_bytes (needs m < n).
int qvl_str_find_horspool(const char* range, int n, const char* needle, int m);

// A copy of source with the occurrences of search replaced. The search
// resumes one byte past a match's start, counted in the text before the
// replacement, so a replacement may take part in the next match: replacing
// ",," by ",0," turns ",,," into ",0,0,". An empty search replaces nothing.
BasicString qvl_str_replace_all(const BasicString& source, const BasicString& search,
                                const BasicString& replacement);

// Copies without the leading / trailing bytes that are members of set.
BasicString qvl_str_trim_left(const BasicString& text, const BasicString& set);
BasicString qvl_str_trim_right(const BasicString& text, const BasicString& set);
// Drops every trailing byte below 32, in place.
void qvl_str_strip_controls(BasicString& s);

// Case.
BasicString qvl_str_upper(const BasicString& text);
BasicString qvl_str_lower(const BasicString& text);
void qvl_str_to_upper_in_place(BasicString& s);
void qvl_str_to_lower_in_place(BasicString& s);

// Character codes (0 to 255).
int qvl_str_first_code(const BasicString& text);
int qvl_str_code_at(const BasicString& text, int pos);
// A one-byte string holding the code's low 8 bits (0 included).
BasicString qvl_str_from_code(int code);

// Byte-set spans over zero-terminated texts: the first byte that is (or is
// not) in set, or null.
const char* qvl_str_span_in(const char* text, const char* set);
const char* qvl_str_span_not_in(const char* text, const char* set);

// Case-insensitive three-way comparison of the texts up to their first NUL,
// ASCII letters compared as lower case (the sort order of directory lists).
int qvl_str_compare_nocase(const BasicString& a, const BasicString& b);
