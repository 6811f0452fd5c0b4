#include "files/ini_document.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <utility>

#include "files/file_channel.h"
#include "files/file_resolve.h"
#include "files/mem_file.h"
#include "platform/ascii.h"
#include "platform/file_io.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void set_growth(GrowVector<IniEntry>& v, int step, int minimum) {
  v.step = step;
  v.minimum = minimum;
}

// Lists up to this long are searched from the start; longer ones through
// an index, so that filling a document with puts takes linear time.
constexpr int kScanLimit = 16;

}  // namespace

// Each name (ASCII case folded, up to its first NUL, as names compare) with
// the position of the first element of the list that carries it. Elements
// are only ever appended while an index lives, so it catches up with new
// ones when asked; a removal drops the index.
struct IniNameIndex {
  std::unordered_map<std::string, int> first;
  int covered = 0;  // elements 0 .. covered - 1 are in the map
};

namespace {

std::string folded(const char* name) {
  std::string key(name);
  for (char& c : key) c = plat_ascii_lower(c);
  return key;
}

void drop_index(IniNameIndex*& index) {
  delete index;
  index = nullptr;
}

// The first element of list[0 .. count) whose name equals name.
template <class NameOf>
int find_named(IniNameIndex*& index, int count, const char* name, NameOf name_of) {
  if (count <= kScanLimit) {
    for (int i = 0; i < count; ++i)
      if (plat_ascii_equal_nocase(name_of(i), name)) return i;
    return -1;
  }
  if (!index) index = new IniNameIndex;
  if (index->covered > count) {
    index->first.clear();
    index->covered = 0;
  }
  for (; index->covered < count; ++index->covered)
    index->first.emplace(folded(name_of(index->covered)), index->covered);
  auto it = index->first.find(folded(name));
  return it == index->first.end() ? -1 : it->second;
}

int find_section(const IniDocument& doc, const char* name) {
  return find_named(doc.index, doc.sections.count, name,
                    [&](int i) { return doc.sections.data[i].name.c_str(); });
}

int find_entry(const IniSection& section, const char* key) {
  return find_named(section.index, section.entries.count, key,
                    [&](int i) { return section.entries.data[i].key.c_str(); });
}

// The bytes s[begin, end) as a string, NUL bytes included.
BasicString text_of(const std::string& s, size_t begin, size_t end) {
  BasicString text;
  const int n = static_cast<int>(end - begin);
  if (n <= 0) return text;
  text.reserve(n, false);
  std::memcpy(text.text, s.data() + begin, static_cast<size_t>(n));
  text.text[n] = '\0';
  text.length = n;
  return text;
}

// The current section goes into the document when it has entries; its
// entries are then emptied for the next header (its name stays).
void flush_section(IniDocument& doc, IniSection& current) {
  if (current.entries.count == 0) return;
  // The section moves into the document with its entry block; the current
  // one goes on with the same name and growth settings.
  BasicString name = current.name;
  doc.sections.push(std::move(current));
  current.name = name;
}

void parse_line(IniDocument& doc, IniSection& current, const std::string& line) {
  size_t i = 0;
  while (i < line.size() && is_blank(line[i])) ++i;
  if (i == line.size() || line[i] == ';') return;
  if (line[i] == '[') {
    flush_section(doc, current);
    ++i;
    while (i < line.size() && is_blank(line[i])) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != '\r' && line[i] != '=' && line[i] != ' ' &&
           line[i] != '\t' && line[i] != '\n')
      ++i;
    size_t end = i;
    if (end > start && line[end - 1] == ']') --end;
    if (end > start) current.name = text_of(line, start, end);
    return;
  }
  size_t key_start = i;
  while (i < line.size() && line[i] != '=' && !is_blank(line[i])) ++i;
  if (i == line.size()) return;  // a key alone
  size_t key_end = i;
  if (line[i] != '=') {
    while (i < line.size() && is_blank(line[i])) ++i;
    if (i == line.size() || line[i] != '=') return;
  }
  ++i;  // past '='
  while (i < line.size() && is_blank(line[i])) ++i;
  if (i == line.size()) return;  // no entry with an empty value
  size_t value_end = line.size();
  while (value_end > i && static_cast<unsigned char>(line[value_end - 1]) >= 1 &&
         static_cast<unsigned char>(line[value_end - 1]) <= 31)
    --value_end;
  IniEntry entry;
  entry.key = text_of(line, key_start, key_end);
  entry.value = text_of(line, i, value_end);
  current.entries.push(entry);
}

// A lone CR ends a line too: files written with CR-only line ends load
// line by line instead of as one line that the next save would lose.
void parse_lines(IniDocument& doc, IniSection& current, const std::string& text) {
  size_t start = 0;
  for (size_t cr; (cr = text.find('\r', start)) != std::string::npos; start = cr + 1)
    parse_line(doc, current, text.substr(start, cr - start));
  parse_line(doc, current, start == 0 ? text : text.substr(start));
}

// Text as written into the file: every byte (NULs too, so that a save
// gives back what was loaded), with line breaks turned into blanks so that
// a key or value cannot add lines of its own.
std::string one_line(const BasicString& s) {
  std::string text(s.text, static_cast<size_t>(s.length));
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

void append_section(std::string& out, const IniSection& section) {
  out += '[';
  out += one_line(section.name);
  out += "]\r\n";
  for (int j = 0; j < section.entries.count; ++j) {
    const IniEntry& e = section.entries.data[j];
    out += one_line(e.key);
    out += '=';
    out += one_line(e.value);
    out += "\r\n";
  }
}

}  // namespace

// --- Sections -----------------------------------------------------------------

IniSection::IniSection() { set_growth(entries, 32, 32); }

IniSection::IniSection(const IniSection& other) : IniSection() { *this = other; }

IniSection& IniSection::operator=(const IniSection& other) {
  if (this == &other) return *this;
  name = other.name;
  drop_index(index);
  entries.clear(true);
  set_growth(entries, other.entries.step, other.entries.minimum);
  if (other.entries.capacity > 0 && !entries.reserve(other.entries.capacity - 1))
    return *this;
  for (int i = 0; i < other.entries.count; ++i) entries.push(other.entries.data[i]);
  return *this;
}

IniSection::IniSection(IniSection&& other) noexcept : IniSection() {
  *this = std::move(other);
}

IniSection& IniSection::operator=(IniSection&& other) noexcept {
  if (this == &other) return *this;
  name = std::move(other.name);
  drop_index(index);
  std::swap(index, other.index);
  entries.clear(true);
  std::swap(entries.data, other.entries.data);
  std::swap(entries.count, other.entries.count);
  std::swap(entries.capacity, other.entries.capacity);
  set_growth(entries, other.entries.step, other.entries.minimum);
  return *this;
}

IniSection::~IniSection() {
  drop_index(index);
  entries.clear(true);
}

// --- Document -------------------------------------------------------------------

IniDocument::IniDocument() {
  sections.step = 16;
  sections.minimum = 8;
}

IniDocument::~IniDocument() {
  save();
  reset();
  sections.clear(true);
}

void IniDocument::reset() {
  drop_index(index);
  dirty = 0;
  file_name.assign_cstr("");
  sections.clear(true);
}

void IniDocument::load(const BasicString& name) {
  reset();
  sections.step = 16;
  sections.minimum = 8;
  BasicString resolved(name);
  if (!qvl_file_resolve(resolved)) resolved = name;
  // Kept absolute: the document is written back to the file it came from,
  // even after the program has changed its current folder.
  if (!qvl_mem_file_is_name(resolved.c_str()) && !resolved.empty()) {
    std::string absolute = plat_path_absolute(resolved.c_str());
    if (!absolute.empty()) resolved.assign_cstr(absolute.c_str());
  }
  file_name = resolved;

  FileChannel channel;
  if (!channel.open_read(file_name.c_str())) return;
  if (channel.size > kIniMaxFileBytes) {
    channel.close();
    reset();
    return;
  }
  IniSection current;
  TextLine piece;
  std::string line;
  // Whole lines, however long and with every byte: the pieces of a long line
  // are joined, so its rest is never taken for a line of its own.
  while (qvl_text_read_line(channel, piece)) {
    // It grew past the bound while loading (the last line of the data
    // leaves the position one past its end).
    if (channel.position > kIniMaxFileBytes + 1) {
      channel.close();
      reset();
      return;
    }
    line.append(piece.text, static_cast<size_t>(piece.bytes));
    if (piece.cut) continue;
    parse_lines(*this, current, line);
    line.clear();
  }
  if (!line.empty()) parse_lines(*this, current, line);
  flush_section(*this, current);
  channel.close();
}

void IniDocument::save() {
  if (!dirty || file_name.empty() || qvl_mem_file_is_name(file_name.c_str())) return;
  // Sections with the empty name come first: only there does a "[]" header
  // reload under the empty name (elsewhere it keeps the previous name).
  std::string out;
  for (int i = 0; i < sections.count; ++i)
    if (sections.data[i].name.c_str()[0] == '\0') append_section(out, sections.data[i]);
  for (int i = 0; i < sections.count; ++i)
    if (sections.data[i].name.c_str()[0] != '\0') append_section(out, sections.data[i]);

  PlatReplace replace;
  if (!plat_replace_begin(file_name.c_str(), replace)) return;
  if (plat_file_write(replace.file, out.data(), out.size()))
    plat_replace_commit(replace);
  else
    plat_replace_abandon(replace);
}

// --- Operations -------------------------------------------------------------------

BasicString qvl_ini_get_in(const IniDocument& doc, const BasicString& section,
                           const BasicString& key, const BasicString& default_value) {
  int s = find_section(doc, section.c_str());
  if (s < 0) return default_value;
  const IniSection& sec = doc.sections.data[s];
  int e = find_entry(sec, key.c_str());
  if (e < 0) return default_value;
  return sec.entries.data[e].value;
}

void qvl_ini_put_in(IniDocument& doc, const BasicString& section,
                    const BasicString& key, const BasicString& value) {
  int s = find_section(doc, section.c_str());
  if (key.empty()) {
    if (s < 0) return;
    int last = doc.sections.count - 1;
    if (s != last) doc.sections.data[s] = std::move(doc.sections.data[last]);
    doc.sections.count = last;
    drop_index(doc.index);
    doc.dirty = 1;
    return;
  }
  if (s < 0) {
    IniSection fresh;
    fresh.name = section;
    set_growth(fresh.entries, 128, 512);
    if (!doc.sections.push(std::move(fresh))) return;
    s = doc.sections.count - 1;
  }
  IniSection& sec = doc.sections.data[s];
  int e = find_entry(sec, key.c_str());
  if (e >= 0) {
    doc.dirty = 1;
    if (!value.empty()) {
      sec.entries.data[e].value = value;
    } else {
      int last = sec.entries.count - 1;
      if (e != last) {
        sec.entries.data[e].key = sec.entries.data[last].key;
        sec.entries.data[e].value = sec.entries.data[last].value;
      }
      sec.entries.count = last;
      drop_index(sec.index);
    }
    return;
  }
  if (value.empty()) return;
  doc.dirty = 1;
  IniEntry entry;
  entry.key = key;
  entry.value = value;
  sec.entries.push(entry);
}

IniDocument& qvl_ini_document() {
  // Built on first use and never destroyed by the runtime's own exit order:
  // qvl_ini_at_exit saves and releases it.
  static IniDocument* doc = [] {
    IniDocument* d = new IniDocument;
    d->sections.step = 128;
    d->sections.minimum = 512;
    std::atexit(qvl_ini_at_exit);
    return d;
  }();
  return *doc;
}

void qvl_ini_open(const BasicString& name) {
  IniDocument& doc = qvl_ini_document();
  doc.save();
  if (name.empty())
    doc.reset();
  else
    doc.load(name);
}

BasicString qvl_ini_get(const BasicString& section, const BasicString& key,
                        const BasicString& default_value) {
  return qvl_ini_get_in(qvl_ini_document(), section, key, default_value);
}

void qvl_ini_put(const BasicString& section, const BasicString& key,
                 const BasicString& value) {
  qvl_ini_put_in(qvl_ini_document(), section, key, value);
}

void qvl_ini_at_exit() {
  IniDocument& doc = qvl_ini_document();
  doc.save();
  doc.file_name.assign_cstr("");
  drop_index(doc.index);
  doc.sections.clear(true);
}
