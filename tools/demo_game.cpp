// "Star Patrol", the demo game: two ships fly up a scrolling star field,
// shoot saucers and mines, dodge rock walls and pick up a power-up and an
// extra life; the second level ends with a saucer that must be destroyed.
#include "tools/demo_game.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include "game/gamefile.h"
#include "game/palette_sprites.h"
#include "gfx2d/image_files.h"
#include "gfx2d/pixel_image.h"

namespace {

// ---- Palette (0xBBGGRR) --------------------------------------------------

enum Colour {
  kKey, kBlack, kWhite, kRed, kGreen, kBlue, kYellow, kCyan, kMagenta, kOrange,
  kDarkGrey, kLightGrey, kNavy, kDarkGreen, kBrown, kSky, kDeepBlue, kSand,
  kRockDark, kRockLight, kPink, kPaleYellow, kBrightBlue, kDarkRed
};

const int kPalette[] = {
    0x8000FF, 0x000000, 0xFFFFFF, 0x2020E0, 0x30C030, 0xE06020, 0x20E0F0, 0xF0E020,
    0xC040C0, 0x2090F0, 0x505050, 0xA0A0A0, 0x301008, 0x205020, 0x204060, 0xF0C080,
    0x402018, 0x6080A0, 0x303838, 0x606870, 0x8080FF, 0x80FFFF, 0xFF8040, 0x0000A0};

// ---- Object images ---------------------------------------------------------
// 16 x 16 pixel art, one character per pixel: '.' transparent, '0'-'9' and
// 'a'-'n' palette entries 0 to 23; 'X' is the body colour of a variant.

constexpr int kSize = 16;
using Art = const char* [kSize];

const Art kShip = {
    ".......22.......", "......2bb2......", "......2bb2......", ".....2bXXb2.....",
    ".....2X77X2.....", "....2XX77XX2....", "...2XXX77XXX2...", "..2XXXXXXXXXX2..",
    ".2XXXXXXXXXXXX2.", "2XXbbXXXXXXbbXX2", "2XXXXXXXXXXXXXX2", "2XXX22222222XXX2",
    ".22..2....2..22.", "......9..9......", ".....9....9.....", "................"};
const Art kShipFlame = {
    ".......22.......", "......2bb2......", "......2bb2......", ".....2bXXb2.....",
    ".....2X77X2.....", "....2XX77XX2....", "...2XXX77XXX2...", "..2XXXXXXXXXX2..",
    ".2XXXXXXXXXXXX2.", "2XXbbXXXXXXbbXX2", "2XXXXXXXXXXXXXX2", "2XXX22222222XXX2",
    ".22..2....2..22.", "......6..6......", "......96.69.....", ".......9..9....."};
const Art kShipFiring = {
    ".......66.......", "......2662......", "......2bb2......", ".....2bXXb2.....",
    ".....2X77X2.....", "....2XX77XX2....", "...2XXX77XXX2...", "..2XXXXXXXXXX2..",
    ".2XXXXXXXXXXXX2.", "2XXbbXXXXXXbbXX2", "2XXXXXXXXXXXXXX2", "2XXX22222222XXX2",
    ".22..2....2..22.", "......9..9......", ".....9....9.....", "................"};
const Art kBolt = {
    "................", "................", "................", ".......XX.......",
    "......X22X......", "......X22X......", "......X22X......", "......X22X......",
    ".......XX.......", ".......99.......", "........9.......", "................",
    "................", "................", "................", "................"};
const Art kSaucer = {
    "................", "................", "................", "......bbbb......",
    ".....b7777b.....", "....b777777b....", "..bbbbbbbbbbbb..", ".bXaaXaaXaaXaaXb",
    "bbbbbbbbbbbbbbbb", ".baaaaaaaaaaaab.", "..bbbbbbbbbbbb..", "....3......3....",
    "................", "................", "................", "................"};
const Art kBlastSmall = {
    "................", "................", "................", "................",
    "................", "......9..9......", ".......66.......", "......6226......",
    "......6226......", ".......66.......", "......9..9......", "................",
    "................", "................", "................", "................"};
const Art kBlastLarge = {
    "................", "....9......9....", ".....9.66.9.....", "......6666......",
    "...966222266....", "....6622226.9...", "..9.62222226....", "...66222222669..",
    "...66222222669..", "..9.62222226....", "....6622226.9...", "...966222266....",
    "......6666......", ".....9.66.9.....", "....9......9....", "................"};
const Art kBlastSmoke = {
    "................", "................", "......aa........", "....aaaaa..a....",
    "...aabbbaa......", "..aabbbbbaa.....", "..abbbbbbba..a..", ".aabbbbbbbaa....",
    "..abbbbbbbba....", "..aabbbbbbaa....", "...aabbbbaa..a..", "....aaaaaa......",
    "..a...aa........", "................", "................", "................"};
const Art kPellet = {
    "................", "................", "................", "................",
    "................", "................", "......3333......", ".....3k22k3.....",
    ".....3k22k3.....", "......3333......", "................", "................",
    "................", "................", "................", "................"};
const Art kMine = {
    "................", ".......a........", "...a...a...a....", "....a.bbb.a.....",
    ".....bbbbbb.....", "....bbaaaabb....", "..aabaaXXaabaa..", "....baaXXaab....",
    "....bbaaaabb....", ".....bbbbbb.....", "....a.bbb.a.....", "...a...a...a....",
    ".......a........", "................", "................", "................"};
const Art kStar = {
    "................", ".......X........", ".......X........", "......XXX.......",
    "......X6X.......", "XXXXXXX6XXXXXXX.", ".XX66666666XX...", "...X666666X.....",
    "....X6666X......", "...X66XX66X.....", "...X6X..X6X.....", "..XXX....XXX....",
    "..X........X....", "................", "................", "................"};
const Art kHeart = {
    "................", "................", "..XXX.....XXX...", ".X333X...X333X..",
    "X33k33X.X33333X.", "X3k3333X3333333X", "X33333333333333X", "X33333333333333X",
    ".X333333333333X.", "..X3333333333X..", "...X33333333X...", "....X333333X....",
    ".....X3333X.....", "......X33X......", ".......XX.......", "................"};

// Image indexes of the object images, in array order.
enum Image {
  kShip1, kShip1Flame, kShip1Firing, kShip2, kShip2Flame, kShip2Firing,
  kPowerShip, kPowerShipFlame, kPowerShipFiring, kPlayerBolt, kPowerBolt,
  kSaucerA, kSaucerB, kBlast1, kBlast2, kBlast3, kEnemyPellet, kMineA, kMineB,
  kStarA, kStarB, kHeartA, kHeartB, kImageCount
};

int art_index(char c, int body) {
  if (c == '.') return 0;
  if (c == 'X') return body;
  if (c >= '0' && c <= '9') return c - '0';
  return 10 + (c - 'a');
}

Timage from_art(const Art& art, int body) {
  Timage image;
  image.pixels.dim(kSize, kSize, 0, 0);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const char c = art[y][x];
      if (c == 0) {
        std::fprintf(stderr, "demo art row %d is short\n", y);
        std::abort();
      }
      image.pixels.at2(x, y) = art_index(c, body);
    }
  }
  return image;
}

void add_images(Tgame& g) {
  struct Source {
    const Art* art;
    int body;
  };
  const Source sources[kImageCount] = {
      {&kShip, kBlue},         {&kShipFlame, kBlue},      {&kShipFiring, kBlue},
      {&kShip, kRed},          {&kShipFlame, kRed},       {&kShipFiring, kRed},
      {&kShip, kMagenta},      {&kShipFlame, kMagenta},   {&kShipFiring, kMagenta},
      {&kBolt, kCyan},         {&kBolt, kMagenta},        {&kSaucer, kGreen},
      {&kSaucer, kYellow},     {&kBlastSmall, 0},         {&kBlastLarge, 0},
      {&kBlastSmoke, 0},       {&kPellet, 0},             {&kMine, kRed},
      {&kMine, kOrange},       {&kStar, kOrange},         {&kStar, kWhite},
      {&kHeart, kWhite},       {&kHeart, kPink}};
  g.images.dim(kImageCount, 0, 0, 0);
  for (int i = 0; i < kImageCount; ++i) g.images.at(i) = from_art(*sources[i].art, sources[i].body);
}

// ---- Tiles -------------------------------------------------------------------

enum Tile { kSpace, kSpaceStar, kSpaceStars, kNebula, kRock, kRockCracked, kMetal, kTileCount };

// A small generator of its own, so the game is the same on every build.
struct Lcg {
  uint32_t state;
  int next(int n) {
    state = state * 1103515245u + 12345u;
    return int((state >> 16) % uint32_t(n));
  }
};

Timage make_tile(Tile kind) {
  Timage image;
  image.pixels.dim(kSize, kSize, 0, 0);
  Lcg rnd{uint32_t(kind) * 7919u + 17u};
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      int c = kNavy;
      switch (kind) {
        case kSpace: break;
        case kSpaceStar: c = (x == 5 && y == 9) ? kWhite : kNavy; break;
        case kSpaceStars:
          c = (x == 3 && y == 3) || (x == 12 && y == 10) ? kWhite : (x == 8 && y == 14) ? kLightGrey : kNavy;
          break;
        case kNebula: c = rnd.next(3) == 0 ? kDeepBlue : kNavy; break;
        case kRock: c = rnd.next(5) == 0 ? kRockLight : kRockDark; break;
        case kRockCracked: c = (x == y || x + 1 == y) ? kBlack : rnd.next(4) == 0 ? kRockLight : kRockDark; break;
        case kMetal:
          c = (x == 0 || y == 0) ? kLightGrey : (x == 15 || y == 15) ? kBlack : (x == 3 && y == 3) ? kWhite : kDarkGrey;
          break;
        default: break;
      }
      image.pixels.at2(x, y) = c;
    }
  }
  return image;
}

void add_tiles(Tgame& g) {
  g.tiles.dim(kTileCount, 0, 0, 0);
  for (int i = 0; i < kTileCount; ++i) g.tiles.at(i) = make_tile(Tile(i));
}

// ---- Animations --------------------------------------------------------------

// Collision groups (Tanim::mask): bit 0 makes walls count for a player and
// lets a shot pass walls; the others pair bodies, shots and targets.
constexpr int kWallBit = 1;
constexpr int kHitsEnemy = 2;   // a player's shot ... an enemy's hurt animation
constexpr int kBody = 4;        // an enemy's body ... a player
constexpr int kHitsPlayer = 8;  // an enemy's shot ... a player's hurt animation

// Sound slots (slot 0 stays empty: 0 means "no sound").
enum Sound { kNoSound, kLaser, kEnemyShot, kExplosion, kPowerUp, kPickup, kExtraLife };

Tanim anim(std::initializer_list<int> frames, int mode, int speed, int sound, int flags,
           int mask) {
  Tanim a;
  a.frames.dim(int(frames.size()), 0, 0, 0);
  int k = 0;
  for (int f : frames) a.frames.at(k++) = f;
  a.mode = mode;
  a.speed = speed;
  a.sound = sound;
  a.flags = flags;
  a.mask = mask;
  a.seconds = 1.0;
  return a;
}

// Kinds, five animations each: moving, firing, hurt or dying, shot, wall shape.
enum Kind { kPlayer1Kind, kPlayer2Kind, kSaucerKind, kMineKind, kStarKind, kPowerKind, kHeartKind };

void add_player_kind(std::vector<Tanim>& out, int ship, int flame, int firing, int bolt) {
  out.push_back(anim({ship, flame}, 2, 3, kNoSound, 0, kWallBit | kBody));
  out.push_back(anim({firing}, 1, 3, kLaser, kShotFixed, kWallBit | kBody));
  out.push_back(anim({kBlast2, ship, kBlast1, ship}, 4, 7, kExplosion, 0, kBody | kHitsPlayer));
  out.push_back(anim({bolt}, 1, 0, kNoSound, 0, kHitsEnemy));
  out.push_back(anim({ship}, 1, 0, kNoSound, 0, 0));
}

void add_enemy_kind(std::vector<Tanim>& out, int a, int b, int speed, int fire_sound,
                    int flags, int hurt_sound, int hurt_mask, std::initializer_list<int> dying) {
  out.push_back(anim({a, b}, 2, speed, kNoSound, 0, kBody));
  out.push_back(anim({a}, 1, 0, fire_sound, flags, kBody));
  out.push_back(anim(dying, int(dying.size()), 5, hurt_sound, 0, hurt_mask));
  out.push_back(anim({kEnemyPellet}, 1, 0, kNoSound, 0, kHitsPlayer | kWallBit));
  out.push_back(anim({a}, 1, 0, kNoSound, 0, 0));
}

void add_anims(Tgame& g) {
  std::vector<Tanim> a;
  add_player_kind(a, kShip1, kShip1Flame, kShip1Firing, kPlayerBolt);
  add_player_kind(a, kShip2, kShip2Flame, kShip2Firing, kPlayerBolt);
  add_enemy_kind(a, kSaucerA, kSaucerB, 3, kEnemyShot, kShotDown | kShotLeft | kShotRight | kShotDiagonals,
                 kExplosion, kHitsEnemy, {kBlast1, kBlast2, kBlast3});
  add_enemy_kind(a, kMineA, kMineB, 1, kNoSound, 0, kExplosion, kHitsEnemy,
                 {kBlast1, kBlast2, kBlast3});
  add_enemy_kind(a, kStarA, kStarB, 3, kNoSound, 0, kPowerUp, 0, {kStarB});
  add_player_kind(a, kPowerShip, kPowerShipFlame, kPowerShipFiring, kPowerBolt);
  add_enemy_kind(a, kHeartA, kHeartB, 2, kNoSound, 0, kExtraLife, 0, {kHeartB});
  g.anims.dim(int(a.size()), 0, 0, 0);
  for (size_t i = 0; i < a.size(); ++i) g.anims.at(int(i)) = a[i];
  // The size a load gives the array.
  gamefile_size_anims(g.anims, gamefile_anims_in_use(g.anims));
}

// ---- Enemy templates ---------------------------------------------------------

Tobject saucer() {
  Tobject o;
  o.anim = kSaucerKind * kAnimsPerKind;
  o.lives = 1;
  o.speed = 3;
  o.score = 100;
  o.fire_rate = 3;
  o.shot_speed = 3;
  o.shot_time = 3000;
  o.bonus = 0;
  o.stompable = 0;
  return o;
}

Tobject boss() {
  Tobject o = saucer();
  o.lives = 12;
  o.speed = 1;
  o.score = 2500;
  o.fire_rate = 7;
  o.must_kill = 1;
  return o;
}

Tobject mine() {
  Tobject o;
  o.anim = kMineKind * kAnimsPerKind;
  o.lives = 3;
  o.speed = 1;
  o.score = 250;
  o.fire_rate = 0;
  o.bonus = 0;
  o.stompable = 0;
  return o;
}

// Touching collects it: no damage, no shots stop at it.
Tobject pickup(Kind kind, int lives, int score, int powerup) {
  Tobject o;
  o.anim = kind * kAnimsPerKind;
  o.lives = lives;  // a bonus that does not hurt gives its lives to the player
  o.speed = 1;
  o.score = score;
  o.fire_rate = 0;
  o.solid = 0;
  o.hurts = 0;
  o.shootable = 0;
  o.stompable = 0;
  o.powerup = powerup;
  return o;
}

// ---- Levels ------------------------------------------------------------------

constexpr int kColumns = 20;  // 320 pixels, the width of the play picture

struct WallBlock {
  int row, rows, column, columns;
  Tile tile;
};

Tlevel make_level(int rows, int scroll_speed, std::initializer_list<WallBlock> walls,
                  uint32_t seed) {
  Tlevel level;
  level.scroll_type = 1;
  level.scroll_speed = scroll_speed;
  level.wall_mode = 1;
  BasicArray<int>& back = level.layers.at(0).tiles;
  BasicArray<int>& front = level.layers.at(1).tiles;
  back.dim(kColumns, rows, 0, 0);
  front.dim(kColumns, rows, 0, 0);
  Lcg rnd{seed};
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < kColumns; ++x) {
      const int r = rnd.next(20);
      back.at2(x, y) = r == 0 ? kSpaceStars : r < 3 ? kSpaceStar : r < 5 ? kNebula : kSpace;
      front.at2(x, y) = -1;
    }
  }
  for (const WallBlock& w : walls)
    for (int y = w.row; y < w.row + w.rows; ++y)
      for (int x = w.column; x < w.column + w.columns; ++x)
        front.at2(x, y) = w.tile == kRock && rnd.next(4) == 0 ? kRockCracked : w.tile;
  const int bottom = rows * kSize;
  level.starts.at(0) = Tpoint{112, bottom - 64};
  level.starts.at(1) = Tpoint{192, bottom - 64};
  return level;
}

Twave& add_wave(Tlevel& level, std::initializer_list<Tpoint> spawns,
                std::initializer_list<Tpoint> path, std::initializer_list<Tobject> enemies) {
  Twave& wave = level.waves.push(Twave());
  for (Tpoint p : spawns) wave.spawns.push(TSpawnPt{p.x, p.y, 0});
  for (Tpoint p : path) wave.path.push(p);
  wave.enemies.dim(0, 0, 0, 0);
  for (const Tobject& o : enemies) wave.enemies.push(o);
  return wave;
}

// Three saucers in a row, weaving down from just above the picture's top
// edge at the moment the first spawn point comes into view.
void saucer_run(Tlevel& level, int y, bool from_left) {
  const int a = from_left ? 40 : 264, b = from_left ? 264 : 40;
  add_wave(level, {{160, y}, {160, y - 24}, {160, y - 48}},
           {{a, y - 40}, {b, y + 60}, {a, y + 160}, {b, y + 260}, {152, y + 420}}, {saucer()});
}

void mine_drop(Tlevel& level, int x, int y) {
  add_wave(level, {{x, y}}, {{x, y - 30}, {x, y + 420}}, {mine()});
}

void add_levels(Tgame& g) {
  g.levels.dim(2, 0, 0, 0);
  // Level 1: 100 rows, rock walls narrowing the field twice and a metal
  // island in the middle.
  Tlevel& one = g.levels.at(0) = make_level(
      100, 3,
      {{30, 14, 0, 3, kRock}, {30, 14, 17, 3, kRock}, {58, 4, 8, 4, kMetal},
       {74, 10, 0, 5, kRock}, {74, 10, 15, 5, kRock}},
      11u);
  saucer_run(one, 1080, true);
  mine_drop(one, 80, 950);
  mine_drop(one, 232, 900);
  saucer_run(one, 800, false);
  add_wave(one, {{160, 700}}, {{152, 670}, {152, 1000}}, {pickup(kStarKind, 0, 500, 1)});
  saucer_run(one, 560, true);
  mine_drop(one, 152, 420);
  saucer_run(one, 300, false);
  add_wave(one, {{100, 180}}, {{100, 150}, {100, 500}}, {pickup(kHeartKind, 1, 100, -1)});
  saucer_run(one, 120, true);

  // Level 2: 120 rows, faster, ending with a saucer that must be destroyed.
  Tlevel& two = g.levels.at(1) = make_level(
      120, 4,
      {{20, 8, 0, 4, kRock}, {40, 6, 6, 8, kMetal}, {60, 12, 0, 3, kRock},
       {60, 12, 17, 3, kRock}, {86, 6, 12, 8, kRock}},
      23u);
  saucer_run(two, 1400, false);
  mine_drop(two, 60, 1280);
  mine_drop(two, 160, 1240);
  mine_drop(two, 260, 1200);
  saucer_run(two, 1060, true);
  add_wave(two, {{160, 960}}, {{152, 930}, {152, 1300}}, {pickup(kStarKind, 0, 500, 1)});
  saucer_run(two, 820, false);
  saucer_run(two, 640, true);
  mine_drop(two, 100, 520);
  mine_drop(two, 220, 480);
  saucer_run(two, 380, false);
  add_wave(two, {{160, 60}}, {{152, 0}, {40, 100}, {264, 100}, {152, 140}}, {boss()});
}

// ---- Players, text, sounds ---------------------------------------------------

void add_players(Tgame& g) {
  g.players.dim(2, 0, 0, 0);
  g.jumps.dim(2, 0, 0, 0);
  g.powerups.dim(2, 0, 0, 0);
  for (int i = 0; i < 2; ++i) {
    Tobject& p = g.players.at(i);
    p.anim = kAnimsPerKind * i;
    p.lives = 3;
    p.speed = 2;
    p.fire_rate = 6;
    p.shot_speed = 6;
    p.shot_time = 1200;
    Tpowerups& pu = g.powerups.at(i);
    const int own = p.anim, power = kPowerKind * kAnimsPerKind;
    const int anims[kPowerupLevels] = {own, power, own, own};
    for (int k = 0; k < kPowerupLevels; ++k) pu.anims.at(k) = anims[k];
    pu.seconds.at(1) = 15;
  }
}

void add_sounds(Tgame& g) {
  // wave, attack, sustain, punch, decay, frequency, limit, slide, delta slide,
  // vibrato depth and speed, arpeggio amount and speed, duty, duty sweep,
  // repeat, phaser offset and sweep, low-pass cutoff, sweep and resonance,
  // high-pass cutoff and sweep.
  const char* strings[] = {
      "",
      "1,0,0.12,0.1,0.18,0.8,0.2,-0.35,0,0,0,0,0,0.2,0,0,0,0,1,0,0,0.1,0",
      "0,0,0.1,0,0.15,0.55,0.2,-0.25,0,0,0,0,0,0.5,0,0,0,0,1,0,0,0,0",
      "3,0,0.25,0.5,0.4,0.15,0,-0.05,0,0,0,0,0,0,0,0,0.1,-0.1,1,0,0,0,0",
      "1,0,0.3,0,0.4,0.35,0,0.2,0,0,0,0,0,0,0,0.5,0,0,1,0,0,0,0",
      "0,0,0.05,0.4,0.3,0.55,0,0,0,0,0,0.4,0.6,0.5,0,0,0,0,1,0,0,0,0",
      "0,0,0.2,0.3,0.35,0.4,0,0.15,0,0.3,0.5,0.3,0.5,0.4,0,0,0,0,1,0,0,0,0",
  };
  const int n = int(sizeof(strings) / sizeof(strings[0]));
  g.sounds.dim(n, 0, 0, 0);
  for (int i = 0; i < n; ++i) g.sounds.at(i).assign_cstr(strings[i]);
}

// Sprite ids and alpha as the end of a load sets them.
void as_loaded(BasicArray<Timage>& images, int first_id) {
  for (int i = 0; i < images.size1; ++i) {
    images.at(i).sprite = first_id + i;
    images.at(i).update_alpha();
  }
}

}  // namespace

void demo_game_build(Tgame& g) {
  g = Tgame();
  g.file_name.assign_cstr("Star Patrol.zemo");
  g.title.assign_cstr("Star Patrol");
  g.palette.fill(int(sizeof(kPalette) / sizeof(kPalette[0])), kPalette);
  add_images(g);
  add_tiles(g);
  as_loaded(g.images, kFirstImageSprite);
  as_loaded(g.tiles, kFirstTileSprite);
  add_anims(g);
  add_levels(g);
  add_players(g);
  g.game_text.assign_cstr(
      "STAR PATROL\n"
      "\n"
      "Player 1: cursor keys, fire with right Ctrl\n"
      "Player 2: W A S D, fire with left Ctrl\n"
      "\n"
      "Shoot the saucers, catch the star\n"
      "\n"
      "Press fire to start");
  g.extra_life_step = 10000;
  g.game_width = 320;
  g.game_height = 480;
  add_sounds(g);
}

// ---- Media files -----------------------------------------------------------

namespace {

void put_rgb(PixelImage& image, int x, int y, uint32_t rgb) {
  uint8_t* p = image.pixel(x, y);
  p[0] = uint8_t(rgb >> 16);
  p[1] = uint8_t(rgb >> 8);
  p[2] = uint8_t(rgb);
  p[3] = 255;
}

// The in-game font: the built-in 8 x 8 glyphs, white on black (the player
// loads it with black as the transparent colour), and glyph 1, the lives
// icon of the head-up display, a small ship.
bool write_font(const std::string& name) {
  PixelImage font;
  if (!font.build_system_font()) return false;
  for (int y = 0; y < font.height; ++y)
    for (int x = 0; x < font.width; ++x)
      if (font.pixel(x, y)[3] == 0) put_rgb(font, x, y, 0x000000);
  const char* icon[8] = {"...##...", "..####..", "..####..", ".######.",
                         "########", "##.##.##", "#......#", "........"};
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) put_rgb(font, 8 + x, y, icon[y][x] == '#' ? 0xFFFFFF : 0x000000);
  return qvl_png_save(name.c_str(), font.pixels, font.width, font.height);
}

// A gamepad picture (nothing in the player draws it yet).
bool write_joypad(const std::string& name, uint32_t body) {
  PixelImage pad;
  if (!pad.resize(64, 32)) return false;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool inside = x >= 4 && x < 60 && y >= 6 && y < 28;
      const bool cross = (x >= 14 && x < 18 && y >= 10 && y < 24) ||
                         (x >= 9 && x < 23 && y >= 15 && y < 19);
      const int bx = x - 46, by = y - 17;
      const bool button = (bx * bx + by * by) < 10 || ((bx + 7) * (bx + 7) + (by - 3) * (by - 3)) < 10;
      if (!inside) continue;
      put_rgb(pad, x, y, cross ? 0x202020 : button ? 0xE02020 : body);
    }
  }
  return qvl_png_save(name.c_str(), pad.pixels, pad.width, pad.height);
}

}  // namespace

bool demo_game_write_media(const std::string& folder) {
  Tgame g;
  demo_game_build(g);
  return gamefile_write(g, BasicString((folder + "zzz_game.zemo").c_str()), false) &&
         write_font(folder + "ingamefont.png") &&
         write_joypad(folder + "joypad0.png", 0xA0A0A0) &&
         write_joypad(folder + "joypad1.png", 0x6080C0);
}
