// Movies: played in the main window until they end or the user types a
// character or presses a mouse button; looped movies run until then. The
// program waits meanwhile (no frames are drawn) while window messages and
// looping music carry on. Main thread only.
#pragma once

#include "core/basic_string.h"

// Most pixels a movie frame may have: the decoder refuses larger frames
// from the sizes the file declares (4096 x 4096: 4K and DCI 4K pictures
// fit, 8K ones do not). A frame costs the decoder and the renderer about
// ten bytes a pixel, so a 35-byte GIF declaring a 16000 x 16000 screen
// would otherwise take 2 GB.
constexpr long long kMovieMaxPixels = 4096LL * 4096;

// 0 when the movie played; 3 when the file cannot be found, the player
// cannot be set up, or the player gives up on the file (one it cannot
// open, or frames past kMovieMaxPixels), with the reason in the error log.
int qvl_video_play(const BasicString& name, int loop);
int qvl_video_play_once(const BasicString& name);
int qvl_video_play_looped(const BasicString& name);
