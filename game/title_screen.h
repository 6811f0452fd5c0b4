// The title screen, shown while no player has a life: the game's text
// centred on the screen, the blinking mode caption, and the joining of
// players by their fire button. Play begins on the first frame in which a
// player has joined and nobody holds fire.
#pragma once

#include "game/model.h"

// The title text's lines: one per line feed, empty lines kept, no extra
// line for a line feed at the very end; carriage returns are dropped.
void menu_title_lines(const BasicString& text, BasicArray<BasicString>& lines);

// The lines of text as the title screen shows them: split by
// menu_title_lines when the text differs from the one split last, else the
// same lines again (the same array, not rebuilt).
const BasicArray<BasicString>& menu_title_shown_lines(const BasicString& text);

// One frame of the title screen; 1 to go on, 0 when Esc or Q ends a
// blocking run (while game.exit_on_escape is set).
int menu_title_screen(Tgame& game, int editor, Tplaygame& playgame);

// Whether a player has joined on the title screen while fire is still
// held: the frame stays on the title screen until the release, so the
// press that joins does not also play. game_run clears it.
bool menu_title_waiting();
void menu_title_reset();
