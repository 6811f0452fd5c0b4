// kvdtool: converts a 3D object file (text or binary) to the binary form,
// and dumps a file's header, frames and triangles as text.
//
//   kvdtool convert <in.kvd> <out.kvd>
//   kvdtool dump <file.kvd>
#include <cstdio>
#include <cstring>

#include "files/whole_file.h"
#include "gfx3d/kvd_binary.h"
#include "gfx3d/kvd_file.h"
#include "gfx3d/kvd_text.h"

namespace {

static_assert(kKvdMaxRecords == 8388608, "the message below names the limit");

const char* status_text(KvdStatus s) {
  switch (s) {
    case KvdStatus::ok: return "ok";
    case KvdStatus::bad_version: return "a version outside 1.02 .. 2.0";
    case KvdStatus::malformed: return "not a readable .kvd file";
    case KvdStatus::too_large: return "more than 8388608 records once built";
    case KvdStatus::no_memory: return "out of memory";
  }
  return "unknown";
}

// Reads and prepares the object as loading does; false with a message.
bool load(const char* name, MeshObjectX& object, WholeFile& file, double& version) {
  if (!qvl_file_read_whole(name, file, kKvdMaxFileBytes)) {
    if (file.channel.size > kKvdMaxFileBytes)
      std::fprintf(stderr, "%s: more than %lld bytes\n", name,
                   static_cast<long long>(kKvdMaxFileBytes));
    else
      std::fprintf(stderr, "%s: cannot be read\n", name);
    return false;
  }
  const KvdStatus s = qvl_kvd_parse(file.data, file.size, object, version);
  if (s != KvdStatus::ok) {
    std::fprintf(stderr, "%s: %s\n", name, status_text(s));
    return false;
  }
  if (!object.build_triangles()) std::fprintf(stderr, "%s: frames differ in triangles\n", name);
  object.compute_bounds();
  return true;
}

int convert(const char* in, const char* out) {
  WholeFile file;
  MeshObjectX object;
  double version = 0;
  if (!load(in, object, file, version)) return 1;
  KvdBytes bytes;
  const KvdEncodeStatus s = qvl_kvd_encode(object, bytes);
  if (s != KvdEncodeStatus::ok) {
    std::fprintf(stderr, "%s: cannot be written: %s\n", in, qvl_kvd_encode_text(s));
    return 1;
  }
  if (!qvl_file_replace_whole(out, bytes.data, bytes.size)) {
    std::fprintf(stderr, "%s: cannot be written\n", out);
    return 1;
  }
  return 0;
}

// version: the binary file's, or -1 for a text file.
void dump_header(const WholeFile& file, double version, const MeshObjectX& object) {
  if (version >= 0) {
    std::printf("binary version %.4g\n", version);
  } else {
    KvdTextReader reader;
    qvl_kvd_read_text(reader, file.data, file.size);
    std::printf("text version %.4g: %d texture pairs, %d faces, %d corners\n", reader.version,
                reader.tex_coords.count, reader.faces.count, reader.corners.count);
  }
  std::printf("frames %d, records %d, normals %s\nvalues %d:", object.frames.count,
              object.frames.count > 0 ? object.frames[0].vertices.count : 0,
              object.normals_ready ? "given" : "none", object.values.count);
  for (int i = 0; i < object.values.count; ++i) std::printf(" %08x", object.values[i]);
  std::printf("\n");
}

int dump(const char* name) {
  WholeFile file;
  MeshObjectX object;
  double version = -1;
  if (!load(name, object, file, version)) return 1;
  dump_header(file, version, object);
  for (int f = 0; f < object.frames.count; ++f) {
    const MeshFrame& frame = object.frames[f];
    std::printf("frame %d: %d records, %d triangles, sphere (%g %g %g) radius %g\n", f,
                frame.vertices.count, frame.triangles.count / 3, frame.bound_x, frame.bound_y,
                frame.bound_z, frame.bound_radius);
    for (int i = 0; i + 2 < frame.triangles.count; i += 3) {
      std::printf("  %d:", i / 3);
      for (int k = 0; k < 3; ++k) {
        const MeshVertex& v = frame.triangles[i + k];
        std::printf(" (%g %g %g / %g %g)", v.x, v.y, v.z, v.u, v.v);
      }
      std::printf(" %06x\n", frame.triangles[i].colour);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "convert") == 0) return convert(argv[2], argv[3]);
  if (argc == 3 && std::strcmp(argv[1], "dump") == 0) return dump(argv[2]);
  std::fprintf(stderr,
               "usage: kvdtool convert <in.kvd> <out.kvd>   text or binary in, binary out\n"
               "       kvdtool dump <file.kvd>              header, frames and triangles\n");
  return 2;
}
