#include "host/music.h"

#include <cmath>
#include <string>
#include <vector>

#include "core/call_by_name.h"
#include "core/error_state.h"
#include "core/logs.h"
#include "files/file_channel.h"
#include "files/file_resolve.h"
#include "files/mem_file.h"
#include "files/sys_timer.h"
#include "host/channel_wave_source.h"
#include "host/wave_chunks.h"
#include "platform/music_player.h"

QvlMusicBackend qvl_mus_backend = {
    plat_music_open_file,  plat_music_open_memory, plat_music_close,
    plat_music_play,       plat_music_pause,       plat_music_resume,
    plat_music_set_volume, plat_music_length_ms,   plat_music_position_ms,
    plat_music_active,
};
double (*qvl_mus_clock)() = qvl_sys_timer_ms;

MusicPiece* qvl_mus_window = nullptr;
double qvl_mus_loop_end = 0.0;
double qvl_mus_pause_time = 0.0;
double qvl_mus_volume = -1.0;

namespace {

// The shortest loop: a piece shorter than this restarts this often.
constexpr double kMinLoopMs = 500.0;

void close_piece() {
  if (!qvl_mus_window) return;
  qvl_mus_backend.close(qvl_mus_window->music);
  delete qvl_mus_window;
  qvl_mus_window = nullptr;
}

// A WAVE whose chunks claim more than they hold, or a WAVE or AIFF whose
// format SDL's converter cannot take, never reaches the decoder, whose
// loader trusts them; the piece then plays nothing, as one the decoder
// cannot open, with a line in the error log. A WAVE's 'LIST' chunks reach
// it renamed "JUNK", which it skips (see wave_chunks.h).
bool chunks_hold(WaveSource& source, const char* name, std::vector<PlatMusicPatch>& patches) {
  std::vector<uint64_t> lists;
  const char* why = nullptr;
  switch (wave_check_chunks(source, &lists)) {
    case WaveChunks::broken: why = "its chunks claim more than they hold"; break;
    case WaveChunks::bad_format: why = "its format's channels or rate are out of range"; break;
    case WaveChunks::not_wave: return true;
    case WaveChunks::whole:
      for (const uint64_t at : lists) patches.push_back(PlatMusicPatch{at, {'J', 'U', 'N', 'K'}});
      return true;
  }
  const std::string line = std::string("Music can't be played: ") + why + ": " + name + "\n";
  qvl_log_error_file(line.c_str());
  return false;
}

PlatMusic* open_file_checked(const char* name) {
  std::vector<PlatMusicPatch> patches;
  FileChannel channel;
  if (channel.open_read(name)) {
    ChannelWaveSource source(channel);
    const bool holds = chunks_hold(source, name, patches);
    channel.close();
    if (!holds) return nullptr;
  }
  return qvl_mus_backend.open_file(name, patches.data(), patches.size());
}

// A name from the archive names the resolving reader's block, which its
// next look-up frees: the decoder gets its own copy.
PlatMusic* open_resolved(const char* name) {
  if (!qvl_mem_file_is_name(name)) return open_file_checked(name);
  const uint8_t* block = nullptr;
  uint32_t size = 0;
  if (!qvl_mem_file_acquire(name, &block, &size)) return nullptr;
  WaveMemorySource source(block, size);
  std::vector<PlatMusicPatch> patches;
  PlatMusic* music = chunks_hold(source, name, patches)
                         ? qvl_mus_backend.open_memory(block, size, patches.data(), patches.size())
                         : nullptr;
  qvl_mem_file_unpin(block);
  return music;
}

double loop_length() {
  double length = qvl_mus_window ? qvl_mus_backend.length_ms(qvl_mus_window->music) : -1.0;
  return length > kMinLoopMs - 1.0 ? length : kMinLoopMs;
}

}  // namespace

BasicString& qvl_mus_file_name() {
  static BasicString name;
  return name;
}

void qvl_mus_stop() {
  qvl_mus_volume = -1.0;
  qvl_mus_loop_end = 0.0;
  close_piece();
}

void qvl_mus_play(const BasicString& name, int loop) {
  qvl_mus_stop();
  BasicString& file_name = qvl_mus_file_name();
  file_name.assign(name);
  if (!qvl_file_resolve(file_name)) {
    qvl_err_raise(3);
    return;
  }
  qvl_mus_window = new MusicPiece{open_resolved(file_name.c_str()), false};
  PlatMusic* music = qvl_mus_window->music;
  qvl_mus_window->length_known = music && qvl_mus_backend.length_ms(music) >= 0.0;
  // A piece of unknown length loops in the decoder; restarting it every
  // 500 ms would cut it off before it got anywhere.
  bool decoder_loops = loop && !qvl_mus_window->length_known;
  qvl_mus_loop_end = loop ? qvl_mus_clock() + loop_length() : 0.0;
  if (music) qvl_mus_backend.play(music, decoder_loops);
  qvl_mus_volume = 1.0;
  if (music) qvl_mus_backend.set_volume(1000);
  qvl_call_pause_hook(0);
}

int qvl_mus_is_playing() {
  if (!qvl_mus_window) return 0;
  if (qvl_mus_loop_end > 0.0) return 1;
  return qvl_mus_window->music && qvl_mus_backend.active() ? 1 : 0;
}

void qvl_mus_pause(int pause) {
  if (!qvl_mus_window) return;
  if (pause) {
    if (qvl_mus_loop_end > 0.0) {
      qvl_mus_pause_time = qvl_mus_clock();
      qvl_mus_loop_end = -qvl_mus_loop_end;
    }
    qvl_mus_backend.pause();
  } else {
    if (qvl_mus_loop_end < 0.0)
      qvl_mus_loop_end = -qvl_mus_loop_end + (qvl_mus_clock() - qvl_mus_pause_time);
    qvl_mus_backend.resume();
  }
}

void qvl_mus_set_volume(double volume) {
  if (volume == qvl_mus_volume) return;
  qvl_mus_volume = volume;
  if (!qvl_mus_window || !qvl_mus_window->music) return;
  double scaled = volume * 1000.0;
  // Settled before the conversion so that NaN or a huge value stays defined.
  int level = scaled >= 1000.0 ? 1000 : scaled > 0.0 ? static_cast<int>(scaled) : 0;
  qvl_mus_backend.set_volume(level);
}

void qvl_mus_restart() {
  if (!qvl_mus_window || !qvl_mus_window->music) return;
  // Only a looping piece of unknown length is left to the decoder's loop; a
  // piece played once stays played once.
  bool decoder_loops = qvl_mus_loop_end != 0.0 && !qvl_mus_window->length_known;
  qvl_mus_backend.play(qvl_mus_window->music, decoder_loops);
}

void qvl_mus_restart_if_due() {
  if (qvl_mus_loop_end <= 0.0) return;
  double now = qvl_mus_clock();
  if (now < qvl_mus_loop_end) return;
  qvl_mus_loop_end = now + loop_length();
  // The decoder loops a piece of unknown length itself; the timer only
  // checks that it still runs.
  if (qvl_mus_window && !qvl_mus_window->length_known && qvl_mus_backend.active()) return;
  qvl_mus_restart();
}

double qvl_mus_length_ms() {
  return qvl_mus_window ? qvl_mus_backend.length_ms(qvl_mus_window->music) : -1.0;
}

double qvl_mus_position_ms() {
  return qvl_mus_window ? qvl_mus_backend.position_ms(qvl_mus_window->music) : -1.0;
}
