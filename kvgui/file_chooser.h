// The file chooser's view of a path: kvgui_choose_file (modal_dialogs.h)
// shows the current directory as a drive part and its components, with a
// button per component, and moves by joining them again.
#pragma once

#include <cstddef>
#include <vector>

#include "core/basic_string.h"

// The drive part is "X:" on a drive path, "~" for a home path and "" for
// "/..."; an empty first component stands for the root when the path has
// one component or none.
struct KvguiPathParts {
  BasicString drive;
  std::vector<BasicString> components;
};

KvguiPathParts kvgui_split_path(const BasicString& path);
// The drive part and the first count components as a path ("/" after the
// drive when no component is left, so ".." at the root stays there).
BasicString kvgui_join_path(const KvguiPathParts& parts, size_t count);
