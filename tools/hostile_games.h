// Hostile game files: the demo game with one thing changed so that a small
// file asks for far more than any real game; the fixtures of the game tests
// and, through make-hostile-files, of the figures in docs/benchmarks.md.
#pragma once

#include <string>

namespace hostile {

// A play picture of w x h pixels.
std::string game_with_view(int w, int h);
// Object images (and with `tiles` the tiles too) whose first is edge x
// edge, padded with empty images to `count`: sheets of 16 cells of the
// first image's width per row, ceil(count / 16) rows.
std::string game_with_wide_sheets(int edge, int count, bool tiles);
// A wave at the first level's start of `spawns` spawn points, all in view
// at once, times `templates` enemy templates.
std::string game_with_swarm(int spawns, int templates);
// A title text of that many line feeds.
std::string game_with_title_lines(int line_feeds);

}  // namespace hostile
