#include "files/file_resolve.h"

#include <cstring>

#include "files/strongbox.h"

bool qvl_file_resolve(BasicString& name) {
  if (name.empty()) return false;
  // A name with a NUL inside would be looked up as its first part only.
  if (std::strlen(name.c_str()) != static_cast<size_t>(name.length)) return false;
  char result[Strongbox::kPathSize];
  bool found;
  if (qvl_arc_resolver) {
    found = qvl_arc_resolver->resolve(name.c_str(), result, true);
  } else {
    // Before the start-up or after the shutdown: disk and MemFile names only.
    Strongbox no_archive;
    no_archive.usable = 0;
    found = no_archive.resolve(name.c_str(), result, true);
  }
  if (found) name.assign_cstr(result);
  return found;
}
