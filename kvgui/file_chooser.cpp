// The file chooser: walks the directory tree (a button per part of the
// current path in a large dialog, a combo box of subdirectories) and picks
// a file to open, a name to save under, or a directory. It works in the
// current directory, which it changes as the user moves and restores at
// the end.
//
// Unlike the chooser it replaces, it creates a new file through a file of
// its own rather than the program's channel 1, never takes a folder's name
// for a file, tests the extension with its dot, goes from "/" to "/" on
// "..", and leaves out names that hold the item separator "|".
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/basic_array.h"
#include "core/string_commands.h"
#include "core/string_ops.h"
#include "files/dir_listing.h"
#include "files/file_channel.h"
#include "files/paths.h"
#include "kvgui/construction.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/file_chooser.h"
#include "kvgui/item_list.h"
#include "kvgui/modal_dialogs.h"
#include "kvgui/modal_loop.h"
#include "kvgui/properties.h"
#include "kvgui/show.h"
#include "kvgui/style.h"

namespace {

bool holds(const BasicString& s, char c) {
  return s.length > 0 && std::memchr(s.text, c, size_t(s.length)) != nullptr;
}

bool ends_with(const BasicString& s, char c) { return s.length > 0 && s.text[s.length - 1] == c; }

BasicString child_path(const KvguiPathParts& parts, const BasicString& name) {
  BasicString path = kvgui_join_path(parts, parts.components.size());
  if (!ends_with(path, '/')) path.append_char('/');
  path.append(name);
  return path;
}

// Makes the path current; false (error 3 noted) when it cannot be.
bool change_dir(const BasicString& path) {
  BasicString copy(path);
  return qvl_file_set_current_dir(copy) != 0.0;
}

struct Chooser {
  int open, directory;
  BasicString pattern;
  int width, height;
  bool large;
  // Shown now: the path's parts and the subdirectories in the combo box.
  KvguiPathParts parts;
  std::vector<BasicString> dirs;
};

void build(Chooser& c) {
  kvgui_init_dialog();
  kvgui_set("", "MOVEABLE", 1);
  kvgui_set("", "SCALEABLE", 0);
  kvgui_set("", "TEXT", BasicString(kvgui_locale_is("de") ? "Datei ausw\xE4hlen:" : "Pick a file:"));
  c.parts = kvgui_split_path(qvl_file_current_dir());
  if (c.large) {
    for (size_t i = 0; i < c.parts.components.size(); ++i)
      kvgui_add_button(qvl_str_concat_cstr_int("bt_br", int(i)), c.parts.components[i], 0, 0);
    kvgui_add_separator();
  }
  BasicArray<BasicString> names;
  const int64_t listed = static_cast<int64_t>(qvl_file_list_dir(c.pattern, names));
  const int dir_count = std::min<int64_t>(listed / 65536, names.size1);
  // A name holding "|" would split into two items: such names are left out.
  c.dirs.clear();
  std::vector<BasicString> files;
  for (int i = 0; i < names.size1; ++i) {
    const BasicString& name = names.data[i];
    if (holds(name, '|')) continue;
    if (i >= dir_count)
      files.push_back(name);
    else if (!(name.length == 1 && name.text[0] == '.'))
      c.dirs.push_back(name);
  }
  kvgui_add_combo(BasicString("ls_dir"), kvgui_join_items(c.dirs), c.width - 20, 0);
  kvgui_set("ls_dir", "SELECT", -1);
  kvgui_add_separator();
  if (!c.directory) {
    kvgui_add_list(BasicString("ls_file"), kvgui_join_items(files), c.width - 20,
                   c.large ? c.height - 184 : c.height - 120);
    kvgui_set("ls_file", "SELECT", -1);
    kvgui_add_separator();
    kvgui_add_single_text(BasicString("tx_file"), BasicString(), c.width - 20);
  }
  kvgui_add_separator();
  kvgui_add_button(BasicString("bt_ok"), BasicString("OK"), 0, 0);
  kvgui_add_button(BasicString("bt_cancel"), BasicString("Cancel"), 0, 0);
}

// The path to save under: the pattern's extension added unless the name
// has it. A folder's name names no file; a new file is created empty.
BasicString save_path(BasicString path, const BasicString& pattern) {
  const int dot = qvl_str_find(pattern, ".", 0);
  const BasicString ext = dot < 0 ? pattern : qvl_str_substring(pattern, dot + 1, -1);
  if (ext.length > 0 && !(ext.length == 1 && ext.text[0] == '*')) {
    BasicString dotted(".");
    dotted.append(ext);
    const BasicString tail =
        path.length >= dotted.length ? qvl_str_substring(path, path.length - dotted.length, -1)
                                     : BasicString();
    if (qvl_str_compare_nocase(tail, dotted) != 0) path.append(dotted);
  }
  if (qvl_file_is_dir(path)) return BasicString();
  if (qvl_file_exists(path)) return path;
  FileChannel file;
  if (!file.open_write(path.text)) return BasicString();
  file.close();
  return path;
}

// What "OK" gives.
BasicString chosen(const Chooser& c) {
  const BasicString name = c.directory ? BasicString() : kvgui_get("tx_file", "TEXT");
  if (!c.directory && name.length == 0) return BasicString();
  BasicString path = qvl_file_current_dir();
  if (!ends_with(path, '/')) path.append_char('/');
  path.append(name);
  if (!c.open && !c.directory) return save_path(path, c.pattern);
  if (c.directory) {
    // Without its trailing "/", but the root stays "/".
    while (path.length > 1 && ends_with(path, '/')) path.truncate(path.length - 1);
    return qvl_file_is_dir(path) ? path : BasicString();
  }
  return qvl_file_exists(path) ? path : BasicString();
}

}  // namespace

KvguiPathParts kvgui_split_path(const BasicString& path) {
  KvguiPathParts parts;
  int rest = 0;
  const char* p = path.text;
  if (path.length >= 2 && p[1] == ':') {
    rest = 2;
  } else if ((path.length >= 3 && p[1] == '/' && p[2] == '/') ||
             (path.length >= 2 && p[0] == '~' && p[1] == '/')) {
    rest = 1;
  }
  parts.drive = qvl_str_substring(path, 0, rest);
  parts.components = kvgui_split_fields(qvl_str_substring(path, rest, -1), '/');
  // One component or none: an empty one before it stands for the root.
  if (parts.components.size() < 2) parts.components.insert(parts.components.begin(), BasicString());
  return parts;
}

BasicString kvgui_join_path(const KvguiPathParts& parts, size_t count) {
  BasicString path(parts.drive);
  bool any = false;
  for (size_t i = 0; i < count && i < parts.components.size(); ++i) {
    if (parts.components[i].length == 0) continue;
    path.append_char('/');
    path.append(parts.components[i]);
    any = true;
  }
  if (!any) path.append_char('/');
  return path;
}

BasicString kvgui_choose_file(int open, const BasicString& pattern, int directory) {
  BasicString kept = qvl_file_current_dir();
  kvgui_apply_font_scaling();
  int sw = 0, sh = 0;
  kvgui_drawing_size(&sw, &sh);
  Chooser c;
  c.open = open;
  c.directory = directory;
  c.pattern = pattern;
  c.width = std::min(sw, 480);
  c.height = std::min(sh, 480);
  c.large = c.width > 400 && c.height > 400;
  kvgui_push_dialog_sliding(0, 0, c.width, c.height, 1);
  KvguiModal modal;
  build(c);

  BasicString result;
  while (modal.on_top()) {
    kvgui_show_all();
    if (!modal.on_top()) break;
    bool moved = false;
    if (c.large) {
      for (size_t j = 0; j < c.parts.components.size() && !moved; ++j) {
        if (!kvgui_was_clicked(qvl_str_concat_cstr_int("bt_br", int(j)).text)) continue;
        change_dir(kvgui_join_path(c.parts, j + 1));
        moved = true;
      }
    }
    if (!moved && kvgui_was_clicked("ls_dir")) {
      const int pick = kvgui_get_int("ls_dir", "SELECT");
      if (pick >= 0 && size_t(pick) < c.dirs.size()) {
        const BasicString& name = c.dirs[size_t(pick)];
        const bool up = name.length == 2 && name.text[0] == '.' && name.text[1] == '.';
        change_dir(up ? kvgui_join_path(c.parts, c.parts.components.size() - 1)
                      : child_path(c.parts, name));
        moved = true;
      }
    }
    if (moved) {
      build(c);
      continue;
    }
    if (!directory && kvgui_was_clicked("ls_file"))
      kvgui_set("tx_file", "TEXT",
                kvgui_get_widget_item(BasicString("ls_file"), kvgui_get_int("ls_file", "SELECT")));
    if (kvgui_was_clicked("bt_ok")) {
      result = chosen(c);
      break;
    }
    if (kvgui_was_clicked("bt_cancel") || kvgui_escape_pressed()) break;
    modal.show_screen();
  }
  modal.close(1);
  change_dir(kept);
  return result;
}
