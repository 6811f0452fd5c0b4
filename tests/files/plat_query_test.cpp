#include "files/plat_query.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "files/device_id.h"
#include "files/langid_table.h"
#include "tests/support/test_files.h"
#include "tests/support/text_shape.h"

namespace {

std::string query(const char* key) {
  BasicString k(key);
  return qvl_plat_query(k).c_str();
}

std::string config_dir() { return getenv("XDG_CONFIG_HOME"); }

using qvl_test::shaped_like;

}  // namespace

TEST(PlatQuery, FixedAnswersAndUnknownKeys) {
  EXPECT_EQ(query(""), "WIN32");
  EXPECT_EQ(query("device"), "DESKTOP");
  EXPECT_EQ(query("TIMEX"), "NO_DATA");  // only GLEXT: matches as a prefix
  EXPECT_EQ(query("APPDATA/x"), "NO_DATA");
  EXPECT_EQ(query("COMPILED"), "NO_DATA");  // no application installed
  EXPECT_EQ(query("DPI"), "96");             // no video: the Windows minimum

  BasicString key("Temp");
  std::string temp = qvl_plat_query(key).c_str();
  EXPECT_STREQ(key.c_str(), "TEMP");  // the caller's key is upper-cased
  EXPECT_EQ(temp, qvl_test::temp_dir());
}

TEST(PlatQuery, ApplicationAnswers) {
  qvl_plat_set_app_info([](BasicString& s) { s.assign_cstr("Jul 11 2019-05:05:01"); },
                        [](BasicString& s) { s.assign_cstr("0badf00d"); },
                        [](BasicString& s) { s.assign_cstr("123.456"); });
  EXPECT_EQ(query("compiled"), "Jul 11 2019-05:05:01");
  EXPECT_EQ(query("HOSTID"), "0badf00d");
  EXPECT_EQ(query("Version"), "123.456");
  qvl_plat_set_app_info(nullptr, nullptr, nullptr);
}

TEST(PlatQuery, FoldersFromXdg) {
  std::string appdata = query("APPDATA");
  EXPECT_EQ(appdata, config_dir() + "/Quarvel");
  struct stat st;
  EXPECT_EQ(stat(appdata.c_str(), &st), 0);  // created on the way
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  std::string home = qvl_test::temp_dir() + "home";
  setenv("HOME", home.c_str(), 1);
  mkdir((config_dir()).c_str(), 0777);
  std::ofstream(config_dir() + "/user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n";
  EXPECT_EQ(query("DOCUMENTS"), home + "/Docs");
  EXPECT_NE(stat((home + "/Docs").c_str(), &st), 0);  // not created
}

TEST(PlatQuery, BatteryIsAPercentage) {
  int percent = std::stoi(query("BATTERY"));
  EXPECT_GE(percent, 0);
  EXPECT_LE(percent, 100);
}

TEST(PlatQuery, LocaleFromTheEnvironment) {
  struct Case {
    const char* lang;
    const char* code;
  } cases[] = {
      {"de_DE.UTF-8", "de"}, {"fr_FR.UTF-8", "fr"}, {"es_ES.UTF-8", "es"},
      {"it_IT", "it"},       {"en_GB.UTF-8", "us"}, {"en_US.UTF-8", "uk"},
      {"el_GR", "gr"},       {"ja_JP.UTF-8", "jp"}, {"zh_TW", "ch"},
      {"uk_UA", "uk"},       {"C", "us"},           {"tlh_QS", "us"},
  };
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  for (const Case& c : cases) {
    setenv("LANG", c.lang, 1);
    EXPECT_EQ(query("LOCALE"), c.code) << c.lang;
  }
  setenv("LC_MESSAGES", "it_IT.UTF-8", 1);
  EXPECT_EQ(query("locale"), "it");
}

TEST(PlatQuery, LocaleCodesByLangId) {
  EXPECT_STREQ(qvl_plat_locale_code(0x0809).c_str(), "us");
  EXPECT_STREQ(qvl_plat_locale_code(0x0409).c_str(), "uk");
  EXPECT_STREQ(qvl_plat_locale_code(0x0C0A).c_str(), "es");
  EXPECT_STREQ(qvl_plat_locale_code(0x500A).c_str(), "es");
  EXPECT_STREQ(qvl_plat_locale_code(0x0401).c_str(), "ar");
  EXPECT_STREQ(qvl_plat_locale_code(0x4001).c_str(), "ar");
  EXPECT_STREQ(qvl_plat_locale_code(0x0411).c_str(), "jp");
  EXPECT_STREQ(qvl_plat_locale_code(0x0C04).c_str(), "zh");
  EXPECT_STREQ(qvl_plat_locale_code(0x044E).c_str(), "ma");
  EXPECT_STREQ(qvl_plat_locale_code(0x1234).c_str(), "us");
  EXPECT_STREQ(qvl_plat_locale_code(0).c_str(), "us");
  // Every LANGID once, under its 69 codes.
  EXPECT_EQ(qvl_langid_table_id_count(), 141);
  EXPECT_EQ(qvl_langid_table_code_count(), 69);
}

TEST(PlatQuery, TimeFormatUnderUtc) {
  setenv("TZ", "UTC", 1);
  tzset();
  std::string local, utc;
  for (int attempt = 0; attempt < 3; ++attempt) {  // a second may tick between
    local = query("TIME");
    utc = query("utctime");
    if (local == utc) break;
  }
  EXPECT_TRUE(shaped_like(local, "9999-99-99 99:99:99")) << local;
  EXPECT_EQ(local, utc);
  time_t now = time(nullptr);
  struct tm t;
  gmtime_r(&now, &t);
  char year[16];
  snprintf(year, sizeof year, "%d-", t.tm_year + 1900);
  EXPECT_EQ(local.rfind(year, 0), 0u);
}

TEST(PlatQuery, DeviceIdIsMadeOnceAndReadBack) {
  std::string first = query("ID");
  EXPECT_TRUE(shaped_like(first, std::string(32, 'X'))) << first;
  std::string file = config_dir() + "/Quarvel/quarvel.deviceid";
  EXPECT_EQ(qvl_test::read_file(file), first);  // no line end
  EXPECT_EQ(query("id"), first);

  std::ofstream(file) << " \tHAND-MADE\r\n";
  EXPECT_EQ(query("ID"), "HAND-MADE");
}

TEST(PlatQuery, DeviceIdNeverLandsInTheCurrentFolder) {
  // A config "folder" that is a file: the id cannot be stored anywhere.
  std::string cfg = qvl_test::temp_dir() + "cfg-file";
  std::ofstream(cfg) << "x";
  setenv("XDG_CONFIG_HOME", cfg.c_str(), 1);
  std::string cwd = qvl_test::temp_dir() + "cwd";
  mkdir(cwd.c_str(), 0777);
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  EXPECT_EQ(query("ID"), "FA17ED");
  struct stat st;
  EXPECT_NE(stat("quarvel.deviceid", &st), 0);
  EXPECT_NE(stat("NO_DATA", &st), 0);
}

TEST(PlatQuery, MsvcRandAndHexDigits) {
  // The first numbers of the Windows C runtime's rand() from its default seed.
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int v : expected) EXPECT_EQ(qvl_msvc_rand(), v);
  BasicString hex;
  qvl_plat_append_hex_le(hex, 0x12345678u);
  qvl_plat_append_hex_le(hex, 0x000000ABu);
  EXPECT_STREQ(hex.c_str(), "78563412AB000000");
}

TEST(PlatQuery, GlExtensionWithoutContextIsLogged) {
  BasicString key("GLEXT:glDrawRangeElements");
  EXPECT_STREQ(qvl_plat_query(key).c_str(), "0");
  EXPECT_STREQ(key.c_str(), "GLEXT:GLDRAWRANGEELEMENTS");
  std::string log = qvl_test::error_log();
  // The entry name keeps the caller's case in the log line.
  std::string line = "ext: glDrawRangeElements" + std::string(16, ' ') + "   [FAILED]";
  EXPECT_EQ(log, line);

  std::string long_name(400, 'x');
  BasicString long_key(("GLEXT:" + long_name).c_str());
  EXPECT_STREQ(qvl_plat_query(long_key).c_str(), "0");
  log = qvl_test::error_log();
  EXPECT_EQ(log.size(), line.size() + 279u);  // the second line is cut to its buffer
}

TEST(PlatQuery, GlExtensionFromTheCurrentContext) {
  // In a child: Mesa keeps allocations to the end of the process, which the
  // leak checker would count against this test.
  auto r = qvl_test::run_in_child([] {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return;
    SDL_Window* window =
        SDL_CreateWindow("t", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr || SDL_GL_CreateContext(window) == nullptr) return;
    printf("%s%s%s\n", query("GLEXT:glDrawRangeElements").c_str(),  // core since 1.2
           query("GLEXT:glGenBuffers").c_str(), query("GLEXT:glNoSuchEntryEXT").c_str());
  });
  if (r.out.empty()) GTEST_SKIP() << "no GL context here";
  EXPECT_EQ(r.out, "110\n");
}

TEST(PlatQuery, DeviceIdFileOfAnySizeIsReadSafely) {
  std::string folder = config_dir() + "/Quarvel";
  query("APPDATA");  // makes the folder
  std::string file = folder + "/quarvel.deviceid";
  std::ofstream(file) << std::string(4096, 'A');
  EXPECT_EQ(query("ID"), std::string(4096, 'A'));
  std::ofstream(file) << std::string(5000, 'B');  // too large to be an id: a new one
  std::string id = query("ID");
  EXPECT_EQ(id.size(), 32u);
  EXPECT_EQ(qvl_test::read_file(file), id);
}
