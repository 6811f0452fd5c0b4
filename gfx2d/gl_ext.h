// OpenGL entry points beyond 1.1, fetched when the window's context is made.
// Each stays null unless the extension that provides it is listed, because a
// look-up by name never fails on this platform.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

extern PFNGLACTIVETEXTUREARBPROC glActiveTextureARB_;
extern PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB_;
extern PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB_;
extern PFNGLGENBUFFERSARBPROC glGenBuffersARB_;
extern PFNGLBINDBUFFERARBPROC glBindBufferARB_;
extern PFNGLBUFFERDATAARBPROC glBufferDataARB_;
extern PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB_;
extern PFNGLMAPBUFFERARBPROC glMapBufferARB_;
extern PFNGLUNMAPBUFFERARBPROC glUnmapBufferARB_;
extern PFNGLGETBUFFERPARAMETERIVARBPROC glGetBufferParameterivARB_;

extern PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB_;
extern PFNGLDELETEOBJECTARBPROC glDeleteObjectARB_;
extern PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB_;
extern PFNGLSHADERSOURCEARBPROC glShaderSourceARB_;
extern PFNGLCOMPILESHADERARBPROC glCompileShaderARB_;
extern PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB_;
extern PFNGLATTACHOBJECTARBPROC glAttachObjectARB_;
extern PFNGLGETINFOLOGARBPROC glGetInfoLogARB_;
extern PFNGLLINKPROGRAMARBPROC glLinkProgramARB_;
extern PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB_;
extern PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB_;
extern PFNGLUNIFORM1FARBPROC glUniform1fARB_;
extern PFNGLUNIFORM1IARBPROC glUniform1iARB_;
extern PFNGLGETATTRIBLOCATIONARBPROC glGetAttribLocationARB_;
extern PFNGLVERTEXATTRIB1FARBPROC glVertexAttrib1fARB_;

// Set when the window system can change the swap interval.
extern bool qvl_gfx_swap_control;

// Fetches the entry points the extension list offers (plain substring
// search, as the driver lists them); a null list fetches none. Entry points
// of an extension that is not listed are reset to null.
void qvl_gfx_load_gl_extensions(const char* extensions);
