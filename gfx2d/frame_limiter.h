// The arithmetic of the frame limiter, apart from any clock.
#pragma once

// What one pass of the wait does with `left` milliseconds before the frame
// is due: a positive result is the sleep in milliseconds (left - 3 while more
// than 7 are left), 0 means pump and look again (spin while more than 1 is
// left), -1 means the wait is over.
int qvl_frame_wait_step(double left);

// The due time of the next frame after a wait that ended at `now`: one
// period on; two when the frame was late by up to a period; when later still,
// one period from now. A period of 0 or less leaves it unchanged.
double qvl_frame_next_time(double next, double now, double period);
