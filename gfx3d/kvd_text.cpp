// Reading the text object file: the tokeniser, the three lists, and the
// object built from them.
#include "gfx3d/kvd_text.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/maths.h"
#include "core/number_text.h"

namespace {

bool is_white(uint8_t c) { return c == 9 || c == 10 || c == 13 || c == 32; }

// A decimal number as the nearest float; beyond the float range it becomes
// an infinity, as the hardware's conversion gives.
float to_float(double d) {
  if (d > FLT_MAX) return HUGE_VALF;
  if (d < -FLT_MAX) return -HUGE_VALF;
  return static_cast<float>(d);
}

// Room for n elements; a list that grows item by item doubles its block, so
// that a large file is not copied over and over.
template <class T>
bool make_room(GrowVector<T>& list, int64_t n) {
  if (n < list.capacity) return true;
  int64_t want = 2 * static_cast<int64_t>(list.capacity);
  if (want < n) want = n;
  if (want > INT32_MAX / 2) want = n;
  return list.reserve(static_cast<int>(want));
}

}  // namespace

void qvl_kvd_read_line(KvdTextSource& file) {
  const size_t left = file.size - file.position;
  const size_t window = left < 512 ? left : 512;
  const void* lf = std::memchr(file.data + file.position, '\n', window);
  if (lf) {
    file.position = static_cast<size_t>(static_cast<const uint8_t*>(lf) - file.data) + 1;
  } else {
    file.position += window;
  }
}

const char* qvl_kvd_read_word(char* token, KvdTextSource& file) {
  int length = 0;
  bool started = false;
  while (file.position < file.size) {
    const uint8_t c = file.data[file.position++];
    if (c == '#') {
      qvl_kvd_read_line(file);
      if (started) break;
      continue;
    }
    if (is_white(c)) {
      if (started) break;
      continue;
    }
    started = true;
    // Bytes past the buffer are read and dropped: a word is cut, never
    // written beyond its room.
    if (length < KvdTextReader::kTokenSize - 1) token[length++] = static_cast<char>(c);
  }
  token[length] = '\0';
  return started ? token : nullptr;
}

float qvl_kvd_read_number(char* token, KvdTextSource& file) {
  const char* word = qvl_kvd_read_word(token, file);
  return word ? to_float(qvl_fmt_atof(word)) : 0.0f;
}

namespace {

class TextParser {
 public:
  TextParser(KvdTextReader& state, const uint8_t* data, size_t size)
      : s_(state), in_{data, size, 0} {}

  KvdStatus run() {
    const char* magic = qvl_kvd_read_word(s_.token, in_);
    if (!magic || std::strcmp(magic, "KVDA") != 0) return KvdStatus::malformed;
    s_.version = qvl_kvd_read_number(s_.token, in_);
    if (s_.version > 1.1f) return KvdStatus::malformed;
    const int normals = s_.version == 1.1f ? 3 : 0;
    KvdStatus st = tex_coords();
    if (st == KvdStatus::ok) st = faces();
    if (st == KvdStatus::ok) st = frames(normals);
    return st;
  }

 private:
  // A number inside a list: the data must still hold it.
  bool number(float& out) {
    const char* word = qvl_kvd_read_word(s_.token, in_);
    if (!word) return false;
    out = to_float(qvl_fmt_atof(word));
    return true;
  }
  bool integer(int32_t& out) {
    float f;
    if (!number(f)) return false;
    out = qvl_math_truncate_int(f);
    return true;
  }
  // A list's count: 0 when the data has ended, none for 0 or less. A count
  // of items of `numbers` tokens each needs at least that many bytes.
  KvdStatus count(int32_t& n, int numbers) {
    n = qvl_math_truncate_int(qvl_kvd_read_number(s_.token, in_));
    if (n < 0) n = 0;
    const uint64_t least = static_cast<uint64_t>(n) * static_cast<uint64_t>(numbers);
    return least > in_.size - in_.position ? KvdStatus::malformed : KvdStatus::ok;
  }

  KvdStatus tex_coords() {
    int32_t n;
    if (count(n, 2) != KvdStatus::ok) return KvdStatus::malformed;
    if (!s_.tex_coords.reserve(n)) return KvdStatus::no_memory;
    for (int i = 0; i < n; ++i) {
      KvdTexCoord& t = s_.tex_coords[i];
      if (!number(t.u) || !number(t.v)) return KvdStatus::malformed;
    }
    s_.tex_coords.count = n;
    return KvdStatus::ok;
  }

  KvdStatus faces() {
    int32_t n;
    if (count(n, 4) != KvdStatus::ok) return KvdStatus::malformed;
    if (!s_.faces.reserve(n)) return KvdStatus::no_memory;
    for (int i = 0; i < n; ++i) {
      KvdFace face{};
      int32_t k;
      if (!integer(face.red) || !integer(face.green) || !integer(face.blue) || !integer(k))
        return KvdStatus::malformed;
      if (k < 0) k = 0;
      if (static_cast<uint64_t>(k) * 2 > in_.size - in_.position) return KvdStatus::malformed;
      face.first_corner = s_.corners.count;
      face.corner_count = k;
      if (!make_room(s_.corners, s_.corners.count + k)) return KvdStatus::no_memory;
      for (int j = 0; j < k; ++j) {
        KvdCorner& c = s_.corners[s_.corners.count + j];
        if (!integer(c.vertex_index) || !integer(c.tex_index)) return KvdStatus::malformed;
      }
      s_.corners.count += k;
      s_.faces[i] = face;
      s_.faces.count = i + 1;
    }
    return KvdStatus::ok;
  }

  KvdStatus frames(int normals) {
    const int per_vertex = 3 + normals;
    int32_t n;
    if (count(n, 1) != KvdStatus::ok) return KvdStatus::malformed;
    if (!s_.frame_vertices.reserve(n)) return KvdStatus::no_memory;
    for (int f = 0; f < n; ++f) {
      int32_t m;
      float mf;
      if (!number(mf)) return KvdStatus::malformed;
      m = qvl_math_truncate_int(mf);
      if (m < 0) m = 0;
      if (static_cast<uint64_t>(m) * per_vertex > in_.size - in_.position)
        return KvdStatus::malformed;
      KvdFrameList list{s_.vertices.count, m};
      if (!make_room(s_.vertices, s_.vertices.count + m)) return KvdStatus::no_memory;
      for (int i = 0; i < m; ++i) {
        KvdVertex& v = s_.vertices[s_.vertices.count + i];
        v.nx = v.ny = v.nz = 0.0f;
        if (!number(v.x) || !number(v.y) || !number(v.z)) return KvdStatus::malformed;
        if (normals && (!number(v.nx) || !number(v.ny) || !number(v.nz)))
          return KvdStatus::malformed;
      }
      s_.vertices.count += m;
      s_.frame_vertices[f] = list;
      s_.frame_vertices.count = f + 1;
    }
    return KvdStatus::ok;
  }

  KvdTextReader& s_;
  KvdTextSource in_;
};

}  // namespace

KvdStatus qvl_kvd_read_text(KvdTextReader& state, const uint8_t* data, size_t size) {
  state.faces.count = state.corners.count = state.tex_coords.count = 0;
  state.vertices.count = state.frame_vertices.count = 0;
  state.version = 0;
  return TextParser(state, data, size).run();
}

namespace {

// Every corner must name a vertex of every frame and, when the file has
// texture coordinates, one of those.
bool corners_in_range(const KvdTextReader& s) {
  int32_t fewest = INT32_MAX;
  for (int f = 0; f < s.frame_vertices.count; ++f)
    if (s.frame_vertices[f].vertex_count < fewest) fewest = s.frame_vertices[f].vertex_count;
  for (int i = 0; i < s.corners.count; ++i) {
    const KvdCorner& c = s.corners[i];
    if (c.vertex_index < 0 || (s.frame_vertices.count > 0 && c.vertex_index >= fewest))
      return false;
    if (s.tex_coords.count > 0 && (c.tex_index < 0 || c.tex_index >= s.tex_coords.count))
      return false;
  }
  return true;
}

void build_frame(const KvdTextReader& s, const KvdFrameList& frame, GrowVector<MeshVertex>& out) {
  const KvdVertex* verts = s.vertices.data + frame.first_vertex;
  const bool textured = s.tex_coords.count > 0;
  int n = 0;
  for (int fi = 0; fi < s.faces.count; ++fi) {
    const KvdFace& face = s.faces[fi];
    out[n++] = qvl_mesh_run_start(kRunFan);
    const uint32_t colour = (static_cast<uint32_t>(face.red) & 0xFF) |
                            (static_cast<uint32_t>(face.green) & 0xFF) << 8 |
                            (static_cast<uint32_t>(face.blue) & 0xFF) << 16;
    for (int j = 0; j < face.corner_count; ++j) {
      const KvdCorner& c = s.corners[face.first_corner + j];
      const KvdVertex& v = verts[c.vertex_index];
      MeshVertex& r = out[n++];
      std::memset(&r, 0, sizeof r);
      r.x = v.x, r.y = v.y, r.z = v.z;
      r.nx = v.nx, r.ny = v.ny, r.nz = v.nz;
      if (textured) {
        r.u = s.tex_coords[c.tex_index].u;
        r.v = -s.tex_coords[c.tex_index].v;
      }
      qvl_mesh_set_colour(r, colour);
    }
  }
  out.count = n;
}

}  // namespace

KvdStatus qvl_kvd_text_to_object(const KvdTextReader& s, MeshObject& object,
                                 int64_t max_records) {
  object.clear();
  if (!corners_in_range(s)) return KvdStatus::malformed;
  // Every frame repeats every face: weighed before anything is built.
  const int64_t per_frame = static_cast<int64_t>(s.faces.count) + s.corners.count;
  const int64_t frames = s.frame_vertices.count;
  int64_t triangles = 0;  // each face is one fan
  for (int i = 0; i < s.faces.count; ++i) triangles += std::max(0, s.faces[i].corner_count - 2);
  if (qvl_kvd_object_records(frames, per_frame, triangles) > max_records) return KvdStatus::too_large;
  if (!object.frames.reserve(static_cast<int>(frames))) return KvdStatus::no_memory;
  for (int f = 0; f < frames; ++f) {
    MeshFrame& frame = object.frames[f];
    frame.vertices.count = frame.triangles.count = 0;
    if (!frame.vertices.reserve(static_cast<int>(per_frame))) return KvdStatus::no_memory;
    object.frames.count = f + 1;
    build_frame(s, s.frame_vertices[f], frame.vertices);
  }
  if (!object.build_value_table()) return KvdStatus::no_memory;
  if (s.version == 1.1f) {
    object.normals_ready = 1;
  } else {
    object.smooth_normals(true, true, false);
  }
  return KvdStatus::ok;
}
