#include "files/app_name.h"

BasicString& qvl_sys_app_name() {
  static BasicString name;
  return name;
}
