// Sanitizer settings for this GL test program.
#include "tests/support/gl_sanitizer_options.h"
