// Collision tests against a 10,000-triangle object (a 100 x 50 grid of
// quads, a little bumpy), against what a user would write instead: a plain
// Moller-Trumbore loop over the same triangle records for the nearest hit
// ahead, and the same loop over a packed array of nine floats a triangle.
//
// The engine's ray test also reports the nearest triangle behind the start
// and which face was hit; it runs with the object as placed (the level
// matrix the identity), turned and scaled evenly (the query goes into
// object space), and stretched unevenly (the triangles come out into the
// world). Each iteration is one ray from above the grid aimed at a random
// point of it; a sphere test on the same grid is measured alongside.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "gfx3d/rainbows3d.h"
#include "gfx3d/transform_commands.h"
#include "tests/gfx3d/mesh_fixtures.h"

namespace {

constexpr int kRays = 1024;

struct Ray {
  Vec3 start, direction;
};

struct CollisionScene {
  Rainbows3D engine{nullptr};
  std::vector<Ray> rays;
  std::vector<float> packed;  // nine floats a triangle

  CollisionScene() {
    ObjectSlot& slot = engine.objects[0];
    slot.parts.reserve(1);
    slot.parts.count = 1;
    MeshObjectX& part = slot.parts[0];
    mesh_fixture::add_grid(part, 100, 50, 3);
    part.build_triangles();
    part.compute_bounds();
    slot.used = 1;
    const GrowVector<MeshVertex>& list = part.frames[0].triangles;
    for (int i = 0; i < list.count; ++i)
      packed.insert(packed.end(), {list[i].x, list[i].y, list[i].z});
    std::mt19937 rng(9);
    std::uniform_real_distribution<float> x(0, 100), y(0, 50);
    for (int i = 0; i < kRays; ++i) {
      const Vec3 start{x(rng), y(rng), 20};
      rays.push_back({start, Vec3{x(rng), y(rng), 0} - start});
    }
  }

  const GrowVector<MeshVertex>& triangles() const {
    return engine.objects[0].parts[0].frames[0].triangles;
  }

  // Keeps every ray's result in the world: the transforms below move the
  // grid, so only the identity case is a like-for-like comparison.
  void place(int mode) {
    qvl_x3d_engine = &engine;
    qvl_x3d_pop_transform();
    if (mode == 1) {
      qvl_x3d_set_scale(2, 2, 2);
      qvl_x3d_rotate(30, 0, 0, 1);
    } else if (mode == 2) {
      qvl_x3d_set_scale(1, 2, 1);
    }
    engine.update_object_matrix();
    qvl_x3d_engine = nullptr;
  }
};

CollisionScene& scene() {
  static CollisionScene s;
  return s;
}

// The nearest hit ahead along d from p, Moller-Trumbore with its early
// exits; 0 for none.
inline float moller_trumbore(const float* t0, const float* t1, const float* t2, Vec3 p, Vec3 d,
                             float best) {
  const Vec3 a{t0[0], t0[1], t0[2]};
  const Vec3 e1 = Vec3{t1[0], t1[1], t1[2]} - a, e2 = Vec3{t2[0], t2[1], t2[2]} - a;
  const Vec3 h = cross(d, e2);
  const float det = dot(e1, h);
  if (det > -1e-9f && det < 1e-9f) return best;
  const float inv = 1.0f / det;
  const Vec3 s = p - a;
  const float u = dot(s, h) * inv;
  if (u < 0.0f || u > 1.0f) return best;
  const Vec3 q = cross(s, e1);
  const float v = dot(d, q) * inv;
  if (v < 0.0f || u + v > 1.0f) return best;
  const float t = dot(e2, q) * inv;
  return t > 0.0f && (best == 0.0f || t < best) ? t : best;
}

void BM_MeshCollision_HitRay(benchmark::State& state) {
  CollisionScene& s = scene();
  s.place(static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    const Ray& r = s.rays[i++ % kRays];
    benchmark::DoNotOptimize(s.engine.hit_ray(0, 0, r.start, r.direction));
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(state.range(0) == 0 ? "placed" : state.range(0) == 1 ? "turned, scaled 2" : "stretched");
}
BENCHMARK(BM_MeshCollision_HitRay)->Arg(0)->Arg(1)->Arg(2);

void BM_MeshCollision_MollerTrumboreRecords(benchmark::State& state) {
  CollisionScene& s = scene();
  const GrowVector<MeshVertex>& list = s.triangles();
  int i = 0;
  for (auto _ : state) {
    const Ray& r = s.rays[i++ % kRays];
    const Vec3 d = normalized(r.direction);
    float best = 0.0f;
    for (int k = 0; k + 2 < list.count; k += 3)
      best = moller_trumbore(&list[k].x, &list[k + 1].x, &list[k + 2].x, r.start, d, best);
    benchmark::DoNotOptimize(best);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeshCollision_MollerTrumboreRecords);

void BM_MeshCollision_MollerTrumborePacked(benchmark::State& state) {
  CollisionScene& s = scene();
  const float* f = s.packed.data();
  const size_t n = s.packed.size();
  int i = 0;
  for (auto _ : state) {
    const Ray& r = s.rays[i++ % kRays];
    const Vec3 d = normalized(r.direction);
    float best = 0.0f;
    for (size_t k = 0; k + 9 <= n; k += 9) best = moller_trumbore(f + k, f + k + 3, f + k + 6, r.start, d, best);
    benchmark::DoNotOptimize(best);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeshCollision_MollerTrumborePacked);

// A sphere of radius 0.3 resting on the grid at a random point: found
// among the first triangles or the last, depending on where it rests.
void BM_MeshCollision_HitSphere(benchmark::State& state) {
  CollisionScene& s = scene();
  s.place(0);
  int i = 0;
  for (auto _ : state) {
    const Ray& r = s.rays[i++ % kRays];
    const Vec3 c = r.start + r.direction;
    benchmark::DoNotOptimize(s.engine.hit_sphere(0, 0, 0.3f, {c.x, c.y, 0.25f}));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeshCollision_HitSphere);

}  // namespace
