// Binding the DLL functions that a program declares (DECLARE): collected
// while the static initialisers run, bound once at start-up, unloaded at
// exit. A missing module or entry leaves its variable null and is logged;
// callers test the variable before they call through it.
#pragma once

#include "core/basic_string.h"
#include "core/grow_vector.h"

struct QvlDllModule;

struct DllDeclaration {
  const char* module;  // module file name as declared; not copied
  const char* entry;   // entry name; not copied
  void** slot;         // the program's function-pointer variable
};

// Each vector grows by 128 from a first block of 512.
struct DllRegistry {
  GrowVector<QvlDllModule*> modules;  // libraries loaded so far
  GrowVector<BasicString> names;      // lower-cased module name per library
  GrowVector<DllDeclaration> declarations;
  ~DllRegistry();  // qvl_dll_at_exit
};

// The registry, built on first use and released at exit.
DllRegistry& qvl_dll_registry();

// Sets *slot to null and registers the declaration; returns the number of
// declarations. The texts must stay valid until binding (literals).
int qvl_dll_declare(const char* module, const char* entry, void** slot);

// Binds every declaration in the order of registration; called once by the
// start-up. Writes nothing when there are no declarations.
void qvl_dll_resolve_all();

// Binds one declaration: the module is loaded once per lower-cased name.
// Returns the address stored in *slot, or null.
void* qvl_dll_resolve(const char* module, const char* entry, void** slot);

// The registry's exit-time release: forgets the declarations and unloads
// every library, first loaded first.
void qvl_dll_at_exit();
