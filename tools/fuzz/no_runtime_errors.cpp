// For fuzz targets that link the runtime's string and number code without
// the rest of the runtime: the code they test never raises a runtime error,
// so reaching one is a finding.
#include <cstdlib>

#include "core/error_state.h"

int qvl_err_raise(int) { std::abort(); }
void qvl_err_end_program_once() { std::abort(); }
