// The demo game: a small but complete vertical shooter for two players,
// built in code so that a fresh checkout has a game to play, and the
// fixture of the player's end-to-end tests.
#pragma once

#include <string>

#include "game/model.h"

// The game as the kit would hold it after a load: sprite ids, alpha values
// and the animation array's size are those a read of its file gives, so a
// written and read-back demo equals this one field by field.
void demo_game_build(Tgame& game);

// Writes "zzz_game.zemo", "ingamefont.png", "joypad0.png" and
// "joypad1.png" into folder (which must exist; given with its trailing
// "/"); false when any of them cannot be written.
bool demo_game_write_media(const std::string& folder);
