// The chunk check a WAVE or AIFF file passes before it is handed to
// SDL_mixer as music. SDL_mixer's WAV loader trusts what some chunks
// declare: a 'smpl' chunk's loop count (0xFFFFFFF0 loops in 4.5 KB crashed
// it), the length of a 'LIST' and of the texts in its INFO list (read up to
// their terminating NUL), and it walks the chunks without a pad byte after
// an odd size. Its AIFF loader takes a text chunk's declared size for the
// size of its copy. The check walks the chunks as the loader does and
// refuses a file unless every chunk lies inside the file and every part of
// one that the loader reads lies inside its chunk. A format SDL's converter
// cannot take (no channels made it divide by zero), in a WAVE's 'fmt ' or
// an AIFF's 'COMM' chunk, refuses the file too.
#pragma once

#include <cstdint>
#include <vector>

#include "host/wave_file.h"

enum class WaveChunks {
  not_wave,     // neither "RIFF" ... "WAVE" nor "FORM" ... "AIFF"/"AIFC"
  whole,        // every chunk holds what it claims
  broken,       // a chunk claims more than the file or its chunk holds
  bad_format,   // a format chunk's channels or rate are out of range
};

// Reads from the source's position (the file's first byte) and leaves it
// anywhere. The offsets of a WAVE's 'LIST' chunk ids go to lists, when
// given: SDL_mixer walks an INFO list's texts by a rule of its own that
// reads past the chunk (a text's size taken for the distance from the
// start of its header), so the player hands it those chunks renamed, to be
// skipped. Their texts are tags the runtime never shows.
WaveChunks wave_check_chunks(WaveSource& source, std::vector<uint64_t>* lists = nullptr);
