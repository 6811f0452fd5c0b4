// TEMPORARY: stands in for the widget library's busy overlay until that
// library provides kvgui_show_busy. Delete this file and busy_stand_in.cpp
// then, and include the widget library's header in their place.
#pragma once

// busy 1: draw a busy frame when due; busy 0: end the overlay. Returns 0.
int kvgui_show_busy(int busy, int sprite);
