#include "gfx2d/gl_ext.h"

#include <cstring>

#include "gfx2d/gfx_log.h"
#include "platform/video.h"

PFNGLACTIVETEXTUREARBPROC glActiveTextureARB_ = nullptr;
PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB_ = nullptr;
PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB_ = nullptr;
PFNGLGENBUFFERSARBPROC glGenBuffersARB_ = nullptr;
PFNGLBINDBUFFERARBPROC glBindBufferARB_ = nullptr;
PFNGLBUFFERDATAARBPROC glBufferDataARB_ = nullptr;
PFNGLDELETEBUFFERSARBPROC glDeleteBuffersARB_ = nullptr;
PFNGLMAPBUFFERARBPROC glMapBufferARB_ = nullptr;
PFNGLUNMAPBUFFERARBPROC glUnmapBufferARB_ = nullptr;
PFNGLGETBUFFERPARAMETERIVARBPROC glGetBufferParameterivARB_ = nullptr;

PFNGLCREATEPROGRAMOBJECTARBPROC glCreateProgramObjectARB_ = nullptr;
PFNGLDELETEOBJECTARBPROC glDeleteObjectARB_ = nullptr;
PFNGLCREATESHADEROBJECTARBPROC glCreateShaderObjectARB_ = nullptr;
PFNGLSHADERSOURCEARBPROC glShaderSourceARB_ = nullptr;
PFNGLCOMPILESHADERARBPROC glCompileShaderARB_ = nullptr;
PFNGLGETOBJECTPARAMETERIVARBPROC glGetObjectParameterivARB_ = nullptr;
PFNGLATTACHOBJECTARBPROC glAttachObjectARB_ = nullptr;
PFNGLGETINFOLOGARBPROC glGetInfoLogARB_ = nullptr;
PFNGLLINKPROGRAMARBPROC glLinkProgramARB_ = nullptr;
PFNGLUSEPROGRAMOBJECTARBPROC glUseProgramObjectARB_ = nullptr;
PFNGLGETUNIFORMLOCATIONARBPROC glGetUniformLocationARB_ = nullptr;
PFNGLUNIFORM1FARBPROC glUniform1fARB_ = nullptr;
PFNGLUNIFORM1IARBPROC glUniform1iARB_ = nullptr;
PFNGLGETATTRIBLOCATIONARBPROC glGetAttribLocationARB_ = nullptr;
PFNGLVERTEXATTRIB1FARBPROC glVertexAttrib1fARB_ = nullptr;

bool qvl_gfx_swap_control = false;

namespace {

struct Entry {
  const char* name;
  void** slot;
};

#define ENTRY(fn) {#fn, reinterpret_cast<void**>(&fn##_)}
const Entry kMultitexture[] = {
    ENTRY(glActiveTextureARB),   ENTRY(glMultiTexCoord2fARB), ENTRY(glClientActiveTextureARB),
    ENTRY(glGenBuffersARB),      ENTRY(glBindBufferARB),      ENTRY(glBufferDataARB),
    ENTRY(glDeleteBuffersARB),   ENTRY(glMapBufferARB),       ENTRY(glUnmapBufferARB),
    ENTRY(glGetBufferParameterivARB)};
const Entry kShaders[] = {
    ENTRY(glCreateProgramObjectARB), ENTRY(glDeleteObjectARB),     ENTRY(glCreateShaderObjectARB),
    ENTRY(glShaderSourceARB),        ENTRY(glCompileShaderARB),    ENTRY(glGetObjectParameterivARB),
    ENTRY(glAttachObjectARB),        ENTRY(glGetInfoLogARB),       ENTRY(glLinkProgramARB),
    ENTRY(glUseProgramObjectARB),    ENTRY(glGetUniformLocationARB), ENTRY(glUniform1fARB),
    ENTRY(glUniform1iARB),           ENTRY(glGetAttribLocationARB), ENTRY(glVertexAttrib1fARB)};
#undef ENTRY

template <size_t N>
void load(const Entry (&entries)[N], bool listed) {
  for (const Entry& e : entries) {
    *e.slot = listed ? plat_gl_get_proc_address(e.name) : nullptr;
    if (listed && !*e.slot) qvl_gfx_log("ext: %-35s   [FAILED]", e.name);
  }
}

}  // namespace

void qvl_gfx_load_gl_extensions(const char* extensions) {
  bool have = extensions != nullptr;
  qvl_gfx_swap_control = have && std::strstr(extensions, "WGL_EXT_swap_control");
  load(kMultitexture, have && std::strstr(extensions, "GL_ARB_multitexture"));
  load(kShaders, have && std::strstr(extensions, "GL_ARB_fragment_program"));
}
