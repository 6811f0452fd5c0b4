// The last step of the smooth normals (MeshObject::smooth_normals), shared
// with the tests' plain search: the sums of every shared vertex, normalised,
// into the records that share it.
#pragma once

#include <cstdint>

#include "core/grow_vector.h"
#include "gfx3d/mesh_records.h"
#include "gfx3d/vec3.h"

struct VertexAxes {
  Vec3 normal, tangent, bitangent;
};

// entry_of[i] is record i's entry, or -1 for a run start (left alone).
void qvl_mesh_store_axes(GrowVector<MeshVertex>& list, const int32_t* entry_of,
                         VertexAxes* entries, int entry_count, bool normals, bool tangents);
