// The file chooser driven frame by frame in a folder tree of the test's
// own: what it lists, opening, saving (extensions, new files, folders,
// the program's open channels), choosing a directory, moving through the
// tree, and the file field that opens it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "files/file_commands.h"
#include "files/paths.h"
#include "kvgui/file_chooser.h"
#include "kvgui/kinds_text.h"
#include "kvgui/modal_dialogs.h"
#include "tests/kvgui/kvgui_fixture.h"
#include "tests/support/test_files.h"

namespace {

using Chooser = kvgui_test::KvguiTest;
using kvgui_test::host;
namespace step = kvgui_test::step;
BasicString S(const char* s) { return BasicString(s); }
std::string str(const BasicString& s) { return std::string(s.text, size_t(s.length)); }

std::string cwd() { return str(qvl_file_current_dir()); }

bool is_dir(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// tree/ with alpha/ (holding inner.txt), beta/, "d|e"/, x.txt, y.dat and
// "p|q.txt"; tree/ is current. Returns it with its "/".
std::string make_tree() {
  const std::string root = qvl_test::enter_fresh_folder("tree");
  for (const char* dir : {"alpha", "beta", "d|e"}) mkdir(dir, 0777);
  qvl_test::write_file("alpha/inner.txt", "in");
  qvl_test::write_file("x.txt", "ex");
  qvl_test::write_file("y.dat", "why");
  qvl_test::write_file("p|q.txt", "bar");
  return cwd();
}

// OK with this name in the file field.
void ok_with(const std::string& name) {
  step::settle();
  step::run([name] { kvgui_set_property(S("tx_file"), S("TEXT"), S(name.c_str())); });
  step::click("bt_ok");
}

TEST_F(Chooser, OpenListsMatchingFilesAndFoldersButNoBarNames) {
  const std::string root = make_tree();
  std::string dirs, files;
  step::settle();
  step::run([&] {
    dirs = get("ls_dir", "TEXT");
    files = get("ls_file", "TEXT");
  });
  step::click("ls_file", 20, 8);  // the first row
  step::click("bt_ok");
  EXPECT_EQ(str(kvgui_choose_file(1, S("*.txt"), 0)), root + "x.txt");
  EXPECT_EQ(dirs, "..|alpha|beta") << "never \".\", and no name with a bar";
  EXPECT_EQ(files, "x.txt");
  EXPECT_EQ(cwd(), root);

  // Typed into the name field; a name that is not there gives nothing.
  step::settle();
  step::click("tx_file");
  step::type("y.dat");
  step::idle(6);
  step::click("bt_ok");
  EXPECT_EQ(str(kvgui_choose_file(1, S("*.*"), 0)), root + "y.dat");
  ok_with("none.txt");
  EXPECT_EQ(str(kvgui_choose_file(1, S("*.*"), 0)), "");
  ok_with("alpha");
  EXPECT_EQ(str(kvgui_choose_file(1, S("*.*"), 0)), "") << "a folder is no file to open";
  ok_with("");
  EXPECT_EQ(str(kvgui_choose_file(1, S("*.*"), 0)), "");
}

TEST_F(Chooser, SaveAddsTheExtensionAndCreatesTheFile) {
  const std::string root = make_tree();
  // The program's channels stay as they are.
  ASSERT_TRUE(qvl_file_channel_open(0, S("zero.bin"), 0));
  ASSERT_TRUE(qvl_file_channel_open(1, S("one.bin"), 0));
  struct Case {
    const char* pattern;
    const char* name;
    const char* result;  // in the tree; "" for none
  } const cases[] = {
      {"*.txt", "notes", "notes.txt"},
      {"*.txt", "NOTES.TXT", "NOTES.TXT"},  // no second extension
      {"*.txt", "mytxt", "mytxt.txt"},      // the extension is tested with its dot
      {"*.*", "plain", "plain"},
      {"txt", "bare", "bare.txt"},
      {"*.txt", "x.txt", "x.txt"},  // there already: kept as it is
      {"*", "alpha", ""},           // a folder's name is no file
      {"*.txt", "", ""},
  };
  for (const Case& c : cases) {
    ok_with(c.name);
    const std::string got = str(kvgui_choose_file(0, S(c.pattern), 0));
    EXPECT_EQ(got, c.result[0] ? root + c.result : "") << c.pattern << " " << c.name;
    if (c.result[0]) {
      EXPECT_EQ(qvl_test::read_file(got), std::string(c.name) == "x.txt" ? "ex" : "") << c.name;
    }
  }
  EXPECT_TRUE(is_dir(root + "alpha")) << "the folder is left alone";
  EXPECT_TRUE(qvl_file_exists(S((root + "alpha/inner.txt").c_str())));
  EXPECT_EQ(qvl_file_channel_free(), 2) << "channels 0 and 1 are still open";
  qvl_file_channel_close(0);
  qvl_file_channel_close(1);
}

TEST_F(Chooser, DirectoryModeReturnsTheFolderChosen) {
  const std::string root = make_tree();
  bool has_file_list = true;
  step::settle();
  step::run([&] { has_file_list = kvgui_widget_of(top(), S("ls_file")) != nullptr; });
  step::click("ls_dir");
  step::click("b1");  // alpha: the popup list of the combo box
  step::until([] { return get("ls_dir", "TEXT") == ".."; });
  step::click("bt_ok");
  EXPECT_EQ(str(kvgui_choose_file(0, S("*.*"), 1)), root + "alpha");
  EXPECT_FALSE(has_file_list);
  EXPECT_EQ(cwd(), root);
}

TEST_F(Chooser, MovesUpAndAlongThePath) {
  const std::string root = make_tree();
  // In root/beta the path's parts end with tree and beta.
  const size_t tree = kvgui_split_path(S(root.c_str())).components.size() - 1;
  const std::string tree_button = "bt_br" + std::to_string(tree);
  ASSERT_EQ(chdir("alpha"), 0);
  std::string buttons, up;
  step::settle();
  step::run([&] {
    buttons = get(tree_button.c_str(), "TEXT") + "/" +
              get(("bt_br" + std::to_string(tree + 1)).c_str(), "TEXT");
  });
  step::click("ls_dir");
  step::click("b0");  // ".."
  step::until([] { return get("ls_dir", "TEXT") == "..|alpha|beta"; });
  step::run([&up] { up = cwd(); });
  step::click("ls_dir");
  step::click("b2");  // beta
  step::until([] { return get("ls_dir", "TEXT") == ".."; });
  step::click(tree_button.c_str());
  step::until([] { return get("ls_dir", "TEXT") == "..|alpha|beta"; });
  step::click("bt_cancel");
  EXPECT_EQ(str(kvgui_choose_file(1, S("*.*"), 0)), "");
  EXPECT_EQ(buttons, "tree/alpha");
  EXPECT_EQ(up, root);
  EXPECT_EQ(cwd(), root + "alpha/") << "made current again at the end";
}

TEST_F(Chooser, PathSplitsIntoDriveAndParts) {
  struct Case {
    const char* path;
    const char* drive;
    const char* parts;  // joined by ","
    const char* whole;  // all parts joined again
    const char* up;     // all parts but the last
  } const cases[] = {
      {"X:/games/kit/", "X:", "games,kit", "X:/games/kit", "X:/games"},
      {"X:/games/", "X:", ",games", "X:/games", "X:/"},  // an empty part stands for the root
      {"X:/", "X:", "", "X:/", "X:/"},
      {"/home/me/", "", "home,me", "/home/me", "/home"},
      {"/tmp/", "", ",tmp", "/tmp", "/"},
      {"/", "", "", "/", "/"},  // ".." at the root stays there
      {"~/docs/", "~", ",docs", "~/docs", "~/"},
  };
  for (const Case& c : cases) {
    const KvguiPathParts p = kvgui_split_path(S(c.path));
    std::string parts;
    for (size_t i = 0; i < p.components.size(); ++i) parts.append(i ? "," : "").append(str(p.components[i]));
    EXPECT_EQ(str(p.drive), c.drive) << c.path;
    EXPECT_EQ(parts, c.parts) << c.path;
    EXPECT_EQ(str(kvgui_join_path(p, p.components.size())), c.whole) << c.path;
    EXPECT_EQ(str(kvgui_join_path(p, p.components.size() - 1)), c.up) << c.path;
  }
  // And from the real root.
  ASSERT_EQ(chdir("/"), 0);
  std::string after_up;
  step::settle();
  step::click("ls_dir");
  step::click("b0");
  step::idle(2);
  step::run([&after_up] { after_up = cwd(); });
  step::click("bt_cancel");
  EXPECT_EQ(str(kvgui_choose_file(1, S("*.*"), 1)), "");
  EXPECT_EQ(after_up, "/");
}

TEST_F(Chooser, FileFieldListsItsFilterAndKeepsItsPathOnCancel) {
  const std::string root = make_tree();
  ASSERT_EQ(chdir("/"), 0);
  plain_dialog(600, 400);
  kvgui_add_file_field(S("ff"), S((root + "x.txt").c_str()), S("*.dat"), 200, 20);
  frame();
  std::string files, where;
  step::settle();
  step::run([&] {
    files = get("ls_file", "TEXT");
    where = cwd();
  });
  step::key(KVGUI_KEY_ESCAPE);
  click(widget("ff").XPOS + 5, widget("ff").YPOS + 5);
  step::forget();
  EXPECT_EQ(files, "y.dat") << "the field's filter";
  EXPECT_EQ(where, root) << "opened in the field's folder";
  EXPECT_EQ(get("ff", "TEXT"), root + "x.txt") << "cancelled: the path stays";
  EXPECT_EQ(cwd(), "/");
  step::settle();
  step::click("ls_file", 20, 8);
  step::click("bt_ok");
  click(widget("ff").XPOS + 5, widget("ff").YPOS + 5);
  EXPECT_EQ(get("ff", "TEXT"), root + "y.dat");
}

// Esc closes the dialog on top only: the chooser below a drop-down or a
// keypad that Esc closed stays, with the name typed into it, until Esc is
// let go and pressed again.
TEST_F(Chooser, OneEscClosesOneDialog) {
  make_tree();
  struct Case {
    const char* over;   // what Esc closes first
    const char* shows;  // a widget of that dialog
    bool touch;
  } const cases[] = {{"ls_dir", "b0", false}, {"tx_file", "tx_text", true}};
  for (const Case& c : cases) {
    kvgui_use_keypad = c.touch ? 1.0 : 0.0;
    int depth = 0;
    std::string name;
    step::settle();
    step::run([] { kvgui_set_property(S("tx_file"), S("TEXT"), S("typed")); });
    step::click(c.over);
    step::until_exists(c.shows);
    step::run([] { host().keys.insert(KVGUI_KEY_ESCAPE); });
    step::idle(3);  // held down all along
    step::run([&] {
      depth = kvgui_dialog_stack.size1;
      name = get("tx_file", "TEXT");
      host().keys.clear();
    });
    step::idle();
    step::key(KVGUI_KEY_ESCAPE);
    EXPECT_EQ(str(kvgui_choose_file(1, S("*.*"), 0)), "") << c.over;
    step::forget();
    EXPECT_EQ(depth, 1) << c.over << ": the chooser alone";
    EXPECT_EQ(name, "typed") << c.over;
  }
  kvgui_use_keypad = 0.0;
}

TEST_F(Chooser, CaptionInGerman) {
  setenv("LC_ALL", "de_DE", 1);
  make_tree();
  std::string caption;
  step::settle();
  step::run([&caption] { caption = get("", "TEXT"); });
  step::click("bt_cancel");
  EXPECT_EQ(str(kvgui_choose_file(1, S("*.*"), 0)), "");
  EXPECT_EQ(caption, "Datei ausw\xE4hlen:");
}

}  // namespace
