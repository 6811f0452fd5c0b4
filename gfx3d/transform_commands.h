// The language's commands over the 3D engine's transform stack. Each works
// on the one engine (qvl_x3d_engine) and does nothing without it.
//
// A matrix in a number array is 16 numbers in column-major order (the
// translation in elements 12, 13, 14).
#pragma once

#include "core/basic_array.h"

// A new level on top of the current one, starting from its matrix; at the
// sixteenth level nothing happens.
void qvl_x3d_push_transform();
// Back to the level below; at level 0, level 0 is emptied to the identity.
void qvl_x3d_pop_transform();
// Each restarts the current level on its parent's matrix, dropping its
// turns and matrices, and keeps the other of position and scaling.
void qvl_x3d_set_position(double x, double y, double z);
void qvl_x3d_set_scale(double x, double y, double z);
// Adds a turn by angle degrees about (x, y, z); past 16 turns ignored.
void qvl_x3d_rotate(double angle, double x, double y, double z);
// Adds the matrix of a one-dimensional 16-element array (any other array
// is ignored); past 16 matrices ignored.
void qvl_x3d_multiply_matrix(BasicArray<double>& array);
// The camera matrix, or the current level's matrix brought up to date,
// into the array (dimensioned to 16 elements unless it has that shape).
void qvl_x3d_get_camera_matrix(BasicArray<double>& array);
void qvl_x3d_get_object_matrix(BasicArray<double>& array);
