// The screen the widget-library benchmarks draw on: the shared benchmark
// window with the built-in font at 8 x 8 pixels, and the library's seam
// reading a still mouse, a steady clock and no keys but Esc when asked;
// showing the screen is left to the benchmark.
#pragma once

class OpenGLRainbows;

OpenGLRainbows* kvgui_bench_screen();
// Esc reads as held while this is set (for closing the modal dialogs).
extern bool kvgui_bench_escape_down;
// Pops every dialog.
void kvgui_bench_empty_stack();
