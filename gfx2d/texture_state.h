// What GL holds for each texture's sampling parameters, and which texture
// is bound on unit 0, so that drawing sets a wrap mode or filter only when
// the texture does not already have it. A needless parameter change costs
// the driver far more than the draw it precedes.
//
// The wrap mode is kept twice: the mode the drawing code last gave the
// texture ("wanted") and the mode GL has ("held"). Binding a sprite for 2D
// drawing only records the wanted mode; each draw then applies the wanted
// mode of what it draws with, so a texture drawn as clamped quads again and
// again never turns to repeat and back in between. Filters are applied as
// they are set.
//
// Code that binds textures or sets their parameters goes through these
// functions; code outside gfx2d that does either behind them calls
// qvl_gfx_tex_forget_binding (and for parameters qvl_gfx_tex_forget_held).
// Main thread only.
#pragma once

#include <cstdint>

// glBindTexture(GL_TEXTURE_2D, name) on the active unit, recorded as unit
// 0's binding (the 2D code keeps unit 0 active outside its binders).
void qvl_gfx_tex_bind(uint32_t name);
// glGenTextures of one name, which starts with nothing known of it.
void qvl_gfx_tex_generate(uint32_t* name);
// glDeleteTextures of one name (not 0), after the waiting sprites that may
// sample it are drawn; a binding of it falls back to 0, as in GL.
void qvl_gfx_tex_delete(uint32_t name);
// The texture bound on unit 0 is no longer known; the next parameter change
// asks GL.
void qvl_gfx_tex_forget_binding();
// The texture behind this name is new or gone: nothing is known of it.
void qvl_gfx_tex_forget(uint32_t name);
// A new GL context: nothing is known of any texture or binding.
void qvl_gfx_tex_new_context();
// Every held parameter of every texture is unknown (the wanted wrap modes
// stay): the next draw sets them again.
void qvl_gfx_tex_forget_held();

// The wrap mode (S and T) that the next draw with the bound texture uses;
// GL is not touched.
void qvl_gfx_tex_want_wrap(int32_t mode);
// Gives the bound texture its wanted wrap mode when GL holds another.
void qvl_gfx_tex_apply_wrap();
// Wants and applies at once.
void qvl_gfx_tex_set_wrap(int32_t mode);
// Minification and magnification filters of the bound texture.
void qvl_gfx_tex_set_filters(int32_t min_filter, int32_t mag_filter);
// The magnification filter GL holds for a texture: as recorded, else asked
// of GL (the texture is bound for the question, then the previous binding
// comes back) and recorded.
int32_t qvl_gfx_tex_mag_filter(uint32_t name);

// For tests: the wrap mode GL holds for a texture by this record, 0 when
// unknown.
int32_t qvl_gfx_tex_held_wrap(uint32_t name);
