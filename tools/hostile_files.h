// Hostile files: small files that declare sizes far beyond what they hold,
// or far beyond what any real picture, sound or object needs. They are
// built here from the bytes up, so that the tests can make each one (the
// large ones in memory, never checked in) and make-hostile-files can write
// them out for the figures in docs/benchmarks.md. Games: hostile_games.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace hostile {

// ---- Images -------------------------------------------------------------

// A PNG chunk: length, type, data and CRC.
std::string png_chunk(const char* type, const std::string& data);
// A w x h PNG of 8-bit RGBA whose IDAT holds only a zlib header: 68 bytes.
std::string png_declaring(uint32_t w, uint32_t h);
// A valid w x h PNG (not interlaced) of one colour type and depth whose
// samples are all 0, compressed at zlib's `level` (0 stores it), with only
// its first `rows` rows in the data (-1: all of them).
std::string png_blank(uint32_t w, uint32_t h, int colour_type, int depth, int level,
                      int rows = -1);

// A grey JPEG of w x h pixels (one component, quantisation all 1, a DC and
// an AC Huffman table with a single 1-bit code each). Baseline: one scan
// whose data is `data_bytes` zero bytes (2 bits a block make a blank image:
// ceil(blocks / 4) bytes). Progressive: `scans` DC-first scans of
// `data_bytes` zero bytes each (1 bit a block). Ends with EOI. Arithmetic:
// the same frame and scans marked arithmetic-coded, without Huffman tables.
std::string jpeg_grey(int w, int h, bool progressive, int scans, size_t data_bytes,
                      bool arithmetic = false);

// ---- Sounds, scene packages, object files ---------------------------------

// A RIFF WAVE of 8-bit mono PCM at `rate` with `bytes` samples of silence.
std::string wav_8bit_mono(uint32_t rate, uint32_t bytes);
// The 44-byte header of a PCM WAVE announcing data_bytes of samples.
std::string wav_header(uint32_t rate, int bits, int channels, uint32_t data_bytes);
// A scene package of one texture and no objects.
std::string package_of_texture(const std::string& texture_name);
// A package naming one texture `count` times, and no objects.
std::string package_of_textures(const std::string& texture_name, int count);
// A text .kvd of one triangle, which the reader takes whatever follows it.
std::string kvd_triangle();
// A text .kvd of one face of `corners` corners (all naming vertex 0) over
// `frames` frames of one vertex each: a few bytes a frame, thousands of
// records a frame once built.
std::string kvd_face_over_frames(int corners, int frames);
// An honest text .kvd: a grid of `triangles` triangles (rounded down to an
// even number) whose vertices move a little in each of `frames` frames,
// with texture coordinates, as a modelling tool writes one.
std::string kvd_grid(int triangles, int frames);

// ---- Movies ------------------------------------------------------------------

// A 35-byte GIF whose screen and one image declare w x h pixels (at most
// 65535 each) and whose data is only a clear and an end code.
std::string gif_declaring(uint16_t w, uint16_t h);

}  // namespace hostile
