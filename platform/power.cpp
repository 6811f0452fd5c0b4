#include "platform/power.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The first line of a small sysfs file, without its line end.
std::string read_line(const std::string& path) {
  std::string text;
  FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) return text;
  char buf[64];
  if (std::fgets(buf, sizeof buf, f) != nullptr) text = buf;
  std::fclose(f);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

int qvl_power_battery_percent_at(const char* power_supply_dir) {
  DIR* dir = opendir(power_supply_dir);
  if (dir == nullptr) return 255;
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] != '.') names.push_back(e->d_name);
  }
  closedir(dir);
  // Directory order is arbitrary; take BAT0 before BAT1.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::string base = std::string(power_supply_dir) + "/" + name + "/";
    if (read_line(base + "type") != "Battery") continue;
    std::string capacity = read_line(base + "capacity");
    if (capacity.empty()) continue;
    char* end = nullptr;
    long value = std::strtol(capacity.c_str(), &end, 10);
    if (end == capacity.c_str() || value < 0) continue;
    return static_cast<int>(std::min(value, 255L));
  }
  return 255;
}

int qvl_power_battery_percent() {
  return qvl_power_battery_percent_at("/sys/class/power_supply");
}
