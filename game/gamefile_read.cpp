// Loading the game file: the reader's frame around the parser (progress
// lines, the file itself) and the end of a load (sounds, sprites).
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/error_state.h"
#include "core/logs.h"
#include "files/file_commands.h"
#include "files/file_resolve.h"
#include "files/mem_file.h"
#include "files/paths.h"
#include "game/gamefile.h"
#include "game/palette_sprites.h"
#include "game/sfxr_synth.h"
#include "host/sound_slots.h"
#include "kvgui/busy_overlay.h"

namespace {

// The channel the reader and writer use.
constexpr int kChannel = 1;
// Larger files are refused before anything is read: whole games are a few
// megabytes, and the parse keeps the file and the game (which takes up to
// about twenty times the file's bytes) in memory at once.
constexpr int64_t kMaxFileBytes = int64_t(64) << 20;
constexpr int kSoundCopies = 4;

void print(const BasicString& line) { qvl_log_print(line); }
void print_cstr(const char* line) { qvl_log_print(BasicString(line)); }
void busy() { kvgui_show_busy(1, -1); }

// Renders every accepted sound string into its sound slot through a memory
// file: no work file in the shared temporary folder, nothing to delete.
void load_sounds(const BasicArray<BasicString>& sounds) {
  std::vector<uint8_t> wav;
  for (int i = 0; i < sounds.size1; ++i) {
    const BasicString& params = sounds.data[i];
    if (params.length > 0 && sfxr_make_wave(params, wav)) {
      char name[kMemFileNameSize];
      if (wav.size() <= UINT32_MAX &&
          qvl_mem_file_register(wav.data(), uint32_t(wav.size()), nullptr, name)) {
        qvl_snd_load(BasicString(name), i, kSoundCopies);
        qvl_mem_file_release(wav.data());
      }
    }
    busy();
  }
}

// Reads the whole file through the channel; false when it cannot be had.
bool read_whole_file(std::vector<uint8_t>& bytes) {
  FileChannel& channel = qvl_file_channel_table()[kChannel];
  if (channel.size > kMaxFileBytes) return false;
  bytes.resize(size_t(channel.size));
  return channel.read(bytes.data(), int(bytes.size()));
}

// Every failed read ends with the reason on a line of its own.
void report_failure(const char* reason) {
  BasicString line("load failed: ");
  line.append_cstr(reason);
  line.append_char('\n');
  print(line);
}

void report_failure(const GameFileError& error) {
  if (error.newer_version) {
    report_failure("the file's format version is newer than this player reads");
    return;
  }
  BasicString line("load failed: ");
  line.append_cstr(error.reason ? error.reason : "the file cannot be read");
  if (error.offset > 0) {
    line.append_cstr(" at byte ");
    line.append_int64(int64_t(error.offset));
  }
  line.append_char('\n');
  print(line);
}

}  // namespace

bool gamefile_read(Tgame& game, const BasicString& path) {
  BasicString line("reading ");
  line.append(path);
  line.append_char('\n');
  print(line);

  // A game packed into the program's archive is found by its name only
  // through the resolution, so the size is asked of the resolved name.
  BasicString resolved(path);
  const bool found = qvl_file_resolve(resolved);
  if (!found) resolved = path;
  const int64_t size = qvl_file_size(resolved);
  line.assign_cstr("filesize is ");
  line.append_int64(size);
  line.append_char('\n');
  print(line);
  if (size == 0) {
    // The size is asked by opening the file: what stands there may not be
    // a file at all (a folder, a named pipe, a device), or not be readable.
    const bool unopened = qvl_err_state.last_error == 3;
    report_failure(!found    ? "there is no such file"
                   : unopened ? "the file cannot be opened"
                              : "the file is empty");
    return false;
  }

  if (!qvl_file_channel_open(kChannel, resolved, 1)) {
    line.assign_cstr("openfile ");
    line.append(path);
    line.append_cstr("failed\n");
    print(line);
    report_failure("the file cannot be opened");
    return false;
  }
  print_cstr("file can be opened\n");

  std::vector<uint8_t> bytes;
  GameFileError error;
  Tgame loaded;
  GameFileProgress progress;
  progress.print = print_cstr;
  progress.busy = busy;
  bool ok = read_whole_file(bytes);
  if (!ok) error.reason = size > kMaxFileBytes ? "the file is too large" : nullptr;
  ok = ok && gamefile_parse(bytes.data(), bytes.size(), path, loaded, progress, error);
  if (!ok) {
    qvl_file_channel_close(kChannel);
    report_failure(error);
    return false;
  }
  bytes = std::vector<uint8_t>();

  load_sounds(loaded.sounds);
  print_cstr("done\n");
  qvl_file_channel_close(kChannel);

  // What the file does not hold stays the game's own.
  loaded.file_name = game.file_name;
  loaded.modified = game.modified;
  loaded.exit_on_escape = game.exit_on_escape;
  game = std::move(loaded);

  gamefile_build_sprites(game.images, game.palette, kFirstImageSprite, 16, kImageSheetSprite);
  gamefile_build_sprites(game.tiles, game.palette, kFirstTileSprite, 16, kTileSheetSprite);
  kvgui_show_busy(0, -1);
  return true;
}
