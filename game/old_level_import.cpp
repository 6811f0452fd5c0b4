#include "game/old_level_import.h"

#include "core/number_text.h"
#include "files/file_channel.h"
#include "files/file_resolve.h"

namespace {

constexpr int kColumns = 20;
constexpr int kRows = 50;
constexpr int kCells = kColumns * kRows;
constexpr int kRecords = 10;
constexpr int kNumbers = 2 * kCells + 8 * kRecords;
constexpr int kCell = 16;  // pixels
// First tile of each set in the game's tile array.
constexpr int kTileOffset[] = {0, 0, 22, 52, 79, 106};
constexpr int kSets = 6;

struct OldLevel {
  int tiles[kColumns][kRows];
  int objects[kColumns][kRows];
  TGigaenemy enemies[kRecords];
};

// Reads the numbers in file order; false when fewer are there.
bool read_old_level(const char* name, OldLevel& old) {
  BasicString resolved(name);
  FileChannel file;
  if (!qvl_file_resolve(resolved) || !file.open_read(resolved.c_str())) return false;
  int numbers[kNumbers];
  int n = 0;
  TextLine line;
  while (n < kNumbers && qvl_text_read_line(file, line)) numbers[n++] = qvl_fmt_atoi(line.text);
  file.close();
  if (n < kNumbers) return false;
  const int* p = numbers;
  for (int x = 0; x < kColumns; ++x)
    for (int y = 0; y < kRows; ++y) old.tiles[x][y] = *p++;
  for (int x = 0; x < kColumns; ++x)
    for (int y = 0; y < kRows; ++y) old.objects[x][y] = *p++;
  int32_t TGigaenemy::*const kOrder[] = {&TGigaenemy::motion, &TGigaenemy::variant,
                                         &TGigaenemy::x,      &TGigaenemy::y,
                                         &TGigaenemy::x2,     &TGigaenemy::y2,
                                         &TGigaenemy::param_a, &TGigaenemy::param_b};
  for (auto field : kOrder)
    for (TGigaenemy& e : old.enemies) e.*field = *p++;
  return true;
}

// The end cells that a record's motion implies.
void complete_record(TGigaenemy& e) {
  switch (e.motion) {
    case 1: e.y2 = e.y; break;
    case 2:
      e.x = -1;
      e.x2 = 20;
      e.y2 = e.y;
      break;
    case 3: e.x2 = e.x; break;
    case 4:
      e.x2 = e.x;
      e.y2 = e.y;
      break;
    default: break;
  }
}

struct ObjectKind {
  int anim;
  int speed;
  int moves;  // loops and platform
  int score;
  int hurts;
  int bonus;
  int stompable;
  int respawns;
  int powerup;
};

// The enemy an object code places, or false for a code that places none.
bool object_kind(int b, ObjectKind& k) {
  if (b >= 2 && b <= 4) {
    k = {b == 4 ? 160 : 155, b == 4 ? 3 : 1, 1, 10, 1, 1, 0, 0, -1};
  } else if (b == 5 || b == 6) {
    k = {b == 5 ? 145 : 150, 0, 0, b == 5 ? 1000 : 500, 0, 1, 0, 0, -1};
  } else if (b >= 7 && b <= 9) {
    k = {40 + 5 * (b - 7), 0, 0, 10, 1, 1, 0, 0, -1};
  } else if (b >= 10 && b <= 25) {
    k = {5 * b + 5, 0, 0, 10, 0, 0, 1, 1, -1};
  } else if (b == 29) {
    k = {140, 0, 0, 100, 0, 1, 0, 0, 1};
  } else {
    return false;
  }
  return true;
}

Tpoint point(int x, int y) { return Tpoint{x, y}; }

// A wave of one template with one spawn point.
Twave& add_wave(Tlevel& level, const Tobject& tpl, Tpoint spawn) {
  Twave& wave = level.waves.push(Twave());
  wave.enemies.data[0] = tpl;
  wave.spawns.push(TSpawnPt{spawn.x, spawn.y, 0});
  return wave;
}

void add_object_wave(Tlevel& level, const ObjectKind& k, int b, int x, int y) {
  Tobject tpl;
  tpl.anim = k.anim;
  tpl.lives = 1;
  tpl.speed = k.speed;
  tpl.score = k.score;
  tpl.fire_rate = 0;
  tpl.shot_time = 0;
  tpl.loops = k.moves;
  tpl.platform = k.moves;
  tpl.respawns = k.respawns;
  tpl.solid = 0;
  tpl.hurts = k.hurts;
  tpl.shootable = 0;
  tpl.bonus = k.bonus;
  tpl.stompable = k.stompable;
  tpl.powerup = k.powerup;
  const int px = kCell * x, py = kCell * y;
  Twave& wave = add_wave(level, tpl, point(px, py));
  switch (b) {
    case 2:
      wave.path.push(point(px, py));
      wave.path.push(point(px + kCell, py));
      break;
    case 3:
      wave.path.push(point(px + kCell, py));
      wave.path.push(point(px, py));
      break;
    case 4:
      wave.path.push(point(px, py + kCell));
      wave.path.push(point(px, py));
      break;
    default: wave.path.push(point(px, py)); break;
  }
}

void add_record_wave(Tlevel& level, const TGigaenemy& e) {
  static constexpr int kAnim[] = {30, 25, 10, 15};
  static constexpr int kSpeed[] = {1, 1, 3, 0};
  Tobject tpl;
  tpl.anim = kAnim[e.variant - 1];
  tpl.speed = kSpeed[e.variant - 1];
  tpl.lives = 1;
  tpl.fire_rate = 0;
  tpl.shot_time = 0;
  tpl.respawns = 0;
  tpl.hurts = 1;
  tpl.bonus = 0;
  tpl.stompable = 0;
  tpl.loops = 1;
  const Tpoint start = point(kCell * e.x, kCell * e.y);
  const Tpoint end = point(kCell * e.x2, kCell * e.y2);
  Twave& wave = add_wave(level, tpl, point(e.variant == 3 ? 160 : start.x, start.y));
  wave.path.push(start);
  if (e.motion == 2) {
    wave.path.push(end);
  } else if (e.motion == 1 || e.motion == 3) {
    wave.path.push(end);
    wave.path.push(start);
  } else if (e.motion == 4) {
    Tobject second = tpl;
    second.anim += 1;
    second.push.y = 32;
    wave.enemies.push(second);
  }
}

}  // namespace

BasicString gamefile_old_level_path(int set, int level_number) {
  BasicString name("oldlevels/set");
  name.append_int(set);
  name.append_cstr("/level");
  name.append_int(level_number);
  return name;
}

double gamefile_import_old_levels(int set, int level_number, Tlevel& level) {
  if (set < 0 || set >= kSets || level.layers.size1 < 2) return 0.0;
  OldLevel old;
  if (!read_old_level(gamefile_old_level_path(set, level_number).c_str(), old)) return 0.0;
  for (TGigaenemy& e : old.enemies) complete_record(e);

  BasicArray<int>& back = level.layers.data[0].tiles;
  BasicArray<int>& walls = level.layers.data[1].tiles;
  back.dim(kColumns, kRows, 0, 0);
  walls.dim(kColumns, kRows, 0, 0);
  level.waves.dim(0, 0, 0, 0);
  for (int y = 0; y < kRows; ++y) {
    for (int x = 0; x < kColumns; ++x) {
      const int b = old.objects[x][y];
      ObjectKind kind;
      if (object_kind(b, kind)) add_object_wave(level, kind, b, x, y);
      // Objects 10 to 25 stand on an empty cell.
      const int t = (b >= 10 && b <= 25 ? 0 : old.tiles[x][y]) + kTileOffset[set];
      const bool wall = b == 1;
      walls.at2(x, y) = wall ? t : -1;
      back.at2(x, y) = wall ? -1 : t;
    }
  }
  if (level.starts.size1 < 2) level.starts.redim(2, 0, 0, 0);
  level.starts.data[0] = level.starts.data[1] = point(274, 754);
  level.wall_mode = 1;
  level.scroll_type = 0;
  level.time_limit = 999;
  level.jump_and_run = 1;
  for (const TGigaenemy& e : old.enemies)
    if (e.motion != 0 && e.variant >= 1 && e.variant <= 4) add_record_wave(level, e);
  return 1.0;
}
