#include "gfx3d/kvd_file.h"

#include <algorithm>
#include <string>

#include "core/logs.h"
#include "core/number_text.h"
#include "files/whole_file.h"
#include "gfx3d/kvd_binary.h"

namespace {

std::string two_decimals(double v) {
  const BasicString text = qvl_fmt_fixed_double(0, 2, v);
  return std::string(text.text, text.length);
}

void report(KvdStatus status, double version, int64_t max_records, const char* file_name) {
  if (status == KvdStatus::bad_version) {
    const std::string line = "Wrong .kvd version: " + two_decimals(version) + ". Can use 1.02-" +
                             two_decimals(kKvdVersionMax) + "\n";
    qvl_log_error_file(line.c_str());
  }
  if (status == KvdStatus::too_large) {
    const std::string line = "Too large .kvd: more than " + std::to_string(max_records) + " records\n";
    qvl_log_error_file(line.c_str());
  }
  qvl_log_error_file(status == KvdStatus::no_memory ? "# malloc error\n" : "# read error\n");
  const std::string name = std::string(file_name) + "\n";
  qvl_log_error_file(name.c_str());
}

}  // namespace

bool qvl_kvd_read_file(const char* file_name, WholeFile& file) {
  if (!file_name || !*file_name) return false;
  if (qvl_file_read_whole(file_name, file, kKvdMaxFileBytes)) return true;
  if (file.channel.size > kKvdMaxFileBytes) {
    const std::string line = "Too large .kvd: more than " + std::to_string(kKvdMaxFileBytes) +
                             " bytes\n# read error\n" + file_name + "\n";
    qvl_log_error_file(line.c_str());
  }
  return false;
}

bool qvl_kvd_read(MeshObject& object, const char* file_name) {
  object.clear();
  WholeFile file;
  if (!qvl_kvd_read_file(file_name, file)) return false;
  return qvl_kvd_read_bytes(object, file.data, file.size, file_name);
}

bool qvl_kvd_read_bytes(MeshObject& object, const uint8_t* data, size_t size,
                        const char* file_name) {
  return qvl_kvd_load_bytes(object, data, size, file_name, kKvdMaxRecords) == KvdStatus::ok;
}

KvdStatus qvl_kvd_load_bytes(MeshObject& object, const uint8_t* data, size_t size,
                             const char* file_name, int64_t max_records) {
  object.clear();
  double version = 0;
  // Held to what a file of its size may build, whatever share is left.
  max_records = std::min(max_records, qvl_kvd_records_for_file(size));
  const KvdStatus status = qvl_kvd_parse(data, size, object, version, max_records);
  if (status != KvdStatus::ok) report(status, version, max_records, file_name ? file_name : "");
  return status;
}

bool qvl_kvd_write(const MeshObject& object, const char* file_name) {
  if (!file_name) return false;
  KvdBytes bytes;
  if (qvl_kvd_encode(object, bytes) != KvdEncodeStatus::ok) return false;
  return qvl_file_replace_whole(file_name, bytes.data, bytes.size);
}

bool qvl_kvd_write_slot(const ObjectSlot& slot, const char* file_name) {
  return slot.parts.count > 0 && qvl_kvd_write(slot.parts[0], file_name);
}
