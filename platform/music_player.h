// One piece of music at a time over SDL2_mixer's music stream (WAV, OGG,
// MP3, FLAC, MOD, MIDI: whatever the installed decoders read). Opening a
// piece opens the mixing device when the sound device has not.
#pragma once

#include <cstddef>
#include <cstdint>

struct PlatMusic;

// Four bytes the decoder reads as others, at an offset of the file or
// block: a WAVE chunk's id renamed, so that the decoder skips a chunk it
// would misread. Patches are given only for a WAVE file.
struct PlatMusicPatch {
  uint64_t offset;
  char bytes[4];
};

PlatMusic* plat_music_open_file(const char* path, const PlatMusicPatch* patches, size_t count);
// The bytes are copied (and patched in the copy); the caller's block may go
// at once.
PlatMusic* plat_music_open_memory(const uint8_t* data, size_t size, const PlatMusicPatch* patches,
                                  size_t count);
// Stops the piece when it is the one playing, then frees it.
void plat_music_close(PlatMusic* music);

// From the start; loop makes the decoder repeat it without end.
bool plat_music_play(PlatMusic* music, bool loop);
void plat_music_pause();
void plat_music_resume();
// 0 (silent) ... 1000 (full).
void plat_music_set_volume(int volume_1000);
// Negative when the decoder cannot tell.
double plat_music_length_ms(PlatMusic* music);
double plat_music_position_ms(PlatMusic* music);
// Playing or paused, and not yet at its end.
bool plat_music_active();
