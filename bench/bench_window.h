// The one window that the drawing benchmarks share.
#pragma once

class OpenGLRainbows;

// A 1024 x 768 window on SDL's offscreen driver (unless another driver is
// set) with the graphics object on it, made on first use; it stays for the
// whole run, and its GL context is current.
OpenGLRainbows* bench_window();
