// The 255 GLSL program slots, made through the ARB shader-object entry
// points where the driver lists them. Slot numbers outside 0..254 mean the
// fixed-function pipeline everywhere.
#include <GL/gl.h>

#include <cstdlib>

#include "files/file_channel.h"
#include "gfx2d/gl_ext.h"
#include "gfx2d/sprite_batch.h"
#include "gfx3d/rainbows3d.h"

namespace {

// The driver's lack of shader objects is told once a process.
bool report_missing_shaders = true;

bool valid_slot(int n) { return n >= 0 && n < kShaderSlots; }

// A whole file, NUL-terminated; null when it cannot be opened or read.
char* read_source(const char* name) {
  FileChannel file;
  if (!name || !file.open_read(name)) return nullptr;
  char* text = nullptr;
  if (file.size >= 0 && file.size < INT32_MAX) {
    const int size = static_cast<int>(file.size);
    text = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1));
    if (text && (size == 0 || file.read(text, size))) {
      text[size] = '\0';
    } else {
      std::free(text);
      text = nullptr;
    }
  }
  file.close();
  return text;
}

// A shader object of the given type compiled from the file into *object;
// the result is whether it compiled. A file that cannot be read leaves
// *object 0 and is no failure to report.
enum class Compiled { kNotRead, kFailed, kOk };

Compiled compile_file(const char* name, GLenum type, uint32_t* object, X3dLogFn log,
                      const char* failure) {
  char* text = read_source(name);
  if (!text) return Compiled::kNotRead;
  *object = glCreateShaderObjectARB_(type);
  const GLcharARB* sources[1] = {text};
  if (glShaderSourceARB_) glShaderSourceARB_(*object, 1, sources, nullptr);
  glCompileShaderARB_(*object);
  std::free(text);
  if (qvl_shader_check_status(*object, true, log)) return Compiled::kOk;
  if (log) log(failure);
  return Compiled::kFailed;
}

}  // namespace

bool qvl_shader_check_status(uint32_t object, bool compile, X3dLogFn log) {
  GLint status = 0;
  if (glGetObjectParameterivARB_)
    glGetObjectParameterivARB_(
        object, compile ? GL_OBJECT_COMPILE_STATUS_ARB : GL_OBJECT_LINK_STATUS_ARB, &status);
  if (status != 0) return true;
  if (!log) return false;
  GLint length = 0;
  if (glGetObjectParameterivARB_)
    glGetObjectParameterivARB_(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
  // An empty log is still handed on as a terminated text.
  if (length < 1) length = 1;
  char* text = static_cast<char*>(std::malloc(static_cast<size_t>(length)));
  if (!text) return false;
  text[0] = '\0';
  if (glGetInfoLogARB_) glGetInfoLogARB_(object, length, nullptr, text);
  text[length - 1] = '\0';
  log(text);
  std::free(text);
  return false;
}

bool Rainbows3D::shader_load(int n, const char* vertex_file, const char* fragment_file,
                             X3dLogFn log) {
  if (!valid_slot(n)) return false;
  if (!glCreateShaderObjectARB_ || !glCompileShaderARB_ || !glLinkProgramARB_) {
    if (log && report_missing_shaders) {
      report_missing_shaders = false;
      log("No OpenGL 2.0 Shader Support");
    }
    return false;
  }
  shader_delete(n);
  ShaderSlot& slot = shaders[n];
  Compiled last = Compiled::kNotRead;
  if (vertex_file)
    last = compile_file(vertex_file, GL_VERTEX_SHADER_ARB, &slot.vertex_shader, log,
                        "vertex shader failed");
  if (fragment_file) {
    const Compiled fragment = compile_file(fragment_file, GL_FRAGMENT_SHADER_ARB,
                                           &slot.fragment_shader, log, "fragment shader failed");
    if (fragment == Compiled::kFailed) return false;
    if (fragment == Compiled::kOk) last = fragment;
  }
  if (last != Compiled::kOk || (!slot.vertex_shader && !slot.fragment_shader)) return false;
  slot.program = glCreateProgramObjectARB_ ? glCreateProgramObjectARB_() : 0;
  if (!slot.program || !glAttachObjectARB_) return false;
  if (slot.vertex_shader) glAttachObjectARB_(slot.program, slot.vertex_shader);
  if (slot.fragment_shader) glAttachObjectARB_(slot.program, slot.fragment_shader);
  glLinkProgramARB_(slot.program);
  if (qvl_shader_check_status(slot.program, false, log)) return true;
  if (log) log("link shader failed");
  return false;
}

void Rainbows3D::shader_use(int slot) {
  if (!glUseProgramObjectARB_) return;
  qvl_gfx_flush_sprites();  // waiting 2D quads are drawn with the program they were made for
  if (valid_slot(slot)) {
    glUseProgramObjectARB_(shaders[slot].program);
    current_shader = slot;
  } else {
    glUseProgramObjectARB_(0);
    current_shader = -1;
  }
}

namespace {

using LocationFn = GLint (*)(GLhandleARB, const GLcharARB*);

// The location of name in the current slot's program, or -1 after telling
// log "<what>" and the name.
GLint find_location(const Rainbows3D& engine, LocationFn lookup, const char* name,
                    const char* what, X3dLogFn log) {
  const GLint location = lookup(engine.shaders[engine.current_shader].program, name);
  if (location == -1 && log) {
    log(what);
    log(name);
  }
  return location;
}

}  // namespace

void Rainbows3D::shader_set_uniform_float(const char* name, float x, X3dLogFn log) {
  if (!glGetUniformLocationARB_ || !valid_slot(current_shader) || !name) return;
  const GLint at = find_location(*this, glGetUniformLocationARB_, name, "undefined uniform:", log);
  if (at != -1 && glUniform1fARB_) glUniform1fARB_(at, x);
}

void Rainbows3D::shader_set_uniform_int(const char* name, int x, X3dLogFn log) {
  if (!glGetUniformLocationARB_ || !valid_slot(current_shader) || !name) return;
  const GLint at = find_location(*this, glGetUniformLocationARB_, name, "undefined uniform:", log);
  if (at != -1 && glUniform1iARB_) glUniform1iARB_(at, x);
}

void Rainbows3D::shader_set_attribute(const char* name, float x, X3dLogFn log) {
  if (!glGetAttribLocationARB_ || !glVertexAttrib1fARB_ || !valid_slot(current_shader) || !name)
    return;
  const GLint at = find_location(*this, glGetAttribLocationARB_, name, "undefined attrib:", log);
  if (at != -1) glVertexAttrib1fARB_(static_cast<GLuint>(at), x);
}

void Rainbows3D::shader_delete(int n) {
  if (!valid_slot(n) || !glDeleteObjectARB_) return;
  ShaderSlot& slot = shaders[n];
  for (uint32_t* name : {&slot.program, &slot.vertex_shader, &slot.fragment_shader}) {
    if (*name) glDeleteObjectARB_(*name);
    *name = 0;
  }
}
