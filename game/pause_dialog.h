// The pause dialog, the game's only menu: the control scheme, the autofire
// option, in the editor also the start level and the trainer flag, and the
// buttons OK (back to play), the stop button (back to the title or the
// editor) and the kit's credit button. Built with the widget library on the
// first frame of a pause and removed by OK or the stop button.
#pragma once

#include "game/model.h"

// The kit's web page, opened by the credit button.
inline constexpr const char* kKitWebPage = "https://example.org/zemo";

// Shows and handles the dialog for one frame; 1 while it stays open or
// when it was closed with OK (the options are then saved), 0 when it was
// closed with the stop button. level_count is the game's number of levels.
int menu_options_dialog(Tplaygame& playgame, int level_count, int editor);

// Whether the dialog is built (between its first frame and its closing).
bool menu_options_dialog_built();
