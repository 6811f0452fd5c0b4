// The game file's encoder: a whole version-33 file built in memory, refusing
// any value its field cannot hold, so that what is written reads back the
// same.
#include <cmath>
#include <cstdint>
#include <vector>

#include "game/gamefile.h"
#include "game/gamefile_bytes.h"

namespace {

// Widths of the narrow fields: what the reader brings back unchanged.
struct Range {
  int32_t low, high;
};
constexpr Range kInt8 = {-128, 127};
constexpr Range kInt16 = {-32768, 32767};
// A pixel is a palette index in one byte: object images read it back
// unsigned, tiles signed, and a negative index counts from the palette's
// end, so either reading of the byte names the same entry of a 256-colour
// palette.
constexpr Range kPixel = {-128, 255};

class Encoder {
 public:
  Encoder(std::vector<uint8_t>& out, void (*busy)()) : w_(out), busy_(busy) {}

  bool run(const Tgame& g);
  const char* why() const { return why_; }

 private:
  void busy() {
    if (busy_) busy_();
  }
  // Writes v in the field's width when it fits; otherwise records the
  // reason (the first one counts) and writes nothing more that matters.
  void narrow(int32_t v, Range r, int bytes, const char* what) {
    if (v < r.low || v > r.high) {
      if (!why_) why_ = what;
      return;
    }
    bytes == 1 ? w_.i8(v) : w_.i16(v);
  }
  void i8(int32_t v, const char* what) { narrow(v, kInt8, 1, what); }
  void i16(int32_t v, const char* what) { narrow(v, kInt16, 2, what); }

  void images(const BasicArray<Timage>& images);
  void anims(const BasicArray<Tanim>& anims);
  void level(const Tlevel& level);
  void wave(const Twave& wave);
  void enemy_template(const Tobject& o);
  void players(const Tgame& g);

  GameFileWriter w_;
  void (*busy_)();
  const char* why_ = nullptr;
};

bool Encoder::run(const Tgame& g) {
  w_.i32(format_version);
  w_.i8(0);
  w_.bytes("ZEMO", 4);
  w_.i32(g.title.length);
  w_.text(g.title);

  w_.i32(g.palette.size1);
  for (int i = 0; i < g.palette.size1; ++i) w_.i32(g.palette.data[i]);

  images(g.images);
  images(g.tiles);
  anims(g.anims);

  w_.i32(g.levels.size1);
  for (int i = 0; i < g.levels.size1; ++i) {
    busy();
    level(g.levels.data[i]);
  }
  busy();
  players(g);

  w_.i32(g.game_text.length);
  w_.text(g.game_text);
  w_.i32(g.extra_life_step);
  w_.i32(g.game_width);
  w_.i32(g.game_height);
  w_.i32(g.sounds.size1);
  for (int i = 0; i < g.sounds.size1; ++i) {
    const BasicString& s = g.sounds.data[i];
    i16(s.length, "a sound string longer than 32767 bytes");
    w_.text(s);
  }
  return why_ == nullptr;
}

void Encoder::images(const BasicArray<Timage>& images) {
  w_.i32(images.size1);
  busy();
  for (int k = 0; k < images.size1; ++k) {
    const Timage& image = images.data[k];
    const BasicArray<int>& p = image.pixels;
    const int w = p.size1;
    const int h = p.size2;
    w_.i32(w);
    w_.i32(h);
    // Row by row in the file; the grid keeps x first, so this is its order.
    const int64_t count = int64_t(w) * h;
    for (int64_t i = 0; i < count; ++i) narrow(p.data[i], kPixel, 1, "a pixel above 255");
    w_.i32(image.user_value);
    i8(image.transparency, "a transparency outside -128..127");
  }
}

void Encoder::anims(const BasicArray<Tanim>& anims) {
  w_.i32(anims.size1);
  busy();
  for (int k = 0; k < anims.size1; ++k) {
    const Tanim& a = anims.data[k];
    w_.i32(a.frames.size1);
    for (int f = 0; f < a.frames.size1; ++f) w_.i32(a.frames.data[f]);
    w_.i32(a.mode);
    w_.i32(a.speed);
    w_.i32(a.sound);
    w_.i32(a.flags);
    w_.i32(a.mask);
    // Rounded, not truncated: a length read from a file (4007 ms as 4.007 s)
    // must come back as the same number of milliseconds.
    const double ms = std::round(a.seconds * 1000.0);
    if (!(ms >= INT32_MIN && ms <= INT32_MAX)) {
      if (!why_) why_ = "an animation length beyond the file's milliseconds";
      continue;
    }
    w_.i32(int32_t(ms));
  }
}

void Encoder::level(const Tlevel& level) {
  w_.i32(level.layers.size1);
  for (int i = 0; i < level.layers.size1; ++i) {
    const BasicArray<int>& tiles = level.layers.data[i].tiles;
    w_.i32(tiles.size1);
    w_.i32(tiles.size2);
    const int64_t count = int64_t(tiles.size1) * tiles.size2;
    for (int64_t c = 0; c < count; ++c)
      i16(tiles.data[c], "a tile index outside -32768..32767");
  }
  w_.i32(level.wall_mode);
  w_.i32(level.scroll_type);
  w_.i32(level.scroll_speed);
  w_.i32(level.time_limit);
  i8(level.jump_and_run, "a jump-and-run flag outside -128..127");
  w_.i32(level.starts.size1);
  for (int i = 0; i < level.starts.size1; ++i) {
    w_.i32(level.starts.data[i].x);
    w_.i32(level.starts.data[i].y);
  }
  w_.i32(level.waves.size1);
  for (int i = 0; i < level.waves.size1; ++i) wave(level.waves.data[i]);
}

void Encoder::wave(const Twave& wave) {
  w_.i32(wave.spawns.size1);
  for (int i = 0; i < wave.spawns.size1; ++i) {
    w_.i32(wave.spawns.data[i].x);
    w_.i32(wave.spawns.data[i].y);
  }
  i16(wave.path.size1, "a path of more than 32767 points");
  for (int i = 0; i < wave.path.size1; ++i) {
    i16(wave.path.data[i].x, "a path point outside -32768..32767");
    i16(wave.path.data[i].y, "a path point outside -32768..32767");
  }
  w_.i32(wave.enemies.size1);
  for (int i = 0; i < wave.enemies.size1; ++i) enemy_template(wave.enemies.data[i]);
}

void Encoder::enemy_template(const Tobject& o) {
  const char* kValue = "an enemy value too large for its field";
  w_.i32(o.anim);
  i16(o.lives, kValue);
  i8(o.speed, kValue);
  i16(o.must_kill, kValue);
  i16(o.kills_group, kValue);
  i8(o.loops, kValue);
  w_.i32(o.score);
  i8(o.fire_rate, kValue);
  w_.i32(o.shot_speed);
  w_.i32(o.shot_time);
  w_.i32(o.shootable);
  w_.i32(o.solid);
  w_.i32(o.hurts);
  w_.i32(o.bonus);
  w_.i32(o.stompable);
  i16(o.push.x, kValue);
  i16(o.push.y, kValue);
  i16(o.powerup, kValue);
  i8(o.respawns, kValue);
  i8(o.platform, kValue);
}

void Encoder::players(const Tgame& g) {
  const char* kValue = "a player value too large for its field";
  i8(g.players.size1, "more than 127 players");
  const Tpowerups none;  // a player without a table has the zero table
  for (int i = 0; i < g.players.size1; ++i) {
    const Tobject& p = g.players.data[i];
    const Tpowerups& pu = i < g.powerups.size1 ? g.powerups.data[i] : none;
    i8(p.lives, kValue);
    for (const BasicArray<int>* values : {&pu.anims, &pu.seconds})
      for (int k = 0; k < kPowerupLevels; ++k) w_.i32(k < values->size1 ? values->data[k] : 0);
    i8(p.speed, kValue);
    i8(p.fire_rate, kValue);
    i8(p.shot_speed, kValue);
    w_.i32(p.shot_time);
    i8(p.shootable, kValue);
    i8(p.solid, kValue);
    w_.i32(p.jump_height);
  }
}

}  // namespace

bool gamefile_encode(const Tgame& game, std::vector<uint8_t>& out, BasicString& reason,
                     void (*busy)()) {
  out.clear();
  Encoder encoder(out, busy);
  if (encoder.run(game)) return true;
  out.clear();
  reason.assign_cstr(encoder.why());
  return false;
}
