// The platform query: answers about the platform by a text key ("TEMP",
// "APPDATA", "LOCALE", "GLEXT:name", ...).
#pragma once

#include <cstdint>

#include "core/basic_string.h"

// Upper-cases the caller's key in place (byte-wise) and answers it; unknown
// keys answer "NO_DATA".
BasicString qvl_plat_query(BasicString& key);

// The application's own answers for "COMPILED", "HOSTID" and "VERSION",
// installed by the application (files/ cannot call upward). Until then
// those keys answer "NO_DATA".
using PlatAppInfoFn = void (*)(BasicString& out);
void qvl_plat_set_app_info(PlatAppInfoFn compiled, PlatAppInfoFn host_id, PlatAppInfoFn version);

// The application-data folder "<config>/Quarvel", created when missing;
// "" when there is no config folder to put it in.
BasicString qvl_plat_app_data_folder();

// The "LOCALE" answer for a LANGID: the table's code, lower-cased and fixed
// up ("en" becomes "us", "el" becomes "gr", ...); "us" for unknown ones.
BasicString qvl_plat_locale_code(uint16_t langid);
