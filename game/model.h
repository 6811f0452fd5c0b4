// The game model: the records of a loaded game and of the level in play,
// and the player's global objects.
//
// Every record is a plain value: its constructor sets the defaults below,
// copies are member-wise (a member array takes the source's sizes and
// elements), and arrays of records are BasicArray instances that build,
// copy and destroy their elements through these operations.
//
// Units: positions and sizes in level pixels (origin top-left, y down, a
// position is the top-left corner of the object's image); times in ms of
// frame_clock; colours 0xBBGGRR.
#pragma once

#include <cstdint>

#include "core/basic_array.h"
#include "core/basic_string.h"

struct Tpoint {
  int32_t x = 0;
  int32_t y = 0;
};

// A spawn point of a wave; triggered is 1 once it has come into view during
// the current level.
struct TSpawnPt {
  int32_t x = 0;
  int32_t y = 0;
  int32_t triggered = 0;
};

// One palette image: an object image or a tile.
struct Timage {
  BasicArray<int> pixels;    // [width][height] palette indexes, x first
  int32_t sprite = 0;        // sprite id, also its cell in the sheet
  int32_t user_value = 0;    // stored with the image; play never reads it
  int32_t transparency = 10;
  double alpha = -1.0;       // alpha mode the image is drawn with

  // alpha = -(transparency / 9.999 + 0.001): level 10 gives -1.0001 (opaque),
  // level 0 gives -0.001 (nearly invisible).
  void update_alpha();
};

// Every object kind owns five consecutive animations from its `anim`:
// +0 moving, +1 firing, +2 hurt or dying, +3 its shot, +4 its wall shape.
inline constexpr int kAnimsPerKind = 5;
inline constexpr int kAnimFiring = 1;
inline constexpr int kAnimHurt = 2;
inline constexpr int kAnimShot = 3;
inline constexpr int kAnimWallShape = 4;

// Shot directions of a firing animation (Tanim::flags).
inline constexpr int kShotRight = 0x01;
inline constexpr int kShotUp = 0x02;
inline constexpr int kShotLeft = 0x04;
inline constexpr int kShotDown = 0x08;
inline constexpr int kShotDiagonals = 0x10;
inline constexpr int kShotFixed = 0x20;

struct Tanim {
  BasicArray<int> frames;  // indexes into Tgame::images
  int32_t mode = 0;        // n > 0 cycles n frames; 0 pairs by direction; -1 like 0, still
  int32_t speed = 0;       // speed + 1 steps per 500 ms
  int32_t sound = 0;       // sound slot of the animation's event, 0 none
  double seconds = 0;
  int32_t flags = 0;       // shot directions (kShot...)
  int32_t mask = 0;        // collision-group bits

  // True for a record as a fresh one is: no frames and every number 0.
  bool is_default() const;
};

// One tile layer: [columns][rows] indexes into Tgame::tiles, negative = empty.
struct Tplayfield {
  BasicArray<int> tiles;
  Tplayfield();
};

struct Tobject {
  int32_t anim = 0;         // first of the kind's five animations
  int32_t lives = 3;        // player: -1 not joined, 0 out; enemy: hit points, -1 dead
  int32_t speed = 2;
  int32_t score = 100;
  int32_t next_life = 0;
  int32_t fire_rate = 2;
  int32_t shot_speed = 2;
  int32_t shot_time = 2000;
  int32_t must_kill = 0;
  int32_t kills_group = 0;
  int32_t loops = 0;
  int32_t jump_height = 64;
  int32_t respawns = 0;
  int32_t platform = 0;
  int32_t solid = 1;
  int32_t hurts = 1;
  int32_t shootable = 1;
  int32_t bonus = 1;
  int32_t stompable = 1;
  int32_t powerup = -1;     // power-up level given when collected, -1 none
  Tpoint push;              // motion carried in by a platform
  int32_t hit_sprite = 0;
  int32_t wall_sprite = 0;
  int32_t direction = 2;    // 0 right, counter-clockwise in eighths, 8 still
  Tpoint pos;
  int32_t next_fire = 0;
  int32_t hurt_time = 0;
  int32_t anim_start = 0;
  int32_t anim_set = 0;     // 0 normal, 1 firing, 2 hurt or dying
};

// Power-up levels of a player: 0 is the normal kind, 1 to 3 the power-ups.
inline constexpr int kPowerupLevels = 4;

struct Twave {
  BasicArray<TSpawnPt> spawns;
  BasicArray<Tpoint> path;       // level pixels
  BasicArray<Tobject> enemies;   // templates, one enemy each per trigger
  double path_length = 0;        // quarter pixels
  Twave();
};

struct Tlevel {
  BasicArray<Tpoint> starts;
  BasicArray<Tplayfield> layers;  // 0 background, 1 walls
  int32_t wall_mode = 2;
  int32_t scroll_type = 1;
  int32_t jump_and_run = 0;
  int32_t scroll_speed = 3;
  int32_t time_limit = 30;
  BasicArray<Twave> waves;
  Tlevel();
};

struct Tenemy {
  int32_t wave = 0;
  int32_t spawn = 0;
  Tobject obj;
  Tpoint heading;
  int32_t path_pos = 0;
  int32_t path_end = 0;
  int32_t group = 0;
};

struct Tshot {
  int32_t anim = 0;
  int32_t sprite = 0;
  int32_t owner = 0;    // player index, -1 for an enemy's shot
  Tpoint origin;
  int32_t blocked = 0;
  int32_t expires = 0;  // a slot whose expires lies below the clock is free
  Tpoint pos;
  double vx = 0;
  double vy = 0;
};

struct Tjumpnrun {
  double accel = 0;
  double launch = 0;
  Tpoint origin;
  int32_t rise_frames = 0;
  int32_t frame = 0;
  int32_t falling = 0;
  int32_t fall_step = 0;
  int32_t jump_held = 0;
};

struct Tpowerups {
  BasicArray<int> anims;    // animation base per power-up level
  BasicArray<int> seconds;  // duration per level, 0 = lasting
  int32_t until = 0;
  Tpowerups();
};

// An enemy record of the old level files (old_level_import.h).
struct TGigaenemy {
  int32_t motion = 0;
  int32_t variant = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t param_a = 0;
  int32_t param_b = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
};

// The loaded game.
struct Tgame {
  int32_t modified = 0;
  int32_t exit_on_escape = 1;
  BasicString file_name;
  BasicString title;
  BasicArray<Timage> tiles;
  BasicArray<Timage> images;
  BasicArray<Tanim> anims;
  BasicArray<Tlevel> levels;
  BasicArray<Tobject> players;
  BasicArray<Tjumpnrun> jumps;      // one per player
  BasicArray<Tpowerups> powerups;   // one per player
  BasicArray<BasicString> sounds;   // parameter strings; index = sound slot
  BasicString game_text;
  int32_t extra_life_step = 10000;
  BasicArray<int> palette;
  int32_t game_width = 320;
  int32_t game_height = 480;
  Tgame();
};

// The state of the level in play.
struct TGameState {
  int32_t level = 0;
  int32_t cam_x = 0;
  int32_t cam_y = 0;
  int32_t last_cam_y = 0;
  int32_t last_cam_x = 0;
  Tpoint screen_size;
  Tpoint tile_size;
  Tpoint level_size;
  Tpoint level_tiles;
  Tpoint sprite_size;
  Tpoint glyph_size;
  BasicArray<Tenemy> enemies;
  BasicArray<Tshot> shots;
  int32_t scroll_count = 0;
  int32_t level_time = 0;
  BasicArray<Tobject> start_players;
  double complete = 0;
  BasicArray<int> fire_held;
  BasicArray<Tpoint> last_pos;
  int32_t scroll_step = 0;
  int32_t target_sprite = -1;
};

// The settings of the run.
struct Tplaygame {
  int32_t input = 0;  // 0 keyboard, 1 gamepad, other: no input
  int32_t spare_flag = 1;
  double spare_real = 0;
  int32_t autofire = 0;
  int32_t start_level = 0;
  int32_t restart = 0;
  int32_t next_group = 1;
  int32_t paused = 0;
  int32_t editor = 0;
  int32_t trainer = 0;
};

// The player's globals. Defined in one unit in the order gamestate,
// playgame, game, so that at exit game goes first, then playgame and
// gamestate; none of them depends on other runtime state.
extern TGameState gamestate;
extern Tplaygame playgame;
extern Tgame game;

extern int32_t frame_clock;         // game time in ms, +17 per played frame
extern int32_t path_factor;         // quarter pixels per pixel
extern int32_t format_version;      // game-file version written and newest read
extern int32_t cell_size;           // cell edge of the sheet being drawn from
extern double game_sort_counter;    // frames since the enemies' draw-order sort

// Start values of the game unit's globals, set by the entry.
void game_init_globals();

// Index of value in an integer array, 0 when absent.
int game_int_index_of(BasicArray<int>& array, int value);
