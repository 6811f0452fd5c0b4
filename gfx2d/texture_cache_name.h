// The name of this run's texture-cache file in the temporary folder.
#pragma once

class OpenGLRainbows;

// "<temp folder>qvltxs<hex>.bin"; the number is fixed on the first call
// from the graphics object's address and rand(). The text lives in a static
// buffer that the next call overwrites.
const char* qvl_tex_cache_file_name(const OpenGLRainbows* gfx);
