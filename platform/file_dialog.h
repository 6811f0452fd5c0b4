// The system's file open/save dialog, offered by running zenity.
#pragma once

#include <string>
#include <utility>
#include <vector>

// One filter of the dialog: a description and its patterns, several of them
// separated by ';' as in "*.png;*.bmp".
using PlatFileFilter = std::pair<std::string, std::string>;

// Shows the dialog in the given folder and waits for it. True with the
// chosen path (code-page text) in *chosen; false when the user cancelled
// or no dialog program could be run.
bool plat_file_dialog(bool open, const std::vector<PlatFileFilter>& filters,
                      const std::string& folder, std::string* chosen);
