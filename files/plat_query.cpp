#include "files/plat_query.h"

#include <sys/stat.h>
#include <time.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/logs.h"
#include "files/device_id.h"
#include "files/langid_table.h"
#include "platform/ascii.h"
#include "platform/display_dpi.h"
#include "platform/folders.h"
#include "platform/gl_entry_points.h"
#include "platform/locale.h"
#include "platform/power.h"
#include "platform/temp_folder.h"

namespace {

PlatAppInfoFn g_compiled = nullptr;
PlatAppInfoFn g_host_id = nullptr;
PlatAppInfoFn g_version = nullptr;

BasicString no_data() { return BasicString("NO_DATA"); }

BasicString app_info(PlatAppInfoFn fn) {
  if (fn == nullptr) return no_data();
  BasicString out;
  fn(out);
  return out;
}

// "2024-03-09 05:11:00"
BasicString date_time(bool utc) {
  time_t now = time(nullptr);
  struct tm t;
  bool ok = utc ? gmtime_r(&now, &t) != nullptr : localtime_r(&now, &t) != nullptr;
  if (!ok) return no_data();
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return BasicString(buf);
}

// "1" when the entry point can be used with the current GL context; else "0"
// and one line in the error log.
BasicString gl_extension(const char* name) {
  if (qvl_gl_entry_available(name)) return BasicString("1");
  char line[280];
  std::snprintf(line, sizeof line, "ext: %-35s   [FAILED]", name);  // cut to fit
  qvl_log_error_file(line);
  return BasicString("0");
}

BasicString battery() {
  int percent = qvl_power_battery_percent();
  BasicString out;
  out.append_int(percent > 100 ? 100 : percent);
  return out;
}

BasicString documents() {
  std::string folder = qvl_folder_documents();
  return folder.empty() ? no_data() : BasicString(folder.c_str());
}

BasicString temp_folder() {
  char buf[1024];
  qvl_os_temp_folder(buf, sizeof buf);
  return BasicString(buf);
}

BasicString dpi() {
  BasicString out;
  out.append_int(qvl_display_dpi());
  return out;
}

bool make_dir_if_missing(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  return mkdir(path.c_str(), 0777) == 0;
}

}  // namespace

void qvl_plat_set_app_info(PlatAppInfoFn compiled, PlatAppInfoFn host_id, PlatAppInfoFn version) {
  g_compiled = compiled;
  g_host_id = host_id;
  g_version = version;
}

BasicString qvl_plat_app_data_folder() {
  std::string config = qvl_folder_config();
  if (config.empty()) return BasicString();
  // ~/.config itself may not exist yet on a fresh account.
  make_dir_if_missing(config);
  std::string folder = config + "/Quarvel";
  make_dir_if_missing(folder);
  return BasicString(folder.c_str());
}

BasicString qvl_plat_locale_code(uint16_t langid) {
  const char* listed = qvl_langid_table_code(langid);
  std::string code = listed != nullptr ? listed : "us";
  for (char& c : code) c = plat_ascii_lower(c);
  if (code == "eng" || code == "english-uk") code = "uk";
  if (code.size() > 2) code.resize(2);
  static const char* const kFixups[][2] = {
      {"c", "us"},  {"el", "gr"}, {"du", "nl"}, {"am", "us"},
      {"en", "us"}, {"ja", "jp"}, {"po", "pl"},
  };
  for (const auto& f : kFixups) {
    if (code == f[0]) code = f[1];
  }
  return BasicString(code.size() == 2 ? code.c_str() : "us");
}

BasicString qvl_plat_query(BasicString& key) {
  // The GL entry name keeps the caller's case; the key itself is upper-cased.
  std::string original(key.text, static_cast<size_t>(key.length));
  for (int i = 0; i < key.length; ++i) {
    char& c = key.text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  const char* k = key.text;
  auto is = [k](const char* name) { return std::strcmp(k, name) == 0; };

  if (is("")) return BasicString("WIN32");
  if (is("DEVICE")) return BasicString("DESKTOP");
  if (std::strncmp(k, "GLEXT:", 6) == 0) return gl_extension(original.c_str() + 6);
  if (is("ID")) return qvl_plat_device_id();
  if (is("TIME")) return date_time(false);
  if (is("UTCTIME")) return date_time(true);
  if (is("BATTERY")) return battery();
  if (is("COMPILED")) return app_info(g_compiled);
  if (is("HOSTID")) return app_info(g_host_id);
  if (is("VERSION")) return app_info(g_version);
  if (is("LOCALE")) return qvl_plat_locale_code(qvl_locale_ui_langid());
  if (is("DOCUMENTS")) return documents();
  if (is("APPDATA")) {
    BasicString folder = qvl_plat_app_data_folder();
    return folder.empty() ? no_data() : folder;
  }
  if (is("TEMP")) return temp_folder();
  if (is("DPI")) return dpi();
  return no_data();
}
