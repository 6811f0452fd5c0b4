// The user's special folders, as the XDG base-directory and user-dirs
// conventions place them. Results have no trailing '/'.
#pragma once

#include <string>

// The home folder: $HOME, else the password database; "" when unknown.
std::string qvl_folder_home();

// Application data: $XDG_CONFIG_HOME when set and absolute, else
// ~/.config; "" when there is no home folder to put it in.
std::string qvl_folder_config();

// The documents folder: XDG_DOCUMENTS_DIR from user-dirs.dirs in the
// config folder, else from the environment, else the home folder (as
// xdg-user-dir answers); "" when none of them is known.
std::string qvl_folder_documents();
