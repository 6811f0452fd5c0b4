#include "platform/music_player.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

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

PlatMusic* plat_music_open_file(const char* path) {
  if (!plat_audio_open(nullptr)) return nullptr;
  // The mixer would wait in its open for a named pipe's writer, or stream a
  // device without end: only a regular file goes to it.
  const int fd = plat_open_regular_fd(path);
  if (fd < 0) return nullptr;
  close(fd);
  Mix_Music* mix = Mix_LoadMUS(path);
  if (!mix) return nullptr;
  auto* music = new PlatMusic;
  music->mix = mix;
  return music;
}

PlatMusic* plat_music_open_memory(const uint8_t* data, size_t size) {
  if (!plat_audio_open(nullptr) || size == 0 || size > 0x7FFFFFFF) return nullptr;
  auto* music = new PlatMusic;
  music->bytes.assign(data, data + size);
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
