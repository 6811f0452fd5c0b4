#include "files/sys_env.h"

#include <string>

#include "platform/environment.h"
#include "platform/process.h"

BasicString qvl_sys_get_env(const BasicString& name) {
  if (name.length == 0) {
    std::string dump = qvl_env_dump();
    return BasicString(dump.c_str());
  }
  const char* value = qvl_env_get(name.text);
  return BasicString(value != nullptr ? value : "");
}

int qvl_sys_put_env(BasicString& name, const BasicString& value) {
  name.append_char('=');
  name.append(value);
  return qvl_env_put(name.text);
}

BasicString& qvl_sys_command_line_ref() {
  static BasicString line;
  return line;
}

void qvl_sys_set_command_line(const char* text) {
  qvl_sys_command_line_ref().assign_cstr(text != nullptr ? text : "");
}

BasicString qvl_sys_get_command_line() { return qvl_sys_command_line_ref(); }

void qvl_sys_set_command_line_from_argv(int argc, const char* const* argv) {
  std::string line = qvl_proc_join_command_line(argc, argv);
  qvl_sys_set_command_line(line.c_str());
}
