// libFuzzer target for the game-file parser: any bytes are either refused
// with a reason or give a game whose references all stay in range and
// whose sounds stay within their budget, and which the writer encodes into
// a file that reads back to the same bytes. The first sounds, up to a few
// thousand samples, are rendered: none may come out longer than it was
// weighed at.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/gamefile.h"
#include "game/sfxr_synth.h"

namespace {

constexpr int64_t kFuzzRenderedSamples = 16384;

void render_some(const Tgame& game) {
  int64_t left = kFuzzRenderedSamples;
  std::vector<uint8_t> wav;
  for (int i = 0; i < game.sounds.size1; ++i) {
    const int64_t most = sfxr_samples_at_most(game.sounds.data[i]);
    if (most == 0 || most > left) continue;
    left -= most;
    if (!sfxr_make_wave(game.sounds.data[i], wav) || int64_t(wav.size() - 44) / 2 > most)
      std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Tgame game;
  GameFileError error;
  const BasicString path("Media/zzz_game.zemo");
  if (!gamefile_parse(data, size, path, game, GameFileProgress(), error)) {
    if (!error.newer_version && !error.reason) std::abort();
    return 0;
  }
  if (gamefile_check(game) || gamefile_sound_samples(game) > kMaxSoundSamples) std::abort();
  render_some(game);
  std::vector<uint8_t> first, second;
  BasicString reason;
  if (!gamefile_encode(game, first, reason)) std::abort();
  Tgame again;
  if (!gamefile_parse(first.data(), first.size(), path, again, GameFileProgress(), error)) std::abort();
  if (!gamefile_encode(again, second, reason) || second != first) std::abort();
  return 0;
}
