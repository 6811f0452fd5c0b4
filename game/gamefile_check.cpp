// The references play follows through a loaded game, checked once at load
// so that no index from the file can end the program in the middle of
// play: palette indexes of the pixels, image indexes of the animation
// frames, tile indexes of the layers, the animation kinds of templates,
// players and power-ups, and the waves' paths. And what the end of the
// load and the run will cost: the samples of the sounds it synthesises,
// the play picture's texture and the textures of its pictures.
#include "game/gamefile.h"
#include "game/palette_sprites.h"
#include "game/sfxr_synth.h"

namespace {

// The side of the texture that holds n pixels: 16 doubled until it is at
// least n (the sprite table's rule).
int64_t texture_side(int64_t n) {
  int64_t side = 16;
  while (side < n) side *= 2;
  return side;
}

// The edge of the square sprite an image becomes: its grid's width, 16 for
// an empty grid; 0 when the grid is less high than wide (no sprite).
int64_t sprite_edge(const Timage& image) {
  const BasicArray<int>& grid = image.pixels;
  if (grid.size1 == 0) return 16;
  return grid.size2 < grid.size1 ? 0 : grid.size1;
}

int64_t add_saturated(int64_t a, int64_t b) { return b > INT64_MAX - a ? INT64_MAX : a + b; }

// The sprites of an array and its sheet, whose cells take the first
// sprite's width.
int64_t array_texels(const BasicArray<Timage>& images) {
  int64_t texels = 0;
  for (int k = 0; k < images.size1; ++k) {
    const int64_t n = sprite_edge(images.data[k]);
    // An edge past the largest texture costs more than any budget.
    if (n > kMaxPlaySide) return INT64_MAX;
    if (n > 0) texels = add_saturated(texels, texture_side(n) * texture_side(n));
  }
  if (images.size1 == 0 || sprite_edge(images.data[0]) == 0) return texels;
  int sheet_w = 0, sheet_h = 0;
  gamefile_sheet_size(images.size1, int(sprite_edge(images.data[0])), &sheet_w, &sheet_h);
  if (sheet_w > kMaxPlaySide || sheet_h > kMaxPlaySide) return INT64_MAX;
  return add_saturated(texels, texture_side(sheet_w) * texture_side(sheet_h));
}

// The play picture: no target for a side of 0 (play draws to the screen).
bool play_picture_ok(const Tgame& g) {
  const int w = g.game_width, h = g.game_height;
  if (w < 0 || h < 0 || w > kMaxPlaySide || h > kMaxPlaySide) return false;
  return w == 0 || h == 0 || texture_side(w) * texture_side(h) <= kMaxPlayTexels;
}

// A pixel's palette index: 0 is transparent whatever the palette holds, a
// negative one counts back from the palette's end.
bool pixels_in_palette(const BasicArray<Timage>& images, int palette_size) {
  for (int k = 0; k < images.size1; ++k) {
    const BasicArray<int>& p = images.data[k].pixels;
    for (int i = 0; i < p.count; ++i) {
      const int index = p.data[i];
      if (index >= palette_size || index < -palette_size) return false;
    }
  }
  return true;
}

bool frames_in_images(const Tgame& g) {
  for (int a = 0; a < g.anims.size1; ++a) {
    const BasicArray<int>& frames = g.anims.data[a].frames;
    for (int f = 0; f < frames.size1; ++f)
      if (frames.data[f] < 0 || frames.data[f] >= g.images.size1) return false;
  }
  return true;
}

// A kind's five animations must all be there.
bool kind_ok(const Tgame& g, int anim) {
  return anim >= 0 && int64_t(anim) + kAnimsPerKind <= g.anims.size1;
}

const char* check_level(const Tgame& g, const Tlevel& level) {
  for (int i = 0; i < level.layers.size1; ++i) {
    const BasicArray<int>& tiles = level.layers.data[i].tiles;
    for (int c = 0; c < tiles.count; ++c)
      if (tiles.data[c] >= g.tiles.size1) return "a layer cell names a tile that is not there";
  }
  for (int w = 0; w < level.waves.size1; ++w) {
    const Twave& wave = level.waves.data[w];
    if (wave.path.size1 == 0) return "a wave without a path point";
    for (int j = 0; j < wave.enemies.size1; ++j) {
      const Tobject& e = wave.enemies.data[j];
      if (!kind_ok(g, e.anim)) return "an enemy's animations are not there";
      if (e.powerup >= kPowerupLevels) return "a power-up level above 3";
    }
  }
  return nullptr;
}

}  // namespace

int64_t gamefile_picture_texels(const Tgame& game) {
  return add_saturated(array_texels(game.images), array_texels(game.tiles));
}

int64_t gamefile_sound_samples(const Tgame& game) {
  int64_t samples = 0;
  for (int i = 0; i < game.sounds.size1; ++i) samples += sfxr_samples_at_most(game.sounds.data[i]);
  return samples;
}

const char* gamefile_check(const Tgame& g) {
  if (g.images.size1 == 0 || g.tiles.size1 == 0) return "an image array without images";
  if (g.levels.size1 == 0) return "a game without levels";
  if (g.players.size1 == 0) return "a game without players";
  if (!pixels_in_palette(g.images, g.palette.size1) ||
      !pixels_in_palette(g.tiles, g.palette.size1))
    return "a pixel's colour is not in the palette";
  if (!frames_in_images(g)) return "an animation frame names an image that is not there";
  for (int i = 0; i < g.levels.size1; ++i)
    if (const char* reason = check_level(g, g.levels.data[i])) return reason;
  if (g.jumps.size1 < g.players.size1 || g.powerups.size1 < g.players.size1)
    return "a player without jump state or power-ups";
  for (int i = 0; i < g.players.size1; ++i) {
    if (!kind_ok(g, g.players.data[i].anim)) return "a player's animations are not there";
    const BasicArray<int>& kinds = g.powerups.data[i].anims;
    for (int k = 0; k < kinds.size1; ++k)
      if (!kind_ok(g, kinds.data[k])) return "a power-up's animations are not there";
  }
  if (gamefile_sound_samples(g) > kMaxSoundSamples)
    return "the sounds would take more than 8388608 samples";
  if (!play_picture_ok(g))
    return "the play picture is larger than 16384 a side or 4096 x 4096 in all";
  if (gamefile_picture_texels(g) > kMaxPictureTexels)
    return "the pictures would take more than 33554432 texels";
  return nullptr;
}
