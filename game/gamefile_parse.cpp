// The game file's parser: bytes in, a Tgame out, for every version from 1
// to format_version. It never trusts a count: before an array is sized
// from one, the bytes its records need must still be there, so a damaged
// file fails with a reason instead of allocating or reading beyond itself.
//
// Levels (after the animations):
//   int32 L; per level int32 M layers, each int32 w, int32 h, h rows of w
//   int16 tile indexes; int32 wall mode, scroll type, scroll speed, time
//   limit; V > 10 int8 jump-and-run; V >= 23 int32 S + S (int32 x, int32 y)
//   start points; int32 W waves.
// Wave: int32 P + P spawn points (V > 9 int32 x, always int32 y); int16 Q +
//   Q (int16 x, int16 y) path points; V >= 7 int32 T + T templates, older
//   files exactly one template of the early layout.
// Template (V >= 7): int32 anim, int16 lives, int8 speed, V <= 17 int8
//   flags, int16 must kill, V > 16 int16 kills group, int8 loops, int32
//   score, int8 fire rate, int32 shot speed, int32 shot time, int32
//   shootable, solid, hurts, bonus, V > 11 int32 stompable, int16 push x,
//   int16 push y, V > 21 int16 power-up, V > 27 int8 respawns, V > 30 int8
//   platform. Early layout: int32 anim, int16 lives, int8 speed, int16 must
//   kill, V > 2 int8 loops, int32 score, int8 fire rate, int32 shot speed,
//   int32 shot time, int32 shootable, solid, hurts, bonus.
// Players (V > 1): int8 N; per player int8 lives, V <= 17 int8 flags,
//   V > 20 4 int32 power-up animations and 4 int32 power-up seconds, V 19
//   and 20 int32 anim, int8 speed, int8 fire rate, int8 shot speed, int32
//   shot time, int8 shootable, V > 5 int8 solid, V >= 11 int32 jump height.
// Closing: V > 4 int32 n + n bytes game text; V > 8 int32 extra-life step;
//   V > 14 int32 game width and height; V > 15 int32 K + K (int16 m + m
//   bytes) sound strings.
#include <algorithm>
#include <cstdint>

#include "core/string_commands.h"
#include "core/string_split.h"
#include "game/gamefile.h"
#include "game/gamefile_bytes.h"
#include "game/palette_sprites.h"

namespace {

// Beyond these the sprite-id plan runs into the next range (tiles at 1024,
// the sheets at 2048).
constexpr int kMaxImagesPerArray = 1024;

// Smallest file bytes of a record, so that a count can be checked against
// what is left before anything is sized from it.
constexpr int kImageBytes = 8;
constexpr int kAnimBytes = 12;
constexpr int kLevelBytes = 24;
constexpr int kLayerBytes = 8;
constexpr int kWaveBytes = 10;
constexpr int kPathPointBytes = 4;
constexpr int kTemplateBytes = 43;
constexpr int kPlayerBytes = 9;
constexpr int kSoundBytes = 2;

int32_t clamp_i32(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Files up to version 29 number four animations per kind. A number that
// does not fit after spreading is out of range anyway, and the check says so.
int spread_anim(int anim) { return clamp_i32(int64_t(anim) / 4 * kAnimsPerKind); }

class Parser {
 public:
  Parser(const uint8_t* data, size_t size, Tgame& game, const GameFileProgress& progress)
      : in_(data, size), g_(game), progress_(progress) {}

  bool run(const BasicString& path, GameFileError& error);

 private:
  void print(const char* line) {
    if (progress_.print) progress_.print(line);
  }
  void busy() {
    if (progress_.busy) progress_.busy();
  }
  // Records the first failure; always false, so callers can return it.
  bool fail(const char* reason) {
    if (!why_) {
      why_ = reason;
      where_ = in_.offset();
    }
    return false;
  }
  bool ends_early() { return fail("the file ends early"); }
  bool count_ok(int64_t count, int record_bytes, const char* what) {
    if (in_.failed()) return ends_early();
    if (count < 0) return fail(what);
    if (!in_.fits(count, record_bytes)) return ends_early();
    return true;
  }

  bool header(const BasicString& path);
  bool palette();
  bool images(BasicArray<Timage>& array, bool signed_pixels);
  void fix_old_transparency();
  bool anims();
  bool anim_record(Tanim& a);
  bool levels();
  bool level(Tlevel& level);
  bool layers(Tlevel& level);
  void default_starts(Tlevel& level, int count);
  bool wave(Twave& wave);
  void template_record(Tobject& o);
  void old_flags_byte(int64_t slot, int flags, bool replace);
  bool players();
  bool closing();

  GameFileReader in_;
  Tgame& g_;
  const GameFileProgress& progress_;
  int v_ = 0;
  const char* why_ = nullptr;
  size_t where_ = 0;
};

bool Parser::run(const BasicString& path, GameFileError& error) {
  bool ok = header(path);
  if (ok && v_ <= format_version) {
    ok = palette() && images(g_.images, false);
    if (ok) {
      busy();
      print("tiles\n");
      ok = images(g_.tiles, true);
    }
    if (ok) {
      fix_old_transparency();
      ok = anims() && levels() && players() && closing();
    }
    if (ok) {
      gamefile_size_anims(g_.anims, gamefile_anims_in_use(g_.anims));
      if (const char* reason = gamefile_check(g_)) {
        why_ = reason;
        where_ = 0;
        ok = false;
      }
    }
  }
  error.newer_version = ok && v_ > format_version;
  if (error.newer_version) ok = false;
  error.reason = why_;
  error.offset = where_;
  return ok;
}

bool Parser::header(const BasicString& path) {
  v_ = in_.i32();
  if (in_.failed()) return ends_early();
  BasicString line("version:");
  line.append_int(v_);
  line.append_cstr(". Supports up to:");
  line.append_int(format_version);
  line.append_char('\n');
  print(line.c_str());
  if (v_ > format_version) return true;  // the caller stops here
  if (v_ < 1) return fail("the version is not one of a game file");
  if (v_ < 33) {
    g_.title = gamefile_title_from_path(path, false);
    return true;
  }
  in_.i8();    // 0, not checked
  in_.take(4);  // "ZEMO", not checked
  const int32_t n = in_.i32();
  if (in_.failed()) return ends_early();
  in_.text(g_.title, n);
  return !in_.failed() || ends_early();
}

bool Parser::palette() {
  if (v_ < 13) {
    print("default palette\n");
    gamefile_default_palette(0, g_.palette);
    return true;
  }
  print("read palette\n");
  const int32_t n = in_.i32();
  if (!count_ok(n, 4, "a colour count below 0")) return false;
  g_.palette.dim_exact(std::max(n, 16), 0, 0, 0);
  for (int i = 0; i < n; ++i) g_.palette.data[i] = in_.u32();
  g_.palette.data[0] = 0x8000ff;
  return true;
}

bool Parser::images(BasicArray<Timage>& array, bool signed_pixels) {
  if (!signed_pixels) {
    print("wait cursor\n");
    busy();
    print("images\n");
  }
  const int32_t n = in_.i32();
  if (!count_ok(n, kImageBytes, "an image count below 0")) return false;
  if (n == 0) return fail("an image array without images");
  if (n > kMaxImagesPerArray) return fail("more than 1024 images in one array");
  array.dim_exact(n, 0, 0, 0);
  for (int k = 0; k < n; ++k) {
    Timage& image = array.data[k];
    const int32_t w = in_.i32();
    const int32_t h = in_.i32();
    if (in_.failed()) return ends_early();
    if (w < 0 || h < 0) return fail("an image size below 0");
    // The sprite is w x w from the first rows: a shorter grid has no rows
    // for it (and a tile of height 0 would be divided by).
    if (w > h) return fail("an image wider than high");
    const uint8_t* bytes = in_.take(int64_t(w) * h);
    if (!bytes) return ends_early();
    image.pixels.dim_exact(w, h, 0, 0);
    const int64_t count = int64_t(w) * h;
    int* out = image.pixels.data;
    if (signed_pixels) {
      for (int64_t i = 0; i < count; ++i) out[i] = int8_t(bytes[i]);
    } else {
      for (int64_t i = 0; i < count; ++i) out[i] = bytes[i];
    }
    if (v_ > 25) image.user_value = in_.i32();
    if (v_ > 31) image.transparency = in_.i8();
    image.update_alpha();
  }
  return !in_.failed() || ends_early();
}

// Before version 13 index 42 was the transparent one and 0 a drawn colour.
void Parser::fix_old_transparency() {
  busy();
  if (v_ > 12) return;
  print("fix old transparency\n");
  for (BasicArray<Timage>* array : {&g_.images, &g_.tiles}) {
    for (int k = 0; k < array->size1; ++k) {
      BasicArray<int>& p = array->data[k].pixels;
      for (int i = 0; i < p.count; ++i) {
        int& index = p.data[i];
        index = index == 42 ? 0 : index == 0 ? 14 : index;
      }
    }
  }
}

bool Parser::anims() {
  busy();
  print("anims\n");
  const int32_t n = in_.i32();
  if (!count_ok(n, kAnimBytes, "an animation count below 0")) return false;
  const bool four_per_kind = v_ <= 29;
  g_.anims.dim_exact(four_per_kind ? n / 4 * kAnimsPerKind + 10 : n, 0, 0, 0);
  for (int k = 0; k < n; ++k) {
    const int slot = four_per_kind ? k + k / 4 : k;
    if (!anim_record(g_.anims.data[slot])) return false;
    // Memory's fifth animation of a kind, the wall shape, starts as a copy
    // of the kind's moving animation.
    if (four_per_kind && k % 4 == 3)
      g_.anims.data[kAnimsPerKind * (k / 4) + kAnimWallShape] =
          g_.anims.data[kAnimsPerKind * (k / 4)];
  }
  return true;
}

bool Parser::anim_record(Tanim& a) {
  const int32_t frames = in_.i32();
  if (!count_ok(frames, 4, "a frame count below 0")) return false;
  a.frames.dim_exact(frames, 0, 0, 0);
  for (int f = 0; f < frames; ++f) a.frames.data[f] = in_.i32();
  if (v_ == 29) in_.i32();
  a.mode = in_.i32();
  a.speed = in_.i32();
  if (v_ > 3) a.sound = in_.i32();
  if (v_ > 17) a.flags = in_.i32();
  if (v_ > 19) a.mask = in_.i32();
  a.seconds = v_ > 23 ? in_.i32() * 0.001 : 1.0;
  return !in_.failed() || ends_early();
}

bool Parser::levels() {
  print("levels\n");
  const int32_t n = in_.i32();
  if (!count_ok(n, kLevelBytes, "a level count below 0")) return false;
  if (n == 0) return fail("a game without levels");
  g_.levels.dim_exact(n, 0, 0, 0);
  for (int i = 0; i < n; ++i) {
    busy();
    if (!level(g_.levels.data[i])) return false;
  }
  return true;
}

bool Parser::level(Tlevel& level) {
  if (!layers(level)) return false;
  level.wall_mode = in_.i32();
  level.scroll_type = in_.i32();
  level.scroll_speed = in_.i32();
  level.time_limit = in_.i32();
  if (v_ > 10) level.jump_and_run = in_.i8();
  int32_t starts = 2;
  if (v_ >= 23) starts = in_.i32();
  if (!count_ok(starts, v_ >= 23 ? 8 : 0, "a start count below 0")) return false;
  default_starts(level, starts);
  if (v_ >= 23) {
    for (int i = 0; i < starts; ++i) {
      level.starts.data[i].x = in_.i32();
      level.starts.data[i].y = in_.i32();
    }
  }
  const int32_t waves = in_.i32();
  if (!count_ok(waves, kWaveBytes, "a wave count below 0")) return false;
  level.waves.dim_exact(waves, 0, 0, 0);
  for (int w = 0; w < waves; ++w)
    if (!wave(level.waves.data[w])) return false;
  return true;
}

bool Parser::layers(Tlevel& level) {
  const int32_t m = in_.i32();
  if (!count_ok(m, kLayerBytes, "a layer count below 0")) return false;
  if (m > level.layers.size1) return fail("a level with more than two layers");
  for (int i = 0; i < m; ++i) {
    const int32_t w = in_.i32();
    const int32_t h = in_.i32();
    if (in_.failed()) return ends_early();
    if (w < 0 || h < 0) return fail("a layer size below 0");
    const uint8_t* bytes = in_.take(int64_t(w) * h * 2);
    if (!bytes) return ends_early();
    BasicArray<int>& tiles = level.layers.data[i].tiles;
    // A layer without rows or columns holds no cells (sizing it w x 0 would
    // make w cells that the file does not have).
    if (w == 0 || h == 0) {
      tiles.dim_exact(0, 0, 0, 0);
      continue;
    }
    tiles.dim_exact(w, h, 0, 0);
    const int64_t count = int64_t(w) * h;
    for (int64_t c = 0; c < count; ++c)
      tiles.data[c] = int16_t(bytes[2 * c] | bytes[2 * c + 1] << 8);
  }
  return true;
}

// Start points the file does not place stand 160 pixels apart, 64 pixels
// above the bottom of the level.
void Parser::default_starts(Tlevel& level, int count) {
  level.starts.redim(count, 0, 0, 0);
  int64_t y = 128;
  if (level.layers.size1 > 0) {
    const BasicArray<Timage>& tiles = g_.tiles;
    const int64_t tile_height = tiles.size1 > 0 ? tiles.data[tiles.size1 - 1].pixels.size2 : 0;
    y = int64_t(level.layers.data[0].tiles.size2) * tile_height - 64;
  }
  for (int i = 0; i < count; ++i) {
    level.starts.data[i].x = clamp_i32(160 * (int64_t(i) + 1));
    level.starts.data[i].y = clamp_i32(y);
  }
}

bool Parser::wave(Twave& wave) {
  const int32_t spawns = in_.i32();
  if (!count_ok(spawns, v_ > 9 ? 8 : 4, "a spawn-point count below 0")) return false;
  wave.spawns.dim_exact(spawns, 0, 0, 0);
  for (int s = 0; s < spawns; ++s) {
    TSpawnPt& p = wave.spawns.data[s];
    p.x = v_ > 9 ? in_.i32() : 240;
    p.y = in_.i32();
  }
  const int32_t points = in_.i16();
  if (!count_ok(points, kPathPointBytes, "a path-point count below 0")) return false;
  // Enemies walk from the path's first point to its last.
  if (points == 0) return fail("a wave without a path point");
  wave.path.dim_exact(points, 0, 0, 0);
  for (int k = 0; k < points; ++k) {
    wave.path.data[k].x = in_.i16();
    wave.path.data[k].y = in_.i16();
  }
  Tobject scratch;
  if (v_ >= 7) {
    const int32_t templates = in_.i32();
    if (!count_ok(templates, kTemplateBytes, "a template count below 0")) return false;
    wave.enemies.dim_exact(templates, 0, 0, 0);
    for (int j = 0; j < templates; ++j) {
      template_record(scratch);
      wave.enemies.data[j] = scratch;
    }
  } else {
    template_record(scratch);
    wave.enemies.dim_exact(0, 0, 0, 0);
    wave.enemies.push(scratch);
  }
  if (in_.failed()) return ends_early();
  if (v_ <= 29)
    for (int j = 0; j < wave.enemies.size1; ++j)
      wave.enemies.data[j].anim = spread_anim(wave.enemies.data[j].anim);
  return true;
}

// One record for every version: files before version 7 end it after
// `bonus` (and hold no flags byte, no kills group and, before version 3,
// no loops flag).
void Parser::template_record(Tobject& o) {
  o.anim = in_.i32();
  o.lives = in_.i16();
  o.speed = in_.i8();
  // The shot directions of the kind's firing animation, stored with the
  // template from version 7 to 17; they belong to the kind (numbered four
  // per kind in the file), so they go to that kind's firing animation.
  if (v_ >= 7 && v_ <= 17)
    old_flags_byte(int64_t(spread_anim(o.anim)) + kAnimFiring, in_.i8(), false);
  o.must_kill = in_.i16();
  if (v_ > 16) o.kills_group = in_.i16();
  if (v_ > 2) o.loops = in_.i8();
  o.score = in_.i32();
  o.fire_rate = in_.i8();
  o.shot_speed = in_.i32();
  o.shot_time = in_.i32();
  o.shootable = in_.i32();
  o.solid = in_.i32();
  o.hurts = in_.i32();
  o.bonus = in_.i32();
  if (v_ < 7) return;
  if (v_ > 11) o.stompable = in_.i32();
  o.push.x = in_.i16();
  o.push.y = in_.i16();
  if (v_ > 21) o.powerup = in_.i16();
  if (v_ > 27) o.respawns = in_.i8();
  if (v_ > 30) o.platform = in_.i8();
}

void Parser::old_flags_byte(int64_t slot, int flags, bool replace) {
  if (in_.failed() || slot < 0 || slot >= g_.anims.size1) return;
  int& target = g_.anims.data[slot].flags;
  target = replace ? flags : target | flags;
}

bool Parser::players() {
  print("players\n");
  if (v_ <= 1) return true;
  const int32_t n = in_.i8();
  if (!count_ok(n, kPlayerBytes, "a player count below 0")) return false;
  if (n == 0) return fail("a game without players");
  g_.players.dim_exact(n, 0, 0, 0);
  // One jump state and one power-up table per player, however many.
  g_.jumps.dim_exact(n, 0, 0, 0);
  g_.powerups.dim_exact(n, 0, 0, 0);
  for (int i = 0; i < n; ++i) {
    Tobject& p = g_.players.data[i];
    Tpowerups& pu = g_.powerups.data[i];
    p.lives = in_.i8();
    p.anim = kAnimsPerKind * i;
    // The player's own kind is 4 * i in the file's numbering: its firing
    // animation is 5 * i + 1 in memory.
    if (v_ <= 17) old_flags_byte(p.anim + kAnimFiring, in_.i8(), true);
    if (v_ > 20) {
      for (int k = 0; k < kPowerupLevels; ++k) pu.anims.data[k] = in_.i32();
      for (int k = 0; k < kPowerupLevels; ++k) pu.seconds.data[k] = in_.i32();
      if (v_ <= 29)
        for (int k = 0; k < kPowerupLevels; ++k) pu.anims.data[k] = spread_anim(pu.anims.data[k]);
    } else if (v_ > 18) {
      p.anim = spread_anim(in_.i32());
    }
    // Without stored power-ups every level is the player's own kind, so a
    // hit (which returns to level 0) keeps the player's animations.
    if (v_ <= 20)
      for (int k = 0; k < kPowerupLevels; ++k) pu.anims.data[k] = p.anim;
    p.speed = in_.i8();
    p.fire_rate = in_.i8();
    p.shot_speed = in_.i8();
    p.shot_time = in_.i32();
    p.shootable = in_.i8();
    if (v_ > 5) p.solid = in_.i8();
    if (v_ >= 11) p.jump_height = in_.i32();
  }
  return !in_.failed() || ends_early();
}

bool Parser::closing() {
  if (v_ > 4) {
    const int32_t n = in_.i32();
    in_.text(g_.game_text, n);
  }
  if (v_ > 8) g_.extra_life_step = in_.i32();
  if (v_ > 14) {
    g_.game_width = in_.i32();
    g_.game_height = in_.i32();
  }
  if (in_.failed()) return ends_early();
  if (v_ > 15) {
    const int32_t k = in_.i32();
    if (!count_ok(k, kSoundBytes, "a sound count below 0")) return false;
    g_.sounds.dim_exact(k, 0, 0, 0);
    for (int i = 0; i < k; ++i) {
      const int32_t m = in_.i16();
      in_.text(g_.sounds.data[i], m);  // a length of 0 or below: empty
    }
  }
  return !in_.failed() || ends_early();
}

}  // namespace

bool gamefile_parse(const uint8_t* data, size_t size, const BasicString& path, Tgame& out,
                    const GameFileProgress& progress, GameFileError& error) {
  Parser parser(data, size, out, progress);
  return parser.run(path, error);
}

BasicString gamefile_title_from_path(const BasicString& path, bool keep_extension) {
  BasicArray<BasicString> parts;
  if (qvl_str_split(path, parts, BasicString("/\\"), true) == 0) return path;
  const BasicString& last = parts.data[parts.size1 - 1];
  if (keep_extension) return last;
  // A negative length (a part shorter than five characters) means "to the end".
  return qvl_str_substring(last, 0, last.length - 5);
}

void gamefile_size_anims(BasicArray<Tanim>& anims, int n) {
  const int size = std::max(60, n / kAnimsPerKind * kAnimsPerKind + 15);
  if (size != anims.size1) anims.redim(size, 0, 0, 0);
}

int gamefile_anims_in_use(const BasicArray<Tanim>& anims) {
  int n = anims.size1;
  while (n > 0 && anims.data[n - 1].is_default()) --n;
  return n;
}
