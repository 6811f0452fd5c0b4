#include "host/project_settings.h"

ProjectSettings qvl_win_project_settings{};
