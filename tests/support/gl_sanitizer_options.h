// Sanitizer settings for test programs that open SDL windows and GL
// contexts. Include in exactly one file of such a test program.
//
// The GL driver and SDL's video back ends keep allocations of their own for
// the life of the process; they are suppressed by library, never our code.
// Full unwinding lets the suppressions see the library frames of stacks
// that start in a driver that has been unloaded again.
#pragma once

extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libGLdispatch.so\n"
         "leak:libGLX_mesa.so\n"
         "leak:libEGL_mesa.so\n"
         "leak:libLLVM\n"
         "leak:_dri.so\n"
         "leak:libSDL2-2.0.so\n"
         "leak:libX11.so\n"
         "leak:libxcb\n";
}
