#include "platform/gl_entry_points.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// One family of entry points: brought into the core by a GL version
// (major * 10 + minor; 0 = never core), or provided by extensions, each
// under the names with its suffix ("" = the core names themselves).
struct Provider {
  const char* suffix;
  const char* extension;
};

struct Family {
  int core_version;
  Provider providers[3];
  const char* names[24];
};

const Family kFamilies[] = {
    {12, {{"EXT", "GL_EXT_draw_range_elements"}}, {"glDrawRangeElements"}},
    {12, {{"EXT", "GL_EXT_texture3D"}}, {"glTexImage3D", "glTexSubImage3D"}},
    {12, {{"EXT", "GL_EXT_copy_texture"}}, {"glCopyTexSubImage3D"}},
    {13,
     {{"ARB", "GL_ARB_multitexture"}},
     {"glActiveTexture", "glClientActiveTexture", "glMultiTexCoord1f", "glMultiTexCoord2f",
      "glMultiTexCoord2fv", "glMultiTexCoord3f", "glMultiTexCoord3fv", "glMultiTexCoord4f",
      "glMultiTexCoord4fv", "glMultiTexCoord2i", "glMultiTexCoord2d"}},
    {13,
     {{"ARB", "GL_ARB_texture_compression"}},
     {"glCompressedTexImage2D", "glCompressedTexSubImage2D", "glGetCompressedTexImage"}},
    {13, {{"ARB", "GL_ARB_multisample"}}, {"glSampleCoverage"}},
    {13,
     {{"ARB", "GL_ARB_transpose_matrix"}},
     {"glLoadTransposeMatrixf", "glMultTransposeMatrixf"}},
    {14, {{"EXT", "GL_EXT_blend_func_separate"}}, {"glBlendFuncSeparate"}},
    {14, {{"EXT", "GL_EXT_blend_minmax"}}, {"glBlendEquation"}},
    {14, {{"EXT", "GL_EXT_blend_color"}}, {"glBlendColor"}},
    {14,
     {{"ARB", "GL_ARB_point_parameters"}, {"EXT", "GL_EXT_point_parameters"}},
     {"glPointParameterf", "glPointParameterfv"}},
    {14, {{"ARB", "GL_ARB_window_pos"}}, {"glWindowPos2f", "glWindowPos2i", "glWindowPos3f"}},
    {14, {{"EXT", "GL_EXT_secondary_color"}}, {"glSecondaryColor3f", "glSecondaryColorPointer"}},
    {14, {{"EXT", "GL_EXT_fog_coord"}}, {"glFogCoordf", "glFogCoordPointer"}},
    {14, {{"EXT", "GL_EXT_multi_draw_arrays"}}, {"glMultiDrawArrays", "glMultiDrawElements"}},
    {15,
     {{"ARB", "GL_ARB_vertex_buffer_object"}},
     {"glGenBuffers", "glBindBuffer", "glBufferData", "glBufferSubData", "glDeleteBuffers",
      "glIsBuffer", "glMapBuffer", "glUnmapBuffer", "glGetBufferParameteriv",
      "glGetBufferSubData", "glGetBufferPointerv"}},
    {15,
     {{"ARB", "GL_ARB_occlusion_query"}},
     {"glGenQueries", "glDeleteQueries", "glIsQuery", "glBeginQuery", "glEndQuery",
      "glGetQueryiv", "glGetQueryObjectiv", "glGetQueryObjectuiv"}},
    {20,
     {},
     {"glCreateShader", "glShaderSource", "glCompileShader", "glDeleteShader",
      "glCreateProgram", "glAttachShader", "glDetachShader", "glLinkProgram", "glUseProgram",
      "glDeleteProgram", "glGetShaderiv", "glGetProgramiv", "glGetShaderInfoLog",
      "glGetProgramInfoLog", "glValidateProgram", "glIsShader", "glIsProgram",
      "glGetAttachedShaders", "glGetShaderSource"}},
    {20,
     {{"ARB", "GL_ARB_shader_objects"}},
     {"glGetUniformLocation", "glUniform1f", "glUniform2f", "glUniform3f", "glUniform4f",
      "glUniform1i", "glUniform2i", "glUniform3i", "glUniform4i", "glUniform1fv",
      "glUniform2fv", "glUniform3fv", "glUniform4fv", "glUniform1iv", "glUniformMatrix2fv",
      "glUniformMatrix3fv", "glUniformMatrix4fv", "glGetUniformfv", "glGetUniformiv",
      "glGetActiveUniform"}},
    // The shader-object API of the ARB extension has names of its own.
    {0,
     {{"ARB", "GL_ARB_shader_objects"}},
     {"glCreateShaderObject", "glCreateProgramObject", "glAttachObject", "glDetachObject",
      "glUseProgramObject", "glDeleteObject", "glGetObjectParameteriv",
      "glGetObjectParameterfv", "glGetInfoLog", "glGetHandle", "glShaderSource",
      "glCompileShader", "glLinkProgram", "glValidateProgram", "glGetAttachedObjects"}},
    {20,
     {{"ARB", "GL_ARB_vertex_shader"}},
     {"glBindAttribLocation", "glGetAttribLocation", "glGetActiveAttrib"}},
    {20,
     {{"ARB", "GL_ARB_vertex_program"}},
     {"glVertexAttribPointer", "glEnableVertexAttribArray", "glDisableVertexAttribArray",
      "glVertexAttrib1f", "glVertexAttrib2f", "glVertexAttrib3f", "glVertexAttrib4f",
      "glVertexAttrib4fv", "glGetVertexAttribiv", "glGetVertexAttribfv"}},
    {20, {{"ARB", "GL_ARB_draw_buffers"}}, {"glDrawBuffers"}},
    {20, {{"EXT", "GL_EXT_blend_equation_separate"}}, {"glBlendEquationSeparate"}},
    {20,
     {{"EXT", "GL_EXT_stencil_two_side"}},
     {"glStencilOpSeparate", "glStencilFuncSeparate", "glStencilMaskSeparate"}},
    {30,
     {{"", "GL_ARB_framebuffer_object"}, {"EXT", "GL_EXT_framebuffer_object"}},
     {"glGenFramebuffers", "glBindFramebuffer", "glDeleteFramebuffers", "glIsFramebuffer",
      "glCheckFramebufferStatus", "glFramebufferTexture1D", "glFramebufferTexture2D",
      "glFramebufferTexture3D", "glFramebufferRenderbuffer",
      "glGetFramebufferAttachmentParameteriv", "glGenRenderbuffers", "glBindRenderbuffer",
      "glDeleteRenderbuffers", "glIsRenderbuffer", "glRenderbufferStorage",
      "glGetRenderbufferParameteriv", "glGenerateMipmap"}},
    {30,
     {{"", "GL_ARB_framebuffer_object"}, {"EXT", "GL_EXT_framebuffer_blit"}},
     {"glBlitFramebuffer"}},
    {30,
     {{"", "GL_ARB_framebuffer_object"}, {"EXT", "GL_EXT_framebuffer_multisample"}},
     {"glRenderbufferStorageMultisample"}},
    {30,
     {{"", "GL_ARB_vertex_array_object"}, {"APPLE", "GL_APPLE_vertex_array_object"}},
     {"glGenVertexArrays", "glBindVertexArray", "glDeleteVertexArrays", "glIsVertexArray"}},
    {31, {{"ARB", "GL_ARB_draw_instanced"}}, {"glDrawArraysInstanced", "glDrawElementsInstanced"}},
};

// "3.1 Mesa ..." -> 31; 0 when the text does not start with a version.
int parse_version(const char* version) {
  if (version == nullptr) return 0;
  char* end = nullptr;
  long major = std::strtol(version, &end, 10);
  if (end == version || *end != '.') return 0;
  const char* minor_text = end + 1;
  long minor = std::strtol(minor_text, &end, 10);
  if (end == minor_text) return 0;
  return static_cast<int>(major * 10 + (minor > 9 ? 9 : minor));
}

bool family_answers(const Family& f, const char* name, int version, const char* extensions) {
  for (const char* base : f.names) {
    if (base == nullptr) break;
    size_t n = std::strlen(base);
    if (std::strncmp(name, base, n) != 0) continue;
    const char* suffix = name + n;
    if (*suffix == '\0' && f.core_version != 0 && version >= f.core_version) return true;
    for (const Provider& p : f.providers) {
      if (p.extension == nullptr) break;
      if (std::strcmp(suffix, p.suffix) == 0 && qvl_gl_has_extension(extensions, p.extension)) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace

bool qvl_gl_has_extension(const char* extensions, const char* extension) {
  if (extensions == nullptr || extension == nullptr || *extension == '\0') return false;
  size_t n = std::strlen(extension);
  for (const char* p = extensions; (p = std::strstr(p, extension)) != nullptr; p += n) {
    bool starts = p == extensions || p[-1] == ' ';
    bool ends = p[n] == '\0' || p[n] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

bool qvl_gl_entry_supported(const char* name, const char* version, const char* extensions) {
  if (name == nullptr || *name == '\0') return false;
  int v = parse_version(version);
  for (const Family& f : kFamilies) {
    if (family_answers(f, name, v, extensions)) return true;
  }
  return false;
}

bool qvl_gl_entry_available(const char* name) {
  if (SDL_GL_GetCurrentContext() == nullptr) return false;
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return qvl_gl_entry_supported(name, version, extensions);
}
