// State of building objects vertex by vertex, and the mesh build mode
// command. The building operations themselves are Rainbows3D's
// (gfx3d/rainbows3d.h).
#pragma once

#include <cstdint>

// The object number being built, -1 when none.
extern int32_t qvl_x3d_building_object;

// How end-object makes normals: 0 none, 1 smooth over list positions, 2
// smooth over welded positions. n mod 3 is stored with the sign of n, so
// negative numbers act as 0.
void qvl_x3d_set_mesh_build_mode(int n);
