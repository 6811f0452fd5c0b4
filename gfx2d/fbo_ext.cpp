#include "gfx2d/fbo_ext.h"

#include "core/logs.h"
#include "gfx2d/gfx_log.h"
#include "gfx2d/gl_ext.h"
#include "platform/video.h"

PFNGLBINDRENDERBUFFEREXTPROC glBindRenderbufferEXT_ = nullptr;
PFNGLDELETERENDERBUFFERSEXTPROC glDeleteRenderbuffersEXT_ = nullptr;
PFNGLGENRENDERBUFFERSEXTPROC glGenRenderbuffersEXT_ = nullptr;
PFNGLRENDERBUFFERSTORAGEEXTPROC glRenderbufferStorageEXT_ = nullptr;
PFNGLBINDFRAMEBUFFEREXTPROC glBindFramebufferEXT_ = nullptr;
PFNGLDELETEFRAMEBUFFERSEXTPROC glDeleteFramebuffersEXT_ = nullptr;
PFNGLGENFRAMEBUFFERSEXTPROC glGenFramebuffersEXT_ = nullptr;
PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC glCheckFramebufferStatusEXT_ = nullptr;
PFNGLFRAMEBUFFERTEXTURE2DEXTPROC glFramebufferTexture2DEXT_ = nullptr;
PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC glFramebufferRenderbufferEXT_ = nullptr;
PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC glGetFramebufferAttachmentParameterivEXT_ =
    nullptr;

int qvl_fbo_available = 0;

void* qvl_gfx_get_proc_address(const char* name) {
  void* entry = nullptr;
  if (qvl_gfx_extension_listed(plat_gl_extensions(), "GL_EXT_framebuffer_object"))
    entry = plat_gl_get_proc_address(name);
  if (!entry) qvl_gfx_log("ext: %-35s   [FAILED]", name);
  return entry;
}

void qvl_fbo_load_extensions() {
#define FETCH(fn) fn##_ = reinterpret_cast<decltype(fn##_)>(qvl_gfx_get_proc_address(#fn))
  FETCH(glBindRenderbufferEXT);
  FETCH(glDeleteRenderbuffersEXT);
  FETCH(glGenRenderbuffersEXT);
  FETCH(glRenderbufferStorageEXT);
  FETCH(glBindFramebufferEXT);
  FETCH(glDeleteFramebuffersEXT);
  FETCH(glGenFramebuffersEXT);
  FETCH(glCheckFramebufferStatusEXT);
  FETCH(glFramebufferTexture2DEXT);
  FETCH(glFramebufferRenderbufferEXT);
  FETCH(glGetFramebufferAttachmentParameterivEXT);
#undef FETCH
  qvl_fbo_available = glGenFramebuffersEXT_ != nullptr;
  if (!qvl_fbo_available) qvl_log_error_file("can't use framebuffer object\n");
}

int qvl_fbo_current_binding() {
  if (!qvl_fbo_available) return 0;
  GLint binding = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
  return binding;
}

int qvl_fbo_attachment_name() {
  if (!qvl_fbo_available || !glGetFramebufferAttachmentParameterivEXT_) return 0;
  GLint name = 0;
  glGetFramebufferAttachmentParameterivEXT_(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT,
                                            GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_EXT, &name);
  return name;
}
