#include "gfx3d/scene_package.h"

#include <string>

#include "core/basic_string.h"
#include "core/logs.h"
#include "core/number_text.h"
#include "files/file_resolve.h"
#include "files/ini_document.h"
#include "files/mem_file.h"
#include "files/whole_file.h"
#include "gfx2d/image_files.h"
#include "gfx2d/pixel_image.h"
#include "gfx2d/texture_upload.h"
#include "gfx3d/kvd_file.h"
#include "platform/ascii.h"

namespace {

std::string value_of(const IniDocument& doc, const char* section, const std::string& key,
                     const char* missing) {
  const BasicString v =
      qvl_ini_get_in(doc, BasicString(section), BasicString(key.c_str()), BasicString(missing));
  return std::string(v.c_str(), static_cast<size_t>(v.length));
}

// atoi's reading: the leading integer, 0 when there is none.
int number_of(const IniDocument& doc, const char* section, const std::string& key) {
  return qvl_fmt_atoi(value_of(doc, section, key, "0").c_str());
}

int entries_of(const IniDocument& doc, const char* section) {
  for (int i = 0; i < doc.sections.count; ++i) {
    if (plat_ascii_equal_nocase(doc.sections[i].name.c_str(), section))
      return doc.sections[i].entries.count;
  }
  return 0;
}

// The folder the package's names are relative to: up to its last '/' or
// '\'. A memory file has none: "mem://" would make every name look like
// one.
std::string folder_of(const char* name) {
  if (qvl_mem_file_is_name(name)) return std::string();
  const std::string text(name);
  const size_t slash = text.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
}

// Disk, memory file or archive entry; empty when found nowhere (the load
// that follows then fails).
BasicString resolved(const std::string& folder, const std::string& file) {
  BasicString name((folder + file).c_str());
  if (!qvl_file_resolve(name)) name.assign_cstr("");
  return name;
}

// The texture of an image file, 0 when none of the readers takes it. The
// texels its header declares (sides rounded as uploaded) are added to
// `texels` before it is decoded; an image of more texels than are left is
// not decoded at all (the package is then refused).
uint32_t load_texture(const char* name, uint32_t colour_key, int64_t texels_left,
                      int64_t& texels) {
  WholeFile file;
  int64_t w = 0, h = 0;
  if (!qvl_file_read_whole(name, file) || !qvl_img_declared_size(file.data, file.size, w, h) ||
      w <= 0 || h <= 0)
    return 0;
  // Saturates short of overflow for any sides a header declares.
  const int64_t declared = qvl_tex_texels_for(w, h, false);
  texels = declared > INT64_MAX - texels ? INT64_MAX : texels + declared;
  if (declared > texels_left) return 0;
  PixelImage image;
  if (!qvl_img_decode(image, file.data, file.size, name, colour_key)) return 0;
  if (!image.has_alpha) image.bleed_transparent_pixels();
  uint32_t texture = 0;
  qvl_tex_upload_rect(image, 0, 0, 0, 0, &texture, nullptr, false, false);
  return texture;
}

// A texture number from 1: 0 and 1 both give index 0, negative numbers
// stay (no texture), and numbers past the list give none either.
int32_t texture_index(int number, int count) {
  if (number <= 0) return number;
  return number <= count ? number - 1 : -1;
}

bool count_ok(int count, const IniDocument& doc, const char* section, const char* name) {
  if (count >= 0 && count <= kPackageMaxEntries && count <= entries_of(doc, section)) return true;
  const std::string line = std::string("Bad scene package: [") + section + "] count " +
                           std::to_string(count) + ": " + name + "\n";
  qvl_log_error_file(line.c_str());
  return false;
}

// A package past its limits: the error log says which, and the slot goes
// back to empty with whatever was loaded.
bool refuse(ObjectSlot& slot, const char* what, int64_t limit, const char* unit, const char* name) {
  const std::string line = std::string("Bad scene package: ") + what + " take more than " +
                           std::to_string(limit) + " " + unit + ": " + name + "\n";
  qvl_log_error_file(line.c_str());
  slot.clear_parts(true);
  return false;
}

}  // namespace

bool qvl_x3d_load_package(const char* name, ObjectSlot& slot, uint32_t colour_key,
                          const PackageLimits& limits) {
  IniDocument doc;
  doc.load(BasicString(name));
  const int textures = number_of(doc, "textures", "count");
  const int objects = number_of(doc, "objects", "count");
  if (!count_ok(textures, doc, "textures", name) || !count_ok(objects, doc, "objects", name))
    return false;
  const std::string folder = folder_of(name);

  slot.used = 1;
  slot.package = 1;
  if (textures > 0 && !slot.textures.reserve(textures - 1)) return false;
  slot.textures.count = textures;
  for (int i = 0; i < textures; ++i) slot.textures[i] = 0;
  int64_t texels = 0;
  for (int i = 0; i < textures; ++i) {
    const BasicString file = resolved(folder, value_of(doc, "textures", std::to_string(i + 1), "0"));
    slot.textures[i] = load_texture(file.c_str(), colour_key, limits.texture_texels - texels, texels);
    if (texels > limits.texture_texels)
      return refuse(slot, "its textures", limits.texture_texels, "texels", name);
  }

  if (objects > 0 && !slot.parts.reserve(objects - 1)) return false;
  slot.parts.count = objects;
  int64_t records = 0;  // what the parts so far hold
  for (int j = 0; j < objects; ++j) {
    MeshObjectX& part = slot.parts[j];
    const std::string key = std::to_string(j + 1);
    const BasicString file = resolved(folder, value_of(doc, "objects", key, "0"));
    WholeFile bytes;
    if (qvl_kvd_read_file(file.c_str(), bytes) &&
        qvl_kvd_load_bytes(part, bytes.data, bytes.size, file.c_str(), limits.records - records) ==
            KvdStatus::too_large)
      return refuse(slot, "its objects", limits.records, "records", name);
    records += qvl_kvd_object_records(part);
    part.texture_a = texture_index(number_of(doc, "objects", key + "ta"), textures);
    part.texture_b = texture_index(number_of(doc, "objects", key + "tb"), textures);
    part.build();
    part.compute_bounds();
  }
  return true;
}
