#include "platform/environment.h"

#include <cstdlib>
#include <cstring>

extern char** environ;

const char* qvl_env_get(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  return std::getenv(name);
}

std::string qvl_env_dump() {
  std::string out;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    out += *e;
    out += '\n';
  }
  return out;
}

int qvl_env_put(const char* assignment) {
  if (assignment == nullptr) return -1;
  const char* eq = std::strchr(assignment, '=');
  if (eq == nullptr || eq == assignment) return -1;
  std::string name(assignment, static_cast<size_t>(eq - assignment));
  // Windows removes a variable assigned an empty value.
  int rc = eq[1] == '\0' ? unsetenv(name.c_str()) : setenv(name.c_str(), eq + 1, 1);
  return rc == 0 ? 0 : -1;
}
