#include "tools/hostile_games.h"

#include <cstdint>
#include <vector>

#include "game/gamefile.h"
#include "game/model.h"
#include "tools/demo_game.h"

namespace hostile {

namespace {

std::string encoded(const Tgame& game) {
  std::vector<uint8_t> bytes;
  BasicString reason;
  if (!gamefile_encode(game, bytes, reason)) return std::string();
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::string game_with_view(int w, int h) {
  Tgame g;
  demo_game_build(g);
  g.game_width = w;
  g.game_height = h;
  return encoded(g);
}

std::string game_with_wide_sheets(int edge, int count, bool tiles) {
  Tgame g;
  demo_game_build(g);
  auto widen = [edge, count](BasicArray<Timage>& images) {
    const int first = images.at(0).pixels.at2(edge > 8 ? 8 : 0, edge > 8 ? 8 : 0);
    images.redim(count, 0, 0, 0);
    BasicArray<int>& pixels = images.at(0).pixels;
    pixels.dim(edge, edge, 0, 0);
    for (int i = 0; i < pixels.count; ++i) pixels.data[i] = first;
  };
  widen(g.images);
  if (tiles) widen(g.tiles);
  return encoded(g);
}

std::string game_with_swarm(int spawns, int templates) {
  Tgame g;
  demo_game_build(g);
  Tlevel& level = g.levels.at(0);
  Twave& model = level.waves.at(0);
  // The camera starts at the level's bottom: points just above it are in
  // view at the first frame of play.
  const int bottom = level.layers.at(0).tiles.size2 * 16;
  Twave swarm;
  swarm.spawns.dim(spawns, 0, 0, 0);
  for (int i = 0; i < spawns; ++i) swarm.spawns.data[i] = TSpawnPt{160, bottom - 200, 0};
  swarm.path = model.path;
  swarm.enemies.dim(templates, 0, 0, 0);
  for (int i = 0; i < templates; ++i) swarm.enemies.data[i] = model.enemies.at(0);
  level.waves.at(0) = swarm;
  return encoded(g);
}

std::string game_with_title_lines(int line_feeds) {
  Tgame g;
  demo_game_build(g);
  const std::string text(size_t(line_feeds), '\n');
  g.game_text.assign_cstr(text.c_str());
  return encoded(g);
}

}  // namespace hostile
