#include "game/model.h"

// The constructors' arrays get exactly the slots they hold (dim_exact): a
// game holds thousands of these records and most never grow.

void Timage::update_alpha() { alpha = -(transparency / 9.999 + 0.001); }

bool Tanim::is_default() const {
  return frames.size1 == 0 && mode == 0 && speed == 0 && sound == 0 && seconds == 0 &&
         flags == 0 && mask == 0;
}

Tplayfield::Tplayfield() { tiles.dim_exact(4, 4, 0, 0); }

Twave::Twave() { enemies.dim_exact(1, 0, 0, 0); }

Tlevel::Tlevel() {
  starts.dim_exact(2, 0, 0, 0);
  layers.dim_exact(2, 0, 0, 0);
}

Tpowerups::Tpowerups() {
  anims.dim_exact(kPowerupLevels, 0, 0, 0);
  seconds.dim_exact(kPowerupLevels, 0, 0, 0);
}

Tgame::Tgame() : game_text("Your Game\nPress fire to start") {
  tiles.dim_exact(2, 0, 0, 0);
  images.dim_exact(20, 0, 0, 0);
  levels.dim_exact(1, 0, 0, 0);
  players.dim_exact(2, 0, 0, 0);
  jumps.dim_exact(2, 0, 0, 0);
  powerups.dim_exact(2, 0, 0, 0);
}

// Definition order is the construction order; exit runs it backwards.
TGameState gamestate;
Tplaygame playgame;
Tgame game;

int32_t frame_clock = 0;
int32_t path_factor = 4;
int32_t format_version = 33;
int32_t cell_size = 0;
double game_sort_counter = 0;

void game_init_globals() {
  format_version = 33;
  frame_clock = 0;
  path_factor = 4;
}

int game_int_index_of(BasicArray<int>& array, int value) {
  for (int i = 0; i < array.size1; ++i)
    if (array.data[i] == value) return i;
  return 0;
}
