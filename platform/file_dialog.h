// The system's file open/save dialog, offered by running zenity.
#pragma once

#include <string>
#include <utility>
#include <vector>

// One filter of the dialog: a description and its patterns, several of them
// separated by ';' as in "*.png;*.bmp".
using PlatFileFilter = std::pair<std::string, std::string>;

enum class PlatDialogResult {
  chosen,     // the chosen path (code-page text) is in *chosen
  cancelled,  // the user closed the dialog without a name
  no_dialog,  // zenity could not be run
};

// Shows the dialog in the given folder and waits for it.
PlatDialogResult plat_file_dialog(bool open, const std::vector<PlatFileFilter>& filters,
                                  const std::string& folder, std::string* chosen);
