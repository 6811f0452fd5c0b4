// The sprite table: ids, their ranges, and loading images into sprites.
// The table itself is the graphics object's `sprites` block (SpriteSlot in
// gfx2d/opengl_rainbows.h); these are the rules around it.
#pragma once

#include "gfx2d/opengl_rainbows.h"

// Free searches start here and go down. (Emulated render targets keep their
// scratch copy in id 65536, which no search returns.)
constexpr int kTopProgramSprite = 65503;
// The images of the 32 font slots; uploaded with NEAREST filtering.
constexpr int kFirstFontSprite = 65504;

// Ids that index the table (0 to 65536).
inline bool qvl_sprite_id_valid(int id) { return id >= 0 && id < kSpriteCount; }

// The commands' check of a sprite id from a program: true when it indexes
// the table; otherwise runtime error 7 is raised (the program goes on) and
// the command must change nothing. The methods behind the commands leave
// ids to their callers.
bool qvl_sprite_id_checked(int id);

// As OpenGLRainbows::set_sprite_image, for an image the caller is done
// with: the upload may take it apart to build the mipmapped twin in its
// block (it is then left empty). Unchanged when the upload fails.
bool qvl_sprite_take_image(OpenGLRainbows& gfx, int id, PixelImage& image, bool normal_map);

// Uploads the image into sprite id (taking it, as above); while that fails
// and the image is wider or taller than 512 pixels, halves the image in
// place (logging each step) and tries again. The tail of the sprite loader,
// for images already decoded.
bool qvl_sprite_upload_halving(OpenGLRainbows& gfx, int id, PixelImage& image, bool normal_map);
