#include "platform/dll.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/ascii.h"
#include "platform/file_io.h"
#include "platform/pointer_input.h"

namespace {

struct BuiltinEntry {
  const char* name;
  void* address;
};

// The modules the layer stands in for. Entry names compare exactly, as
// GetProcAddress does.
const BuiltinEntry kUser32[] = {
    {"EnableMouseInPointer", reinterpret_cast<void*>(&qvl_user32_enable_mouse_in_pointer)},
    {"GetPointerTouchInfo", reinterpret_cast<void*>(&qvl_user32_get_pointer_touch_info)},
    {nullptr, nullptr},
};

struct BuiltinModule {
  const char* name;
  const BuiltinEntry* entries;
};

const BuiltinModule kBuiltins[] = {
    {"user32.dll", kUser32},
    {"user32", kUser32},
};

}  // namespace

struct QvlDllModule {
  const BuiltinModule* builtin;  // set for a module of the layer
  void* handle;                  // set for a library from dlopen
};

QvlDllModule* qvl_dll_open(const char* module_name) {
  if (module_name == nullptr || *module_name == '\0') return nullptr;
  for (const BuiltinModule& m : kBuiltins) {
    if (plat_ascii_equal_nocase(m.name, module_name)) return new QvlDllModule{&m, nullptr};
  }
  std::string path = module_name;
  std::replace(path.begin(), path.end(), '\\', '/');
  // A path follows the runtime's path rules; a bare name is searched by the
  // dynamic loader.
  if (path.find('/') != std::string::npos) {
    std::string resolved;
    if (!plat_path_resolve(path.c_str(), resolved)) return nullptr;
    path = resolved;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) return nullptr;
  return new QvlDllModule{nullptr, handle};
}

void* qvl_dll_symbol(QvlDllModule* module, const char* entry) {
  if (module == nullptr || entry == nullptr) return nullptr;
  if (module->builtin != nullptr) {
    for (const BuiltinEntry* e = module->builtin->entries; e->name != nullptr; ++e) {
      if (std::strcmp(e->name, entry) == 0) return e->address;
    }
    return nullptr;
  }
  return dlsym(module->handle, entry);
}

void qvl_dll_close(QvlDllModule* module) {
  if (module == nullptr) return;
  if (module->handle != nullptr) dlclose(module->handle);
  delete module;
}

bool qvl_dll_is_builtin(const QvlDllModule* module) {
  return module != nullptr && module->builtin != nullptr;
}
