// libFuzzer target for the game-file parser: any bytes are either refused
// with a reason or give a game whose references all stay in range, and
// which the writer encodes into a file that reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/gamefile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Tgame game;
  GameFileError error;
  const BasicString path("Media/zzz_game.zemo");
  if (!gamefile_parse(data, size, path, game, GameFileProgress(), error)) {
    if (!error.newer_version && !error.reason) std::abort();
    return 0;
  }
  if (gamefile_check(game)) std::abort();
  std::vector<uint8_t> first, second;
  BasicString reason;
  if (!gamefile_encode(game, first, reason)) std::abort();
  Tgame again;
  if (!gamefile_parse(first.data(), first.size(), path, again, GameFileProgress(), error)) std::abort();
  if (!gamefile_encode(again, second, reason) || second != first) std::abort();
  return 0;
}
