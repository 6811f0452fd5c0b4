// Movies through libmpv's render API, drawn into the current OpenGL context.
// libmpv pulls in a few hundred shared libraries, so it is opened with
// dlopen when the first movie plays, not at start-up. Every call here that
// runs while a movie plays returns at once: state arrives through observed
// properties and events, never through a blocking query. Main thread only.
#pragma once

struct PlatMovie;

struct PlatMovieStatus {
  bool ended;  // the player reached the end, or gave up on the file
  bool failed;  // the player gave up on the file: the reason is in plat_movie_error()
  double position_ms;  // -1 while unknown
  double duration_ms;  // -1 while unknown
};

// Starts playing path (loop: the player repeats it until closed). The
// decoder refuses frames of more than max_frame_pixels from the sizes the
// file declares, before it allocates one: the player then gives up on the
// file (PlatMovieStatus::failed). The GL context that will show the movie
// must be current. Null, with the reason
// in plat_movie_error(), when libmpv or its renderer cannot be set up.
PlatMovie* plat_movie_open(const char* path, bool loop, long long max_frame_pixels);
const char* plat_movie_error();
// Takes every pending event without waiting.
void plat_movie_poll(PlatMovie* movie, PlatMovieStatus* status);
// Draws the newest frame into the default framebuffer (width x height, the
// picture scaled to fit and centred) when the player has one ready; true
// when something was drawn and the buffers want swapping.
bool plat_movie_render(PlatMovie* movie, int width, int height);
// Stops and destroys the player (this may wait for its threads).
void plat_movie_close(PlatMovie* movie);

// Puts back the GL state the player's renderer leaves behind: texture unit
// 0 active with no texture, no program, buffer, vertex array or framebuffer
// bound, unpack alignment 4, no scissor, the usual alpha blend function.
void plat_gl_reset_after_movie();
