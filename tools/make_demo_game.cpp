// make-demo-game: writes the demo game and its media files into a folder,
// the player's "Media" folder in the build.
//
//   make-demo-game <folder>
#include <cstdio>
#include <string>

#include "tools/demo_game.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-demo-game <folder>\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.empty() || folder.back() != '/') folder += '/';
  if (!demo_game_write_media(folder)) {
    std::fprintf(stderr, "make-demo-game: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
