#include "platform/music_player.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/audio.h"
#include "platform/file_io.h"

struct PlatMusic {
  Mix_Music* mix = nullptr;
  std::vector<uint8_t> bytes;  // the data a memory piece is decoded from
};

namespace {
PlatMusic* g_current = nullptr;
}

namespace {

// A file read through its descriptor with the patches laid over what is
// read, for the mixer's RWops.
struct PatchedFile {
  int fd;
  int64_t size;
  int64_t position = 0;
  std::vector<PlatMusicPatch> patches;
};

PatchedFile* patched(SDL_RWops* rw) { return static_cast<PatchedFile*>(rw->hidden.unknown.data1); }

Sint64 patched_size(SDL_RWops* rw) { return patched(rw)->size; }

Sint64 patched_seek(SDL_RWops* rw, Sint64 offset, int whence) {
  PatchedFile* f = patched(rw);
  const int64_t base = whence == RW_SEEK_SET ? 0 : whence == RW_SEEK_CUR ? f->position : f->size;
  if (offset < -base) return SDL_SetError("Seek before the start");
  f->position = base + offset;
  return f->position;
}

size_t patched_read(SDL_RWops* rw, void* destination, size_t size, size_t count) {
  PatchedFile* f = patched(rw);
  if (size == 0 || count == 0 || f->position >= f->size) return 0;
  const uint64_t wanted = std::min<uint64_t>(uint64_t(size) * count, uint64_t(f->size - f->position));
  auto* out = static_cast<uint8_t*>(destination);
  uint64_t got = 0;
  while (got < wanted) {
    const ssize_t n = pread(f->fd, out + got, wanted - got, f->position + int64_t(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += uint64_t(n);
  }
  for (const PlatMusicPatch& patch : f->patches)
    for (uint64_t i = 0; i < sizeof patch.bytes; ++i) {
      const uint64_t at = patch.offset + i;
      if (at >= uint64_t(f->position) && at < uint64_t(f->position) + got)
        out[at - uint64_t(f->position)] = uint8_t(patch.bytes[i]);
    }
  f->position += int64_t(got);
  return size_t(got / size);
}

size_t patched_write(SDL_RWops*, const void*, size_t, size_t) { return 0; }

int patched_close(SDL_RWops* rw) {
  PatchedFile* f = patched(rw);
  close(f->fd);
  delete f;
  SDL_FreeRW(rw);
  return 0;
}

SDL_RWops* open_patched(int fd, const PlatMusicPatch* patches, size_t count) {
  struct stat st;
  SDL_RWops* rw = fstat(fd, &st) == 0 ? SDL_AllocRW() : nullptr;
  if (!rw) {
    close(fd);
    return nullptr;
  }
  rw->type = SDL_RWOPS_UNKNOWN;
  rw->size = patched_size;
  rw->seek = patched_seek;
  rw->read = patched_read;
  rw->write = patched_write;
  rw->close = patched_close;
  rw->hidden.unknown.data1 = new PatchedFile{fd, st.st_size, 0, {patches, patches + count}};
  return rw;
}

}  // namespace

PlatMusic* plat_music_open_file(const char* path, const PlatMusicPatch* patches, size_t count) {
  if (!plat_audio_open(nullptr)) return nullptr;
  // The mixer would wait in its open for a named pipe's writer, or stream a
  // device without end: only a regular file goes to it.
  const int fd = plat_open_regular_fd(path);
  if (fd < 0) return nullptr;
  Mix_Music* mix = nullptr;
  if (count == 0) {
    // By name, so that the mixer may also go by the name's extension.
    close(fd);
    mix = Mix_LoadMUS(path);
  } else {
    SDL_RWops* rw = open_patched(fd, patches, count);
    mix = rw ? Mix_LoadMUSType_RW(rw, MUS_WAV, 1) : nullptr;
  }
  if (!mix) return nullptr;
  auto* music = new PlatMusic;
  music->mix = mix;
  return music;
}

PlatMusic* plat_music_open_memory(const uint8_t* data, size_t size, const PlatMusicPatch* patches,
                                  size_t count) {
  if (!plat_audio_open(nullptr) || size == 0 || size > 0x7FFFFFFF) return nullptr;
  auto* music = new PlatMusic;
  music->bytes.assign(data, data + size);
  for (size_t p = 0; p < count; ++p)
    for (uint64_t i = 0; i < sizeof patches[p].bytes; ++i)
      if (patches[p].offset + i < size) music->bytes[patches[p].offset + i] = uint8_t(patches[p].bytes[i]);
  SDL_RWops* rw = SDL_RWFromConstMem(music->bytes.data(), static_cast<int>(size));
  music->mix = rw ? Mix_LoadMUS_RW(rw, 1) : nullptr;
  if (!music->mix) {
    delete music;
    return nullptr;
  }
  return music;
}

void plat_music_close(PlatMusic* music) {
  if (!music) return;
  if (music == g_current) {
    Mix_HaltMusic();
    g_current = nullptr;
  }
  Mix_FreeMusic(music->mix);
  delete music;
}

bool plat_music_play(PlatMusic* music, bool loop) {
  if (!music) return false;
  g_current = music;
  return Mix_PlayMusic(music->mix, loop ? -1 : 1) == 0;
}

void plat_music_pause() {
  if (g_current) Mix_PauseMusic();
}

void plat_music_resume() {
  if (g_current) Mix_ResumeMusic();
}

void plat_music_set_volume(int volume_1000) {
  if (!plat_audio_is_open()) return;
  if (volume_1000 < 0) volume_1000 = 0;
  if (volume_1000 > 1000) volume_1000 = 1000;
  Mix_VolumeMusic((volume_1000 * MIX_MAX_VOLUME + 500) / 1000);
}

double plat_music_length_ms(PlatMusic* music) {
  if (!music) return -1.0;
  double seconds = Mix_MusicDuration(music->mix);
  return seconds > 0.0 ? seconds * 1000.0 : -1.0;
}

double plat_music_position_ms(PlatMusic* music) {
  if (!music) return -1.0;
  double seconds = Mix_GetMusicPosition(music->mix);
  return seconds >= 0.0 ? seconds * 1000.0 : -1.0;
}

bool plat_music_active() { return g_current && plat_audio_is_open() && Mix_PlayingMusic(); }
