// The mesh builds as plain searches through all earlier vertices and all
// later triangles: quadratic, and obviously right. The tests hold the fast
// builds to their results; the bench measures against them.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx3d/mesh_records.h"

// Smooth normals (and tangents) of every frame, each frame with its own key
// table searched from its last entry backwards. Ignores and keeps the
// object's flags; builds no triangles.
void literal_smooth_normals(MeshObject& object, bool normals, bool weld, bool tangents);

// The neighbour of every edge entry of frame 0's triangle list.
std::vector<int32_t> literal_edge_neighbours(const MeshObjectX& object);
