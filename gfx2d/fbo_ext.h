// The framebuffer-object entry points that render targets draw through,
// fetched once per GL context. Each stays null unless the driver lists
// GL_EXT_framebuffer_object (a look-up by name never fails here), and tests
// may replace one with a wrapper to make that call fail.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

extern PFNGLBINDRENDERBUFFEREXTPROC glBindRenderbufferEXT_;
extern PFNGLDELETERENDERBUFFERSEXTPROC glDeleteRenderbuffersEXT_;
extern PFNGLGENRENDERBUFFERSEXTPROC glGenRenderbuffersEXT_;
extern PFNGLRENDERBUFFERSTORAGEEXTPROC glRenderbufferStorageEXT_;
extern PFNGLBINDFRAMEBUFFEREXTPROC glBindFramebufferEXT_;
extern PFNGLDELETEFRAMEBUFFERSEXTPROC glDeleteFramebuffersEXT_;
extern PFNGLGENFRAMEBUFFERSEXTPROC glGenFramebuffersEXT_;
extern PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC glCheckFramebufferStatusEXT_;
extern PFNGLFRAMEBUFFERTEXTURE2DEXTPROC glFramebufferTexture2DEXT_;
extern PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC glFramebufferRenderbufferEXT_;
extern PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC glGetFramebufferAttachmentParameterivEXT_;

// Framebuffer objects can be used: glGenFramebuffersEXT was found.
extern int qvl_fbo_available;

// Fetches the eleven entry points; each one missing is logged as
// "ext: <name>   [FAILED]", and a missing glGenFramebuffersEXT also as
// "can't use framebuffer object".
void qvl_fbo_load_extensions();
// An entry point of a listed extension, or null (logged as above).
void* qvl_gfx_get_proc_address(const char* name);

// The framebuffer bound now; 0 without framebuffer objects.
int qvl_fbo_current_binding();
// The GL name attached as colour attachment 0 of the bound framebuffer; 0
// without framebuffer objects or without the query's entry point.
int qvl_fbo_attachment_name();
