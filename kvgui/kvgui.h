// The widget library's interface for applications, in one include.
#pragma once

#include "kvgui/busy_overlay.h"
#include "kvgui/construction.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/focus.h"
#include "kvgui/groups.h"
#include "kvgui/item_list.h"
#include "kvgui/layout.h"
#include "kvgui/modal_dialogs.h"
#include "kvgui/properties.h"
#include "kvgui/show.h"
#include "kvgui/style.h"
