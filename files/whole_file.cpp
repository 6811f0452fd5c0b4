#include "files/whole_file.h"

#include <cstdint>
#include <cstdlib>

#include "files/mem_file.h"
#include "platform/file_io.h"

WholeFile::~WholeFile() {
  std::free(owned);
  channel.close();
}

bool qvl_file_read_whole(const char* name, WholeFile& file, int64_t max_size) {
  if (!name || !file.channel.open_read(name)) return false;
  FileChannel& ch = file.channel;
  if (ch.size < 0 || ch.size > INT32_MAX || ch.size > max_size) return false;
  file.size = static_cast<size_t>(ch.size);
  if (ch.block) {
    file.data = ch.block;
    return true;
  }
  file.owned = static_cast<uint8_t*>(std::malloc(file.size + 1));
  if (!file.owned || !ch.read(file.owned, static_cast<int>(file.size))) return false;
  file.data = file.owned;
  return true;
}

bool qvl_file_replace_whole(const char* name, const void* data, size_t size) {
  if (!name || !*name || qvl_mem_file_is_name(name)) return false;
  PlatReplace replace;
  if (!plat_replace_begin(name, replace)) return false;
  if (!plat_file_write(replace.file, data, size)) {
    plat_replace_abandon(replace);
    return false;
  }
  return plat_replace_commit(replace);
}
