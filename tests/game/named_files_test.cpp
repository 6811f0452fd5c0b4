// Every reader of a named file against what is not a file: a named pipe
// (no writer ever comes), a link to /dev/zero (bytes without end) and a
// folder. Each read fails at once through its usual error path; a reader
// that waits or reads on is stopped by a watchdog alarm, which names it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "core/error_state.h"
#include "files/file_commands.h"
#include "files/ini_document.h"
#include "files/line_cache.h"
#include "files/paths.h"
#include "files/whole_file.h"
#include "game/gamefile.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/image_files.h"
#include "gfx2d/pixel_image.h"
#include "gfx3d/kvd_file.h"
#include "gfx3d/mesh_records.h"
#include "gfx3d/scene_package.h"
#include "host/sound_slots.h"
#include "platform/music_player.h"
#include "tests/gfx2d/gfx_fixture.h"
#include "tests/support/test_files.h"

#ifndef SBPACK_PATH
#error "SBPACK_PATH must name the sbpack tool"
#endif
#ifndef KVDTOOL_PATH
#error "KVDTOOL_PATH must name the kvdtool tool"
#endif

namespace {

// What the watchdog names when it fires: the reader and the kind of name.
char g_running[256];

void watchdog_fired(int) {
  const char head[] = "\nwatchdog: this read did not fail at once: ";
  (void)!write(STDERR_FILENO, head, sizeof head - 1);
  (void)!write(STDERR_FILENO, g_running, std::strlen(g_running));
  (void)!write(STDERR_FILENO, "\n", 1);
  _exit(3);
}

// A command line's exit status, with standard error kept in err_file.
int run_tool(const std::string& command, const std::string& err_file) {
  const int status = std::system((command + " > /dev/null 2> " + err_file).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Kind {
  const char* what;
  std::function<bool(const std::string&)> make;
};

struct Reader {
  const char* what;
  const char* extension;  // some readers choose by it
  // Reads the name; an empty text when it failed as it should, else what
  // went wrong.
  std::function<std::string(const std::string&)> read;
};

class NamedFiles : public GfxWindowFixture<64, 64> {
 protected:
  void SetUp() override {
    GfxWindowFixture::SetUp();
    dir_ = qvl_test::temp_path("names/");
    ASSERT_EQ(mkdir(dir_.c_str(), 0777), 0);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    qvl_snd_startup(nullptr);
    signal(SIGALRM, watchdog_fired);
  }
  void TearDown() override {
    alarm(0);
    signal(SIGALRM, SIG_DFL);
    qvl_snd_shutdown();
    GfxWindowFixture::TearDown();
  }
  std::string dir_;
};

TEST_F(NamedFiles, EveryReaderRefusesWhatIsNotAFileAtOnce) {
  const std::string target = dir_ + "player";
  qvl_test::write_file(target, qvl_test::read_file("/bin/true"));
  const Kind kinds[] = {
      {"a named pipe", [](const std::string& p) { return mkfifo(p.c_str(), 0600) == 0; }},
      {"a link to /dev/zero",
       [](const std::string& p) { return symlink("/dev/zero", p.c_str()) == 0; }},
      {"a folder", [](const std::string& p) { return mkdir(p.c_str(), 0700) == 0; }},
  };
  const std::string err_file = dir_ + "err.txt";
  const Reader readers[] = {
      {"file channel", ".txt",
       [](const std::string& p) {
         const bool opened = qvl_file_channel_open(1, BasicString(p.c_str()), 1);
         qvl_file_channel_close(1);
         return opened ? "opened" : "";
       }},
      {"file channel line read", ".txt",
       [](const std::string& p) {
         FileChannel channel;
         if (!channel.open_read(p.c_str())) return "";
         TextLine line;
         const bool got = qvl_text_read_line(channel, line);
         channel.close();
         return got ? "a line was read" : "opened";
       }},
      {"file size", ".txt",
       [](const std::string& p) {
         const int64_t size = qvl_file_size(BasicString(p.c_str()));
         return size == 0 && qvl_err_state.last_error == 3 ? "" : "no error 3";
       }},
      {"file copy", ".txt",
       [](const std::string& p) {
         qvl_file_copy(BasicString(p.c_str()), BasicString("copy.txt"));
         const bool copied = access("copy.txt", F_OK) == 0;
         unlink("copy.txt");
         return copied ? "copied" : "";
       }},
      {"whole file", ".bin",
       [](const std::string& p) {
         WholeFile file;
         return qvl_file_read_whole(p.c_str(), file) ? "read" : "";
       }},
      {"game file", ".zemo",
       [](const std::string& p) -> std::string {
         Tgame game;
         testing::internal::CaptureStdout();
         const bool read = gamefile_read(game, BasicString(p.c_str()));
         const std::string out = testing::internal::GetCapturedStdout();
         if (read) return "read";
         return out.find("load failed: ") != std::string::npos ? "" : "no reason: " + out;
       }},
      {"picture", ".png",
       [](const std::string& p) {
         PixelImage image;
         return qvl_img_load_file(image, p.c_str(), 0) ? "loaded" : "";
       }},
      {"font", ".png",
       [](const std::string& p) {
         qvl_font_load(BasicString(p.c_str()), 2);
         return qvl_err_state.last_error == 3 ? "" : "no error 3";
       }},
      {"sound", ".wav",
       [](const std::string& p) {
         qvl_snd_load(BasicString(p.c_str()), 1, 1);
         return qvl_snd_slots[1].count == 0 ? "" : "loaded";
       }},
      {"music", ".ogg",
       [](const std::string& p) {
         PlatMusic* music = plat_music_open_file(p.c_str(), nullptr, 0);
         plat_music_close(music);
         return music ? "opened" : "";
       }},
      {".kvd", ".kvd",
       [](const std::string& p) {
         MeshObject object;
         return qvl_kvd_read(object, p.c_str()) ? "read" : "";
       }},
      // A package that cannot be read is an empty one, as a missing one is.
      {"package", ".pak",
       [](const std::string& p) {
         ObjectSlot slot;
         qvl_x3d_load_package(p.c_str(), slot, 0);
         return slot.parts.count == 0 && slot.textures.count == 0 ? "" : "not empty";
       }},
      {"INI", ".ini",
       [](const std::string& p) {
         IniDocument doc;
         doc.load(BasicString(p.c_str()));
         const bool empty = doc.sections.count == 0;
         doc.reset();
         return empty ? "" : "not empty";
       }},
      {"line cache", ".txt",
       [](const std::string& p) -> std::string {
         BasicString line;
         qvl_file_linecache_get(p.c_str(), 0, line);
         const bool refused = std::string(line.c_str()) == "NO_FILE" && qvl_err_state.last_error == 3;
         qvl_file_linecache_flush();
         return refused ? "" : std::string("got ") + line.c_str();
       }},
      {"sbpack", ".txt",
       [&](const std::string& p) -> std::string {
         const int status = run_tool(std::string(SBPACK_PATH) + " " + target + " " + p, err_file);
         const std::string err = qvl_test::read_file(err_file);
         if (status != 1 || err.rfind("sbpack: " + p + ": ", 0) != 0)
           return "status " + std::to_string(status) + ": " + err;
         return qvl_test::read_file(target) == qvl_test::read_file("/bin/true") ? "" : "target changed";
       }},
      {"kvdtool", ".kvd",
       [&](const std::string& p) -> std::string {
         const int status = run_tool(std::string(KVDTOOL_PATH) + " dump " + p, err_file);
         return status == 1 ? "" : "status " + std::to_string(status);
       }},
  };
  int n = 0;
  for (const Kind& kind : kinds) {
    for (const Reader& reader : readers) {
      const std::string name = dir_ + "thing" + std::to_string(++n) + reader.extension;
      ASSERT_TRUE(kind.make(name)) << name;
      std::snprintf(g_running, sizeof g_running, "%s on %s", reader.what, kind.what);
      qvl_err_state.last_error = 0;
      alarm(10);  // a watchdog, far beyond what a refusal takes
      const std::string failure = reader.read(name);
      alarm(0);
      EXPECT_EQ(failure, "") << g_running;
    }
  }
}

}  // namespace
