// libFuzzer target for the game-file parser: any bytes are either refused
// with a reason or give a game whose references all stay in range, and
// which the writer encodes into a file that reads back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/error_state.h"
#include "game/gamefile.h"

// The parser must never reach the runtime's fatal error paths (a bad array
// index, a block that cannot be had): in this target they are crashes.
int qvl_err_raise(int) { std::abort(); }
void qvl_err_end_program_once() { std::abort(); }
void qvl_array_report_bounds(int, const int*, const int*) { std::abort(); }

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
