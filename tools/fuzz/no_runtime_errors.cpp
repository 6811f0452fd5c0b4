// For fuzz targets that link the runtime's string, number and array code
// without the rest of the runtime: the parsers they test must never reach
// the runtime's fatal error paths (a bad array index, a block that cannot
// be had), so reaching one is a crash.
#include <cstdlib>

#include "core/basic_array.h"
#include "core/error_state.h"

int qvl_err_raise(int) { std::abort(); }
void qvl_err_end_program_once() { std::abort(); }
void qvl_array_report_bounds(int, const int*, const int*) { std::abort(); }
