#include "files/ini_document.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_io.h"
#include "tests/support/child_process.h"
#include "tests/support/test_files.h"

namespace {

using qvl_test::write_file;

int entries_starting_with(const std::string& prefix) {
  int n = 0;
  DIR* dir = opendir(qvl_test::temp_dir().c_str());
  while (dirent* e = readdir(dir)) n += std::string(e->d_name).rfind(prefix, 0) == 0;
  closedir(dir);
  return n;
}

// "name{key=value;...}" per section, for comparing whole documents.
std::string dump(const IniDocument& doc) {
  std::string out;
  for (int i = 0; i < doc.sections.count; ++i) {
    const IniSection& s = doc.sections.data[i];
    out += std::string(s.name.c_str()) + "{";
    for (int j = 0; j < s.entries.count; ++j)
      out += std::string(s.entries.data[j].key.c_str()) + "=" +
             s.entries.data[j].value.c_str() + ";";
    out += "}";
  }
  return out;
}

std::string get(const IniDocument& doc, const char* section, const char* key) {
  return qvl_ini_get_in(doc, BasicString(section), BasicString(key), BasicString("?")).c_str();
}

void put(IniDocument& doc, const char* section, const char* key, const char* value) {
  qvl_ini_put_in(doc, BasicString(section), BasicString(key), BasicString(value));
}

TEST(IniDocument, LoadsSectionsAsTheRulesSay) {
  struct Case {
    const char* text;
    const char* sections;
  };
  const Case cases[] = {
      {"a=1\n[s]\nb = 2 \nc\nd=\n;x=9\n[]\ne=5\n", "{a=1;}s{b=2 ;}s{e=5;}"},
      {"[ s ]\nk=v\n[my section]\nk=w\n", "s{k=v;}my{k=w;}"},
      {"[only]\n; a comment\n  ;another\n", ""},
      {"=empty key\n\tk\t=\t v\x01\x1f\r\n", "{=empty key;k=v;}"},
      {"[a]x=1\ny=2\n", "a]x{y=2;}"},  // the name runs to the first =
  };
  for (const Case& c : cases) {
    write_file(qvl_test::temp_path("t.ini"), c.text);
    IniDocument doc;
    doc.load(BasicString(qvl_test::temp_path("t.ini").c_str()));
    EXPECT_EQ(dump(doc), c.sections) << c.text;
    EXPECT_EQ(doc.dirty, 0);
  }
  write_file(qvl_test::temp_path("t.ini"), cases[0].text);
  IniDocument doc;
  doc.load(BasicString(qvl_test::temp_path("t.ini").c_str()));
  EXPECT_EQ(get(doc, "S", "B"), "2 ");
  EXPECT_EQ(get(doc, "s", "e"), "?");  // only the first s is searched
  EXPECT_EQ(get(doc, "", "a"), "1");
}

// A document of kIniMaxFileBytes loads; one byte more gives an empty
// document without a name, so a later save never writes over the file.
TEST(IniDocument, FilesUpToTheBoundLoadAndLargerOnesAreLeftAlone) {
  const std::string head = "[s]\r\nk=v\r\n;";
  for (const int64_t size : {kIniMaxFileBytes, kIniMaxFileBytes + 1}) {
    SCOPED_TRACE(size);
    const std::string path = qvl_test::temp_path("big.ini");
    // The settings, then a comment that fills the file to its size.
    write_file(path, head + std::string(size_t(size) - head.size(), 'c'));
    IniDocument doc;
    doc.load(BasicString(path.c_str()));
    const bool within = size <= kIniMaxFileBytes;
    EXPECT_EQ(dump(doc), within ? "s{k=v;}" : "");
    EXPECT_EQ(std::string(doc.file_name.c_str()).empty(), !within);
    put(doc, "s", "k", "w");
    doc.save();
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, within ? int64_t(10) : size);  // "[s]\r\nk=w\r\n" once saved
    doc.reset();
  }
}

TEST(IniDocument, PutChangesAndMarks) {
  IniDocument doc;
  put(doc, "new", "k", "");
  EXPECT_EQ(dump(doc), "new{}");
  EXPECT_EQ(doc.dirty, 0);
  put(doc, "s", "a", "1");
  put(doc, "s", "b", "2");
  put(doc, "s", "c", "3");
  put(doc, "S", "A", "");  // deletes: the last entry takes its place
  EXPECT_EQ(dump(doc), "new{}s{c=3;b=2;}");
  put(doc, "s", "b", "two");
  EXPECT_EQ(get(doc, "s", "b"), "two");
  put(doc, "new", "", "");  // an empty key deletes the section
  EXPECT_EQ(dump(doc), "s{c=3;b=two;}");
  EXPECT_EQ(doc.dirty, 1);
}

// A letter and a number: "s12".
std::string named(char letter, unsigned number) {
  std::string name(1, letter);
  name += std::to_string(number);
  return name;
}

// Long documents are searched through an index: random puts, deletions
// and gets over many sections and keys, names differing only in case among
// them, must answer as a plain scan for the first match does.
TEST(IniDocument, LongDocumentsAnswerAsAScanWould) {
  struct Model {
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections;
    static bool same(const std::string& a, const std::string& b) {
      return strcasecmp(a.c_str(), b.c_str()) == 0;
    }
    int section(const std::string& name) const {
      for (size_t i = 0; i < sections.size(); ++i)
        if (same(sections[i].first, name)) return static_cast<int>(i);
      return -1;
    }
  } model;
  IniDocument doc;
  write_file(qvl_test::temp_path("many.ini"), "[S1]\nk1=loaded\n[s1]\nk1=second\n");
  doc.load(BasicString(qvl_test::temp_path("many.ini").c_str()));
  model.sections = {{"S1", {{"k1", "loaded"}}}, {"s1", {{"k1", "second"}}}};
  std::mt19937 rng(3);
  for (int round = 0; round < 20000; ++round) {
    std::string sec = named(rng() % 2 ? 's' : 'S', rng() % 60);
    std::string key = named(rng() % 2 ? 'k' : 'K', rng() % 40);
    std::string value = rng() % 8 ? std::to_string(round) : "";
    if (rng() % 200 == 0) key.clear();  // deletes the section
    put(doc, sec.c_str(), key.c_str(), value.c_str());
    int s = model.section(sec);
    if (key.empty()) {
      if (s >= 0) {
        model.sections[s] = model.sections.back();
        model.sections.pop_back();
      }
      continue;
    }
    if (s < 0) {
      model.sections.push_back({sec, {}});
      s = static_cast<int>(model.sections.size()) - 1;
    }
    auto& entries = model.sections[s].second;
    auto it = std::find_if(entries.begin(), entries.end(),
                           [&](const auto& e) { return Model::same(e.first, key); });
    if (it != entries.end() && !value.empty()) it->second = value;
    if (it != entries.end() && value.empty()) {
      *it = entries.back();
      entries.pop_back();
    }
    if (it == entries.end() && !value.empty()) entries.push_back({key, value});
  }
  std::string expected;
  for (const auto& [name, entries] : model.sections) {
    expected += name + "{";
    for (const auto& [k, v] : entries) expected += k + "=" + v + ";";
    expected += "}";
  }
  EXPECT_EQ(dump(doc), expected);
  for (int n = 0; n < 60; ++n)
    for (int k = 0; k < 40; ++k) {
      const std::string sec = named('S', n), key = named('k', k);
      const int s = model.section(sec);
      std::string want = "?";
      if (s >= 0)
        for (const auto& [ek, ev] : model.sections[s].second)
          if (Model::same(ek, key)) {
            want = ev;
            break;
          }
      ASSERT_EQ(get(doc, sec.c_str(), key.c_str()), want) << sec << "/" << key;
    }
}

TEST(IniDocument, SavedBytesReloadToTheSameDocument) {
  IniDocument doc;
  doc.load(BasicString(qvl_test::temp_path("out.ini").c_str()));  // missing: empty, named
  put(doc, "s", "k", "1");
  put(doc, "", "a", "2");  // an empty-named section that is not first
  put(doc, "t", "x", "y");
  doc.save();
  const std::string expected = "[]\r\na=2\r\n[s]\r\nk=1\r\n[t]\r\nx=y\r\n";
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("out.ini")), expected);
  doc.save();  // still dirty: the same text again
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("out.ini")), expected);

  IniDocument back;
  back.load(BasicString(qvl_test::temp_path("out.ini").c_str()));
  EXPECT_EQ(get(back, "", "a"), "2");
  EXPECT_EQ(get(back, "s", "k"), "1");
  EXPECT_EQ(get(back, "t", "x"), "y");
}

TEST(IniDocument, LineBreaksCannotInjectLines) {
  IniDocument doc;
  doc.load(BasicString(qvl_test::temp_path("inj.ini").c_str()));
  put(doc, "s", "k", "v\r\n[evil]\r\nroot=1");
  put(doc, "s", "a\nb", "1");
  put(doc, "x\n[y]", "k", "2");
  doc.save();
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("inj.ini")),
            "[s]\r\nk=v  [evil]  root=1\r\na b=1\r\n[x [y]]\r\nk=2\r\n");
  IniDocument back;
  back.load(BasicString(qvl_test::temp_path("inj.ini").c_str()));
  EXPECT_EQ(get(back, "evil", "root"), "?");
  EXPECT_EQ(back.sections.count, 2);
}

TEST(IniDocument, LongLinesStayWhole) {
  std::string value(3000, 'v');
  write_file(qvl_test::temp_path("long.ini"), "[s]\nk=" + value + "\nz=1\n");
  IniDocument doc;
  doc.load(BasicString(qvl_test::temp_path("long.ini").c_str()));
  EXPECT_EQ(get(doc, "s", "k"), value);
  EXPECT_EQ(get(doc, "s", "z"), "1");
  EXPECT_EQ(doc.sections.data[0].entries.count, 2);
}

// A save never loses what the document did not change: CR-only line ends
// load line by line, bytes after a NUL stay, and the file keeps its mode
// and the link that leads to it.
TEST(IniDocument, ASaveKeepsWhatWasNotChanged) {
  ASSERT_EQ(mkdir(qvl_test::temp_path("real").c_str(), 0777), 0);
  const std::string real = qvl_test::temp_path("real/opts.ini");
  const std::string nul("a\0b", 3);
  write_file(real, "[s]\rk=1\rj=" + nul + "\r[t]\rx=y\r");
  ASSERT_EQ(chmod(real.c_str(), 0600), 0);
  const std::string link = qvl_test::temp_path("opts.ini");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  IniDocument doc;
  doc.load(BasicString(link.c_str()));
  EXPECT_EQ(dump(doc), "s{k=1;j=a;}t{x=y;}");
  EXPECT_EQ(qvl_ini_get_in(doc, BasicString("s"), BasicString("j"), BasicString()).length, 3);
  put(doc, "s", "k", "2");
  doc.save();
  EXPECT_EQ(qvl_test::read_file(real), "[s]\r\nk=2\r\nj=" + nul + "\r\n[t]\r\nx=y\r\n");
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(IniDocument, SaveNeverDestroysTheOldFile) {
  write_file(qvl_test::temp_path("keep.ini"), "[s]\nk=old\n");
  IniDocument doc;
  doc.load(BasicString(qvl_test::temp_path("keep.ini").c_str()));
  put(doc, "s", "k", "new");
  // Open elsewhere in the program: the save is skipped, the file unharmed.
  PlatFile* open = plat_file_open(qvl_test::temp_path("keep.ini").c_str(), PlatOpenMode::read);
  ASSERT_NE(open, nullptr);
  doc.save();
  plat_file_close(open);
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("keep.ini")), "[s]\nk=old\n");
  // A write that fails half-way (the file size limit here) leaves the old
  // file as it was, and no temporary file behind.
  qvl_test::run_in_child([&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{8, 8};
    setrlimit(RLIMIT_FSIZE, &limit);
    doc.save();
  });
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("keep.ini")), "[s]\nk=old\n");
  EXPECT_EQ(entries_starting_with("keep.ini."), 0);
  doc.save();
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("keep.ini")), "[s]\r\nk=new\r\n");
}

TEST(IniGlobal, OpenSavesFirstAndExitSavesToTheLoadedFile) {
  ASSERT_EQ(chdir(qvl_test::temp_dir().c_str()), 0);
  write_file(qvl_test::temp_path("a.ini"), "[o]\ninput=1\n");
  qvl_test::ChildResult r = qvl_test::run_in_child([] {
    qvl_ini_open(BasicString("a.ini"));
    qvl_ini_put(BasicString("o"), BasicString("input"), BasicString("2"));
    qvl_ini_open(BasicString("b.ini"));  // saves a.ini first
    qvl_ini_put(BasicString("o"), BasicString("autofire"), BasicString("1"));
    // The shutdown changes folder before the exit-time save.
    mkdir("elsewhere", 0777);
    if (chdir("elsewhere") != 0) std::exit(1);
    std::exit(0);
  });
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("a.ini")), "[o]\r\ninput=2\r\n");
  EXPECT_EQ(qvl_test::read_file(qvl_test::temp_path("b.ini")), "[o]\r\nautofire=1\r\n");
  EXPECT_FALSE(plat_path_info(qvl_test::temp_path("elsewhere/b.ini").c_str()).exists);

  qvl_ini_open(BasicString("a.ini"));
  EXPECT_STREQ(qvl_ini_get(BasicString("O"), BasicString("INPUT"), BasicString("")).c_str(), "2");
  qvl_ini_open(BasicString(""));
  EXPECT_EQ(qvl_ini_document().sections.count, 0);
}

}  // namespace
