// The per-frame entry of the library and the fading pop.
//
// The application calls kvgui_show once a frame before its show-screen:
// every dialog below the top is drawn dimmed, the top dialog is updated
// with input, its links are applied, and the images of popped dialogs fade
// out over 400 ms.
#pragma once

#include "core/basic_string.h"

int kvgui_show(int top_only);
int kvgui_show_top();
int kvgui_show_all();

// Pops the top dialog; with fade set its picture fades out where it stood.
int kvgui_pop_dialog_fade(int fade);

// Queues the popup list for a COMBO or GALLERY of the top dialog.
int kvgui_open_popup(const BasicString& id);
