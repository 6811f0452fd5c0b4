// printf-style lines for the error log, formatted in a 2048-byte buffer.
#pragma once

// A line longer than the buffer is cut, and a cut line still ends with a
// line feed when its format did, so the next line starts on its own.
void qvl_gfx_log(const char* format, ...) __attribute__((format(printf, 1, 2)));
