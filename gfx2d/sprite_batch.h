// Consecutive textured quads drawn under one GL state - sprites, animation
// frames, lines of bitmap text - gathered and sent to GL in one draw call.
//
// While quads wait, GL must stay exactly as it was when they were added:
// whatever changes GL state, draws in another way, reads pixels or
// textures, or presents calls qvl_gfx_flush_sprites() first. The gfx2d state
// caches (enable flags, colour, texture binding and parameters) do so on
// every real change; the 3D engine and the host call it before GL work of
// their own, and so does any code that reads the frame with GL directly.
//
// Each quad goes out as the very triangles, vertex for vertex and in the
// same order, that drawing it alone makes of it (a triangle fan, or for
// text a four-vertex strip), so the picture is the same to the bit.
// Main thread only.
#pragma once

#include <cstdint>

struct QuadVertex;
struct TexVertex;

// How a quad's four vertices make its two triangles.
enum class QuadOrder { kFan, kStrip };

// True while quads wait to be drawn.
extern bool qvl_gfx_sprites_waiting;
// Draws the waiting quads.
void qvl_gfx_draw_waiting_sprites();
inline void qvl_gfx_flush_sprites() {
  if (qvl_gfx_sprites_waiting) qvl_gfx_draw_waiting_sprites();
}

// Draws the waiting quads and has GL start on all it has been given
// (glFlush). Mesa's llvmpipe gathers what it is given into one scene until
// then, and a scene of many thousand triangles costs it more for each of
// them (it takes fresh memory for it every frame): a long run of drawing
// handed over in parts costs less CPU and starts the rasteriser sooner.
void qvl_gfx_hand_over();

// True when quads wait that sample this texture: a quad with the same
// texture and the same state joins them.
bool qvl_gfx_batch_samples(uint32_t texture);

// Adds textured quads, four vertices each, drawn with `texture`, which the
// caller has bound with every other state the quads need.
void qvl_gfx_batch_quads(uint32_t texture, QuadOrder order, const TexVertex* vertices,
                         int quads);
// One quad given as the corners of a 2D triangle fan.
void qvl_gfx_batch_fan(uint32_t texture, const QuadVertex quad[4]);

// On (the default): quads are gathered. Off: each is drawn at once by its
// own call, as a fan or strip; tests compare the two pictures.
extern bool qvl_gfx_batching;
