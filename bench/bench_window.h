// The one window that the drawing benchmarks share.
#pragma once

class OpenGLRainbows;

// A 1024 x 768 window on SDL's offscreen driver (unless another driver is
// set) with the graphics object on it, made on first use; its GL context is
// current. mesa_threads above 0 gives Mesa's llvmpipe that many rasteriser
// threads (LP_NUM_THREADS); 0 keeps what the environment says. Asking for
// another count than the window was made with closes it and makes a new
// one: whatever was made on the old window is gone (bench_window_is_new
// tells). The window is never closed otherwise: a benchmark that needs a
// window takes this one rather than opening and closing its own, which
// would take the video system down under the others.
OpenGLRainbows* bench_window(int mesa_threads = 0);
// True once for each window made, for a caller that keeps in made_on the
// serial of the window its things were made on: they must be made again.
bool bench_window_is_new(int& made_on);
