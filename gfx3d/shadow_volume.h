// The geometry of a stencil shadow volume: the silhouette edges of a part
// as seen from the shadow light, each extruded away from the light to
// infinity as a quad, and the caps that close the volume. Drawing sends
// these points to GL twice (front faces counting up, back faces down).
#pragma once

#include "core/grow_vector.h"
#include "gfx3d/mesh_records.h"

// A homogeneous point: w = 1 a point, w = 0 a direction at infinity.
struct ShadowPoint {
  float x, y, z, w;
};

struct ShadowVolume {
  GrowVector<ShadowPoint> quads;  // four points a quad
  GrowVector<ShadowPoint> caps;   // three points a triangle
};

// Fills volume from the part's silhouette (MeshObjectX::build_shadow_volume
// first) and a triangle list of the same length (the vertices as drawn):
// per silhouette edge a -> b the quad b, a, a - L, b - L; with caps, every
// triangle as its points when it faces the light, else as the directions
// away from it. False when memory ran out (volume then empty).
bool qvl_x3d_shadow_volume(const MeshObjectX& part, const GrowVector<MeshVertex>& triangles,
                           const float light[3], bool caps, ShadowVolume& volume);
