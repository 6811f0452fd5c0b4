#include "game/options_file.h"

#include "core/logs.h"
#include "files/ini_document.h"
#include "files/paths.h"
#include "files/plat_query.h"

namespace {

const BasicString kSection("options");

int read_int(const char* key, int current) {
  BasicString fallback;
  fallback.init_int(current);
  return qvl_ini_get(kSection, BasicString(key), fallback).to_int();
}

void write_int(const char* key, int value) {
  BasicString text;
  text.init_int(value);
  qvl_ini_put(kSection, BasicString(key), text);
}

}  // namespace

BasicString options_file_path(const BasicString& app_data) {
  if (app_data.empty() || app_data.compare_text("NO_DATA") == 0) return BasicString();
  BasicString folder(app_data);
  folder.append_cstr("/ZEMO");
  qvl_file_create_dir(folder);  // an existing folder is fine
  folder.append_cstr("/playgame.ini");
  return folder;
}

int options_load_save(Tplaygame& playgame, int load) {
  BasicString key("APPDATA");
  const BasicString file = options_file_path(qvl_plat_query(key));
  if (file.empty()) return 0;
  BasicString line("Save to: ");
  line.append(file);
  line.append_char('\n');
  qvl_log_print(line);
  qvl_ini_open(file);
  if (load) {
    playgame.input = read_int("input", playgame.input);
    playgame.autofire = read_int("autofire", playgame.autofire);
  } else {
    write_int("input", playgame.input);
    write_int("autofire", playgame.autofire);
  }
  qvl_ini_open(BasicString());
  return 0;
}
