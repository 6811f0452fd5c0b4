// Saving the game file: the file is built in memory first (the encoder
// refuses any value its field cannot hold) and only then written, through a
// temporary file renamed over the old one.
#include <vector>

#include "core/logs.h"
#include "game/gamefile.h"
#include "kvgui/busy_overlay.h"
#include "platform/file_io.h"

namespace {

void print(const char* text) { qvl_log_print(BasicString(text)); }

}  // namespace

bool gamefile_write(Tgame& game, const BasicString& path, bool show_busy) {
  BasicString line("save as: ");
  line.append(path);
  line.append_char('\n');
  qvl_log_print(line);
  // The title always follows the game's own file name.
  game.title = gamefile_title_from_path(game.file_name, false);

  print("pal\nimg\nanim\n");
  std::vector<uint8_t> bytes;
  BasicString reason;
  const bool encoded =
      gamefile_encode(game, bytes, reason, show_busy ? +[] { kvgui_show_busy(1, -1); } : nullptr);
  if (show_busy) kvgui_show_busy(0, -1);
  if (!encoded) {
    line.assign_cstr("save refused: ");
    line.append(reason);
    line.append_char('\n');
    qvl_log_print(line);
    return false;
  }
  PlatReplace replace;
  if (!plat_replace_begin(path.c_str(), replace)) return false;
  if (!plat_file_write(replace.file, bytes.data(), bytes.size())) {
    plat_replace_abandon(replace);
    return false;
  }
  if (!plat_replace_commit(replace)) return false;
  game.modified = 0;
  return true;
}
