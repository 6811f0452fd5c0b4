// Mesh preparation: smooth normals (welded) and the edge list at 1k, 10k and
// 50k triangles against the plain quadratic searches at 1k and 10k; and
// loading a 50k-triangle binary object file against reading its bytes raw.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gfx3d/kvd_binary.h"
#include "gfx3d/kvd_file.h"
#include "gfx3d/mesh_records.h"
#include "platform/temp_folder.h"
#include "tests/gfx3d/literal_mesh.h"
#include "tests/gfx3d/mesh_fixtures.h"

namespace {

// A jittered grid of about n triangles (two a quad).
void make_grid(MeshObject& m, int64_t triangles) {
  const int w = triangles >= 50000 ? 250 : triangles >= 10000 ? 100 : 25;
  mesh_fixture::add_grid(m, w, static_cast<int>(triangles / (2 * w)), 42);
  m.build_value_table();
}

void BM_SmoothNormals(benchmark::State& state) {
  MeshObject m;
  make_grid(m, state.range(0));
  for (auto _ : state) {
    m.normals_ready = 0;
    m.smooth_normals(true, true, false);
    benchmark::DoNotOptimize(m.frames[0].vertices[1].nz);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SmoothNormals)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_SmoothNormalsLiteral(benchmark::State& state) {
  MeshObject m;
  make_grid(m, state.range(0));
  for (auto _ : state) {
    literal_smooth_normals(m, true, true, false);
    benchmark::DoNotOptimize(m.frames[0].vertices[1].nz);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SmoothNormalsLiteral)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_EdgeList(benchmark::State& state) {
  MeshObjectX m;
  make_grid(m, state.range(0));
  m.build_triangles();
  for (auto _ : state) {
    m.build_edges();
    benchmark::DoNotOptimize(m.edges[0].neighbour);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EdgeList)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_EdgeListLiteral(benchmark::State& state) {
  MeshObjectX m;
  make_grid(m, state.range(0));
  m.build_triangles();
  for (auto _ : state) {
    std::vector<int32_t> neighbours = literal_edge_neighbours(m);
    benchmark::DoNotOptimize(neighbours.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EdgeListLiteral)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// A 50k-triangle object written once as a binary file (about 3.3 MB).
const std::string& object_file() {
  static std::string path = [] {
    char dir[1024];
    qvl_os_temp_folder(dir, sizeof dir);
    std::string p = std::string(dir) + "qvl_bench_mesh.kvd";
    MeshObject m;
    make_grid(m, 50000);
    m.smooth_normals(true, true, false);
    qvl_kvd_write(m, p.c_str());
    return p;
  }();
  return path;
}

void BM_KvdRead50k(benchmark::State& state) {
  const std::string& name = object_file();
  for (auto _ : state) {
    MeshObject m;
    qvl_kvd_read(m, name.c_str());
    benchmark::DoNotOptimize(m.frames[0].vertices.count);
  }
  state.SetItemsProcessed(state.iterations() * 50000);
}
BENCHMARK(BM_KvdRead50k)->Unit(benchmark::kMillisecond);

void BM_KvdReadRawBytes50k(benchmark::State& state) {
  const std::string& name = object_file();
  std::vector<char> bytes(8 << 20);
  for (auto _ : state) {
    FILE* f = std::fopen(name.c_str(), "rb");
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    benchmark::DoNotOptimize(got);
  }
  state.SetItemsProcessed(state.iterations() * 50000);
}
BENCHMARK(BM_KvdReadRawBytes50k)->Unit(benchmark::kMillisecond);

}  // namespace
