// Loading dynamic libraries and looking up their entries.
//
// Programs name Windows modules ("user32.dll"); some of them are stood in
// for by the layer itself. Such built-in modules are looked up first (by
// name, ASCII case ignored) and answer with the layer's own functions;
// every other name goes to dlopen, with '\' turned into '/'.
#pragma once

struct QvlDllModule;

// Null when the library cannot be loaded.
QvlDllModule* qvl_dll_open(const char* module_name);
// Null when the module has no such entry.
void* qvl_dll_symbol(QvlDllModule* module, const char* entry);
void qvl_dll_close(QvlDllModule* module);
// True for a module the layer provides itself.
bool qvl_dll_is_builtin(const QvlDllModule* module);
