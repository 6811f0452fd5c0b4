#include "files/device_id.h"

#include <time.h>

#include <cstring>
#include <initializer_list>

#include "core/isaac.h"
#include "files/file_channel.h"
#include "files/plat_query.h"
#include "files/sys_timer.h"

namespace {

uint32_t g_rand_state = 1;

// An id file is one short line; a larger file is not ours to trust whole.
constexpr int64_t kMaxIdFileBytes = 4096;

bool is_trim_char(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The stored id, trimmed; empty when the file is missing, unreadable or blank.
BasicString read_id_file(const char* path) {
  BasicString id;
  FileChannel file;
  if (!file.open_read(path)) return id;
  int64_t size = file.size;
  if (size > 0 && size <= kMaxIdFileBytes) {
    char buf[kMaxIdFileBytes + 1];
    int n = static_cast<int>(size);
    if (file.read(buf, n)) {
      int start = 0;
      while (start < n && is_trim_char(buf[start])) ++start;
      while (n > start && is_trim_char(buf[n - 1])) --n;
      buf[n] = '\0';
      if (n > start) id.assign_cstr(buf + start);
    }
  }
  file.close();
  return id;
}

BasicString make_new_id() {
  // The calls are made in this fixed order: rand, ISAAC; time; ISAAC, rand;
  // timer, ISAAC.
  uint32_t r1 = static_cast<uint32_t>(qvl_msvc_rand());
  uint32_t i1 = qvl_rnd_next() & 0x7FFF;
  uint32_t v1 = (r1 << 16) | i1;
  uint32_t v2 = static_cast<uint32_t>(time(nullptr));
  uint32_t i2 = qvl_rnd_next() & 0x7FFF;
  uint32_t r2 = static_cast<uint32_t>(qvl_msvc_rand());
  uint32_t v3 = (i2 << 16) | r2;
  uint32_t ms = static_cast<uint32_t>(static_cast<int64_t>(qvl_sys_timer_since_start()));
  uint32_t i3 = qvl_rnd_next() & 0x7FFF;
  uint32_t v4 = ms + i3 * 65536u;
  BasicString id;
  for (uint32_t v : {v1, v2, v3, v4}) qvl_plat_append_hex_le(id, v);
  return id;
}

}  // namespace

int qvl_msvc_rand() {
  g_rand_state = g_rand_state * 214013u + 2531011u;
  return static_cast<int>((g_rand_state >> 16) & 0x7FFF);
}

void qvl_msvc_srand(uint32_t seed) { g_rand_state = seed; }

void qvl_plat_append_hex_le(BasicString& out, uint32_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int i = 0; i < 4; ++i) {
    unsigned byte = (value >> (8 * i)) & 0xFF;
    out.append_char(kDigits[byte >> 4]);
    out.append_char(kDigits[byte & 15]);
  }
}

BasicString qvl_plat_device_id() {
  BasicString folder = qvl_plat_app_data_folder();
  if (folder.empty()) return BasicString("FA17ED");
  BasicString path = folder;
  path.append_cstr("/quarvel.deviceid");

  BasicString stored = read_id_file(path.text);
  if (!stored.empty()) return stored;

  BasicString id = make_new_id();
  FileChannel file;
  bool opened = file.open_write(path.text);
  bool ok = opened && file.write_all(id.text, id.length);
  file.close();
  // A half-written id would be read back as the id next time.
  if (opened && !ok) qvl_file_path_remove(path.text);
  return ok ? id : BasicString("FA17ED");
}
