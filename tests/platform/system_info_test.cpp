// Power, language, special folders and GL entry points.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "platform/folders.h"
#include "platform/gl_entry_points.h"
#include "platform/locale.h"
#include "platform/power.h"
#include "tests/support/test_files.h"

namespace {

using qvl_test::write_file;

void make_supply(const std::string& root, const char* name, const char* type,
                 const char* capacity) {
  std::string dir = root + "/" + name;
  mkdir(dir.c_str(), 0777);
  write_file(dir + "/type", std::string(type) + "\n");
  if (capacity != nullptr) write_file(dir + "/capacity", std::string(capacity) + "\n");
}

}  // namespace

TEST(Power, FirstBatteryWithACapacity) {
  std::string root = qvl_test::temp_dir() + "supply";
  mkdir(root.c_str(), 0777);
  EXPECT_EQ(qvl_power_battery_percent_at(root.c_str()), 255);  // a desktop
  make_supply(root, "AC", "Mains", nullptr);
  make_supply(root, "BAT1", "Battery", "12");
  make_supply(root, "BAT0", "Battery", "87");
  EXPECT_EQ(qvl_power_battery_percent_at(root.c_str()), 87);
  EXPECT_EQ(qvl_power_battery_percent_at((root + "/missing").c_str()), 255);
}

TEST(Locale, LangIdFromLocaleNames) {
  struct Case {
    const char* name;
    uint16_t langid;
  } cases[] = {
      {"de_DE.UTF-8", 0x0407}, {"de_AT", 0x0C07},     {"en_US.UTF-8", 0x0409},
      {"en_GB.UTF-8", 0x0809}, {"en", 0x0409},        {"fr_CA@euro", 0x0C0C},
      {"es_ES.UTF-8", 0x0C0A}, {"es_MX", 0x080A},     {"pt_BR", 0x0416},
      {"pt_PT", 0x0816},       {"zh_CN.GB2312", 0x0804}, {"zh_HK", 0x0C04},
      {"ja_JP.eucJP", 0x0411}, {"sr_RS", 0x0C1A},     {"uk_UA", 0x0422},
      {"C", 0},                {"POSIX", 0},          {"C.UTF-8", 0},
      {"xx_YY", 0},            {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(qvl_locale_langid_from_name(c.name), c.langid) << c.name;
}

TEST(Locale, VariablesTakenInPrecedence) {
  setenv("LANG", "de_DE.UTF-8", 1);
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  EXPECT_EQ(qvl_locale_ui_langid(), 0x0407);
  setenv("LC_MESSAGES", "it_IT", 1);
  EXPECT_EQ(qvl_locale_ui_langid(), 0x0410);
  setenv("LC_ALL", "fr_FR", 1);
  EXPECT_EQ(qvl_locale_ui_langid(), 0x040C);
  setenv("LC_ALL", "", 1);  // empty counts as unset
  EXPECT_EQ(qvl_locale_ui_langid(), 0x0410);
}

TEST(Folders, ConfigAndDocumentsFollowXdg) {
  std::string base = qvl_test::temp_dir();
  setenv("HOME", (base + "home/").c_str(), 1);
  unsetenv("XDG_DOCUMENTS_DIR");
  setenv("XDG_CONFIG_HOME", (base + "cfg").c_str(), 1);
  EXPECT_EQ(qvl_folder_home(), base + "home");
  EXPECT_EQ(qvl_folder_config(), base + "cfg");
  EXPECT_EQ(qvl_folder_documents(), base + "home");  // nothing configured

  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  EXPECT_EQ(qvl_folder_config(), base + "home/.config");

  setenv("XDG_CONFIG_HOME", (base + "cfg").c_str(), 1);
  mkdir((base + "cfg").c_str(), 0777);
  write_file(base + "cfg/user-dirs.dirs",
             "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
             "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(qvl_folder_documents(), base + "home/Dokumente");
}

TEST(GlEntryPoints, JudgedByVersionAndExtensions) {
  const char* ext = "GL_ARB_multitexture GL_EXT_framebuffer_object GL_ARB_shader_objects";
  struct Case {
    const char* name;
    const char* version;
    bool supported;
  } cases[] = {
      {"glDrawRangeElements", "1.2 Mesa", true},
      {"glDrawRangeElements", "1.1 Mesa", false},
      {"glDrawRangeElementsEXT", "4.6 Mesa", false},  // extension not listed
      {"glActiveTextureARB", "1.1", true},
      {"glActiveTexture", "1.1", false},
      {"glGenFramebuffersEXT", "2.1 Mesa 22.3.6", true},
      {"glGenFramebuffers", "2.1 Mesa 22.3.6", false},
      {"glGenFramebuffers", "4.5 (Compatibility Profile) Mesa", true},
      {"glCreateShaderObjectARB", "1.5", true},
      {"glCreateShaderObject", "4.6", false},  // exists only with its suffix
      {"glUniform1fv", "2.0", true},
      {"glUniform1fvARB", "1.5", true},
      {"glBegin", "4.6", false},  // 1.1 entries are not looked up
      {"wglSwapIntervalEXT", "4.6", false},
      {"glGenBuffers", nullptr, false},
      {"", "4.6", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qvl_gl_entry_supported(c.name, c.version, ext), c.supported)
        << c.name << " @ " << (c.version ? c.version : "null");
  }
}

TEST(GlEntryPoints, ExtensionsMatchAsWholeWords) {
  const char* ext = "GL_EXT_framebuffer_object_x GL_ARB_vertex_buffer_object";
  EXPECT_FALSE(qvl_gl_has_extension(ext, "GL_EXT_framebuffer_object"));
  EXPECT_TRUE(qvl_gl_has_extension(ext, "GL_ARB_vertex_buffer_object"));
  EXPECT_FALSE(qvl_gl_has_extension(ext, "GL_ARB_vertex"));
  EXPECT_FALSE(qvl_gl_has_extension(nullptr, "GL_ARB_vertex"));
}

TEST(GlEntryPoints, NothingWithoutAContext) {
  EXPECT_FALSE(qvl_gl_entry_available("glDrawRangeElements"));
}
