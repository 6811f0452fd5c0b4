// The 162 unit vectors that binary object files give normals by: the
// vertex-normal table of the MD2 model format, entry for entry.
#pragma once

constexpr int kVertexNormalCount = 162;
extern const float vertex_normal_table[kVertexNormalCount][3];

// The index a binary file stores for a normal: the entry closest to its
// direction. Ties go to the later entry; the first exact match ends the
// search; a zero normal gets 0.
int qvl_kvd_normal_index(float nx, float ny, float nz);
