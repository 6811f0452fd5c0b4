// Helpers of the game tests: little-endian byte building, a field-by-field
// comparison of two games, and reading a game file from bytes.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "game/gamefile.h"
#include "game/model.h"

namespace game_test {

// Appends little-endian fields to a byte string.
struct Bytes {
  std::string s;
  Bytes& i32(int32_t v) { return le(uint32_t(v), 4); }
  Bytes& i16(int32_t v) { return le(uint32_t(v), 2); }
  Bytes& i8(int32_t v) { return le(uint32_t(v), 1); }
  Bytes& raw(const std::string& bytes) {
    s += bytes;
    return *this;
  }
  Bytes& text32(const std::string& t) { return i32(int32_t(t.size())).raw(t); }
  Bytes& text16(const std::string& t) { return i16(int32_t(t.size())).raw(t); }

 private:
  Bytes& le(uint32_t v, int n) {
    for (int k = 0; k < n; ++k) s.push_back(char(v >> (8 * k)));
    return *this;
  }
};

// Parses a whole game file from bytes, silently; the reason when it fails.
inline bool parse(const std::string& bytes, Tgame& out, std::string* reason = nullptr) {
  GameFileError error;
  const bool ok = gamefile_parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                 BasicString("dir/my_game.zemo"), out, GameFileProgress(), error);
  if (reason) *reason = error.reason ? error.reason : "";
  return ok;
}

// The version-33 file of a game, which must be encodable.
inline std::string encode(const Tgame& game) {
  std::vector<uint8_t> bytes;
  BasicString reason;
  if (!gamefile_encode(game, bytes, reason)) return "refused: " + std::string(reason.c_str());
  return std::string(bytes.begin(), bytes.end());
}

// ---- Field-by-field comparison: "" when equal, else the first difference.

class Diff {
 public:
  std::string first() const { return out_; }

  template <class T>
  void value(const std::string& at, const T& a, const T& b) {
    if (found() || a == b) return;
    std::ostringstream o;
    o << at << ": " << a << " != " << b;
    out_ = o.str();
  }
  void text(const std::string& at, const BasicString& a, const BasicString& b) {
    value(at, std::string(a.text, size_t(a.length)), std::string(b.text, size_t(b.length)));
  }
  template <class T, class Each>
  void array(const std::string& at, const BasicArray<T>& a, const BasicArray<T>& b, Each each) {
    value(at + ".size1", a.size1, b.size1);
    value(at + ".size2", a.size2, b.size2);
    value(at + ".count", a.count, b.count);
    for (int i = 0; !found() && i < a.count; ++i) each(at + "[" + std::to_string(i) + "]", a.data[i], b.data[i]);
  }
  void ints(const std::string& at, const BasicArray<int>& a, const BasicArray<int>& b) {
    array(at, a, b, [this](const std::string& p, int x, int y) { value(p, x, y); });
  }
  void point(const std::string& at, const Tpoint& a, const Tpoint& b) {
    value(at + ".x", a.x, b.x);
    value(at + ".y", a.y, b.y);
  }
  void object(const std::string& at, const Tobject& a, const Tobject& b);
  void game(const Tgame& a, const Tgame& b);

 private:
  bool found() const { return !out_.empty(); }
  std::string out_;
};

inline void Diff::object(const std::string& at, const Tobject& a, const Tobject& b) {
#define QVL_FIELD(f) value(at + "." #f, a.f, b.f)
  QVL_FIELD(anim); QVL_FIELD(lives); QVL_FIELD(speed); QVL_FIELD(score);
  QVL_FIELD(next_life); QVL_FIELD(fire_rate); QVL_FIELD(shot_speed); QVL_FIELD(shot_time);
  QVL_FIELD(must_kill); QVL_FIELD(kills_group); QVL_FIELD(loops); QVL_FIELD(jump_height);
  QVL_FIELD(respawns); QVL_FIELD(platform); QVL_FIELD(solid); QVL_FIELD(hurts);
  QVL_FIELD(shootable); QVL_FIELD(bonus); QVL_FIELD(stompable); QVL_FIELD(powerup);
  QVL_FIELD(hit_sprite); QVL_FIELD(wall_sprite); QVL_FIELD(direction); QVL_FIELD(next_fire);
  QVL_FIELD(hurt_time); QVL_FIELD(anim_start); QVL_FIELD(anim_set);
#undef QVL_FIELD
  point(at + ".push", a.push, b.push);
  point(at + ".pos", a.pos, b.pos);
}

inline void Diff::game(const Tgame& a, const Tgame& b) {
  value("modified", a.modified, b.modified);
  value("exit_on_escape", a.exit_on_escape, b.exit_on_escape);
  text("title", a.title, b.title);
  auto image = [this](const std::string& p, const Timage& x, const Timage& y) {
    ints(p + ".pixels", x.pixels, y.pixels);
    value(p + ".sprite", x.sprite, y.sprite);
    value(p + ".user_value", x.user_value, y.user_value);
    value(p + ".transparency", x.transparency, y.transparency);
    value(p + ".alpha", x.alpha, y.alpha);
  };
  array("tiles", a.tiles, b.tiles, image);
  array("images", a.images, b.images, image);
  array("anims", a.anims, b.anims, [this](const std::string& p, const Tanim& x, const Tanim& y) {
    ints(p + ".frames", x.frames, y.frames);
    value(p + ".mode", x.mode, y.mode);
    value(p + ".speed", x.speed, y.speed);
    value(p + ".sound", x.sound, y.sound);
    value(p + ".seconds", x.seconds, y.seconds);
    value(p + ".flags", x.flags, y.flags);
    value(p + ".mask", x.mask, y.mask);
  });
  array("levels", a.levels, b.levels, [this](const std::string& p, const Tlevel& x, const Tlevel& y) {
    array(p + ".starts", x.starts, y.starts,
          [this](const std::string& q, const Tpoint& s, const Tpoint& t) { point(q, s, t); });
    array(p + ".layers", x.layers, y.layers,
          [this](const std::string& q, const Tplayfield& s, const Tplayfield& t) {
            ints(q + ".tiles", s.tiles, t.tiles);
          });
    value(p + ".wall_mode", x.wall_mode, y.wall_mode);
    value(p + ".scroll_type", x.scroll_type, y.scroll_type);
    value(p + ".jump_and_run", x.jump_and_run, y.jump_and_run);
    value(p + ".scroll_speed", x.scroll_speed, y.scroll_speed);
    value(p + ".time_limit", x.time_limit, y.time_limit);
    array(p + ".waves", x.waves, y.waves, [this](const std::string& q, const Twave& s, const Twave& t) {
      array(q + ".spawns", s.spawns, t.spawns,
            [this](const std::string& r, const TSpawnPt& u, const TSpawnPt& v) {
              value(r + ".x", u.x, v.x);
              value(r + ".y", u.y, v.y);
              value(r + ".triggered", u.triggered, v.triggered);
            });
      array(q + ".path", s.path, t.path,
            [this](const std::string& r, const Tpoint& u, const Tpoint& v) { point(r, u, v); });
      array(q + ".enemies", s.enemies, t.enemies,
            [this](const std::string& r, const Tobject& u, const Tobject& v) { object(r, u, v); });
      value(q + ".path_length", s.path_length, t.path_length);
    });
  });
  array("players", a.players, b.players,
        [this](const std::string& p, const Tobject& x, const Tobject& y) { object(p, x, y); });
  array("jumps", a.jumps, b.jumps, [this](const std::string& p, const Tjumpnrun& x, const Tjumpnrun& y) {
    value(p + ".accel", x.accel, y.accel);
    value(p + ".rise_frames", x.rise_frames, y.rise_frames);
    value(p + ".fall_step", x.fall_step, y.fall_step);
  });
  array("powerups", a.powerups, b.powerups,
        [this](const std::string& p, const Tpowerups& x, const Tpowerups& y) {
          ints(p + ".anims", x.anims, y.anims);
          ints(p + ".seconds", x.seconds, y.seconds);
          value(p + ".until", x.until, y.until);
        });
  array("sounds", a.sounds, b.sounds,
        [this](const std::string& p, const BasicString& x, const BasicString& y) { text(p, x, y); });
  text("game_text", a.game_text, b.game_text);
  value("extra_life_step", a.extra_life_step, b.extra_life_step);
  ints("palette", a.palette, b.palette);
  value("game_width", a.game_width, b.game_width);
  value("game_height", a.game_height, b.game_height);
}

inline std::string game_diff(const Tgame& a, const Tgame& b) {
  Diff d;
  d.game(a, b);
  return d.first();
}

}  // namespace game_test
