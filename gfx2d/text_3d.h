// Text printed into 3D space for the 3D engine: standing in the scene and
// facing the camera, or flat on the screen at a projected point.
#pragma once

class Rainbows3D;

// Fills the 3D engine's current modelview and projection matrices (16
// floats each, column-major, as loaded into GL). The engine installs its
// own reader; the default one reads them back from GL, where the engine
// has loaded them.
using QvlEngineMatricesFn = void (*)(const Rainbows3D* engine, float modelview[16],
                                     float projection[16]);
extern QvlEngineMatricesFn qvl_gfx_engine_matrices;
