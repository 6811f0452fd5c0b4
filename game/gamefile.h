// The game file "zzz_game.zemo": one binary file that holds a whole game.
// The reader takes every format version from 1 to format_version (33) and
// converts old content while it reads; the writer always writes the newest.
//
// Layout, little-endian, without markers or padding; which fields a section
// holds depends only on the version V read first:
//   header    int32 V; V >= 33: int8 0, "ZEMO", int32 n + n bytes title
//   palette   V >= 13: int32 n + n uint32 colours
//   images    int32 N; per image int32 w, int32 h, h rows of w bytes
//             (uint8 object images, int8 tiles), V > 25 int32 user value,
//             V > 31 int8 transparency; then the tiles the same way
//   anims     int32 N; per animation int32 F + F int32 frames, V = 29 an
//             ignored int32, int32 mode, int32 speed, V > 3 int32 sound,
//             V > 17 int32 flags, V > 19 int32 mask, V > 23 int32 ms
//   levels    see gamefile_read.cpp; players from V > 1; game text from
//             V > 4, extra-life step from V > 8, game size from V > 14,
//             sound strings from V > 15.
// Files up to version 29 count four animations per object kind, memory
// five; the reader spreads them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/basic_string.h"
#include "game/model.h"

// Reads the game file into game and runs the end of a load: every sound
// string becomes the sound slot of its index, the images become sprites and
// sheets. Progress lines go to standard output. A file that is missing,
// newer than this player, or malformed in any way (ending early, counts or
// sizes that cannot be, references that play would follow out of range,
// sounds past kMaxSoundSamples) returns false with a line saying why, and
// leaves game as it was. The
// game's file_name, modified and exit_on_escape are never taken from a file.
bool gamefile_read(Tgame& game, const BasicString& path);

// Writes game as a file of version format_version; the title becomes the
// game's file name without its extension. A value that its field cannot hold
// (an int16 path point or sound length, an int8 count, ...) refuses the save
// before the file is touched; the file is built in memory, written to a
// temporary file and renamed over the old one, so a failed save keeps the
// old file. show_busy shows the busy overlay between sections.
bool gamefile_write(Tgame& game, const BasicString& path, bool show_busy);

// The text after the last "/" or "\" of path; unless keep_extension its last
// five characters are dropped (a shorter part is kept whole). A path without
// any part comes back unchanged.
BasicString gamefile_title_from_path(const BasicString& path, bool keep_extension);

// Re-dimensions the animations, keeping them, to max(60, (n / 5) * 5 + 15)
// when that differs from their number.
void gamefile_size_anims(BasicArray<Tanim>& anims, int n);
// One past the last animation that is not a fresh record: the n the reader
// sizes the array from, so that reading a file again gives the same size.
int gamefile_anims_in_use(const BasicArray<Tanim>& anims);

// ---- The halves without files, sounds or sprites -------------------------

// Where the parser's progress goes; null members do nothing.
struct GameFileProgress {
  void (*print)(const char* line) = nullptr;  // a whole line with its "\n"
  void (*busy)() = nullptr;
};

// Why a parse or a check failed, and where.
struct GameFileError {
  const char* reason = nullptr;  // null: no error
  size_t offset = 0;             // byte of the file, or 0 for a check
  bool newer_version = false;    // the version line already said it
};

// Parses size bytes of a game file into out (which should be a fresh
// Tgame): every section, the animation sizing and the checks that play's
// references stay in range. path gives the title of files before version 33.
bool gamefile_parse(const uint8_t* data, size_t size, const BasicString& path, Tgame& out,
                    const GameFileProgress& progress, GameFileError& error);

// What all sound strings of one game may render together, in samples
// (about 190 s at 44,100 Hz, some 28 of the longest sounds): they are
// synthesised at load, so a small file of many long strings would
// otherwise cost gigabytes and minutes.
constexpr int64_t kMaxSoundSamples = int64_t(1) << 23;
// The samples the game's sound strings render at most, all together.
int64_t gamefile_sound_samples(const Tgame& game);

// The play picture's largest side, the largest texture a sprite can hold,
// and the most pixels its texture may have (each side rounded up to a power
// of two, as render targets are made): 4096 x 4096, 64 MB of RGBA. Play
// draws into a target of the game's own size whenever it differs from the
// screen's, so a few bytes of game file could otherwise ask for gigabytes.
constexpr int kMaxPlaySide = 16384;
constexpr int64_t kMaxPlayTexels = int64_t{1} << 24;
// What the pictures may become in all: the sprites of every image and tile
// and the two sprite sheets, each counted at its texture size (sides rounded
// up to powers of two, at least 16): 2^25 texels, 128 MB of RGBA. A sheet
// holds every image of its array in cells of the first image's width, so a
// small file of one wide image and many empty ones would otherwise make
// sheets of gigabytes.
constexpr int64_t kMaxPictureTexels = int64_t{1} << 25;
// The texels the game's pictures become, as counted for kMaxPictureTexels;
// INT64_MAX when a sheet would have a side beyond kMaxPlaySide, the largest
// texture there is.
int64_t gamefile_picture_texels(const Tgame& game);

// The references play follows and what the sounds, the play picture and
// the pictures would cost, checked on a parsed game: null when they all
// stay in range, else the reason.
const char* gamefile_check(const Tgame& game);

// Builds the version-33 file of game; false, with the reason, for a value
// its field cannot hold. busy (may be null) runs between sections.
bool gamefile_encode(const Tgame& game, std::vector<uint8_t>& out, BasicString& reason,
                     void (*busy)() = nullptr);
