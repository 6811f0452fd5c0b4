// Text printed into 3D space for the 3D engine: standing in the scene and
// facing the camera, or flat on the screen at a projected point.
#pragma once

class Rainbows3D;

// Fills the 3D engine's current modelview and projection matrices (16
// floats each, column-major, as loaded into GL). The 2D code cannot see
// the engine's record, so the start-up installs the engine's reader here
// when it creates the engine; until then (a graphics object without an
// engine) the matrices are read back from GL.
using QvlEngineMatricesFn = void (*)(const Rainbows3D* engine, float modelview[16],
                                     float projection[16]);
extern QvlEngineMatricesFn qvl_gfx_engine_matrices;
// The reader of GL's current modelview and projection matrices.
void qvl_gfx_gl_matrices(const Rainbows3D* engine, float modelview[16], float projection[16]);
