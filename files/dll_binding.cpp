#include "files/dll_binding.h"

#include <cstring>

#include "core/logs.h"
#include "core/string_commands.h"
#include "platform/dll.h"

namespace {

// One message to both logs: "<prefix><name>\n". The line is formed in full
// whatever the name's length, so nothing is cut or overrun.
void log_failure(const char* prefix, const char* name) {
  BasicString line(prefix);
  line.append_cstr(name);
  line.append_char('\n');
  qvl_log_debug(line);
  qvl_log_error_file(line.text);
}

// Forgets the declarations, then unloads every library, first loaded first.
void release(DllRegistry& r) {
  r.declarations.clear(true);
  for (int i = 0; i < r.modules.count; ++i) qvl_dll_close(r.modules[i]);
  r.modules.clear(true);
  r.names.clear(true);
}

}  // namespace

DllRegistry::~DllRegistry() { release(*this); }

DllRegistry& qvl_dll_registry() {
  static DllRegistry registry;
  return registry;
}

int qvl_dll_declare(const char* module, const char* entry, void** slot) {
  *slot = nullptr;
  DllRegistry& r = qvl_dll_registry();
  r.declarations.push(DllDeclaration{module, entry, slot});
  return r.declarations.count;
}

void qvl_dll_resolve_all() {
  DllRegistry& r = qvl_dll_registry();
  if (r.declarations.count == 0) return;
  qvl_log_error_file("Delay load DLLs\n");
  for (int i = 0; i < r.declarations.count; ++i) {
    const DllDeclaration d = r.declarations[i];
    qvl_dll_resolve(d.module, d.entry, d.slot);
  }
}

void* qvl_dll_resolve(const char* module, const char* entry, void** slot) {
  DllRegistry& r = qvl_dll_registry();
  BasicString name(module);
  qvl_str_to_lower_in_place(name);

  QvlDllModule* handle = nullptr;
  for (int i = 0; i < r.names.count; ++i) {
    const BasicString& known = r.names[i];
    if (known.length == name.length &&
        std::memcmp(known.text, name.text, static_cast<size_t>(name.length)) == 0) {
      handle = r.modules[i];
      break;
    }
  }
  if (handle == nullptr) {
    // Loaded under the name as declared: file systems here keep case.
    handle = qvl_dll_open(module);
    if (handle == nullptr) {
      *slot = nullptr;
      log_failure("DECLARE module not found: ", name.text);
      return nullptr;
    }
    // The two lists stay in step: a module whose name cannot be kept is
    // not kept either (it is loaded again on the next look-up).
    if (!r.modules.push(handle)) {
      qvl_dll_close(handle);
      handle = nullptr;
    } else if (!r.names.push(name)) {
      --r.modules.count;
      qvl_dll_close(handle);
      handle = nullptr;
    }
    if (handle == nullptr) {
      *slot = nullptr;
      return nullptr;
    }
  }

  void* address = qvl_dll_symbol(handle, entry);
  *slot = address;
  if (address == nullptr) log_failure("DECLARE entry not found: ", entry);
  return address;
}

void qvl_dll_at_exit() { release(qvl_dll_registry()); }
