// Music: one piece at a time, played once or looped. A looping piece is
// restarted by show-screen (and the pause step, and the movie loop) when
// its length has passed on the runtime timer, so the loop point follows the
// program's clock; pausing moves that point by the pause's length.
// Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/basic_string.h"
#include "platform/music_player.h"


// The current piece. music is null when the decoder could not open the file:
// such a piece still counts as present and plays nothing.
struct MusicPiece {
  PlatMusic* music;
  bool length_known;  // false: the decoder loops it and the timer only waits
};

// The player calls, apart so that the timer rules can be tested without a
// decoder. Points at platform/music_player.h unless a test replaces it.
struct QvlMusicBackend {
  PlatMusic* (*open_file)(const char* path, const PlatMusicPatch* patches, size_t count);
  PlatMusic* (*open_memory)(const uint8_t* data, size_t size, const PlatMusicPatch* patches,
                            size_t count);
  void (*close)(PlatMusic* music);
  bool (*play)(PlatMusic* music, bool loop);
  void (*pause)();
  void (*resume)();
  void (*set_volume)(int volume_1000);
  double (*length_ms)(PlatMusic* music);
  double (*position_ms)(PlatMusic* music);
  bool (*active)();
};
extern QvlMusicBackend qvl_mus_backend;
// The timer the loop rule reads; the runtime timer unless a test fakes it.
extern double (*qvl_mus_clock)();

extern MusicPiece* qvl_mus_window;  // null when no piece is loaded
BasicString& qvl_mus_file_name();
// > 0: timer value of the next restart; 0: not looping; < 0: a looping
// piece that is paused (the negated restart time).
extern double qvl_mus_loop_end;
extern double qvl_mus_pause_time;
extern double qvl_mus_volume;  // 0 ... 1; -1 after a stop

void qvl_mus_play(const BasicString& name, int loop);
int qvl_mus_is_playing();
void qvl_mus_pause(int pause);
void qvl_mus_set_volume(double volume);
void qvl_mus_stop();
// Back to the start and playing.
void qvl_mus_restart();
// Restarts a looping piece whose time has come (show-screen, the pause step
// and the movie loop call it every pass).
void qvl_mus_restart_if_due();
// Length and position of the current piece in ms; -1 when unknown.
double qvl_mus_length_ms();
double qvl_mus_position_ms();
