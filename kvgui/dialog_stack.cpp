#include "kvgui/dialog_stack.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "files/plat_query.h"
#include "gfx2d/font_commands.h"
#include "gfx2d/viewport.h"
#include "host/show_screen.h"
#include "kvgui/globals.h"
#include "kvgui/layout.h"
#include "kvgui/properties.h"
#include "kvgui/record_array.h"
#include "kvgui/style.h"
#include "kvgui/widget_index.h"

KVGUI_DLG* KvguiDialogRef::get() const {
  if (index < 0 || index >= kvgui_dialog_stack.size1 || !kvgui_dialog_stack.data) return nullptr;
  KVGUI_DLG& d = kvgui_dialog_stack.data[index];
  return d.serial == serial ? &d : nullptr;
}

KvguiDialogRef kvgui_dialog_ref(int index) {
  KvguiDialogRef ref;
  if (index < 0) index += kvgui_dialog_stack.size1;
  ref.index = index;
  if (index >= 0 && index < kvgui_dialog_stack.size1)
    ref.serial = kvgui_dialog_stack.data[index].serial;
  return ref;
}

bool kvgui_stack_empty() { return kvgui_dialog_stack.size1 <= 0; }

KVGUI_DLG& kvgui_top_dialog() { return kvgui_dialog_stack.at(-1); }

KVGUI_DLG& kvgui_get_dialog(int i) {
  KVGUI_DLG& d = kvgui_dialog_stack.at(i);
  kvgui_sort_widgets(d);
  return d;
}

void kvgui_drawing_size(int* w, int* h) { qvl_gfx_screen_size(w, h); }

void kvgui_glyph_size(int* w, int* h) { qvl_font_glyph_size(w, h); }

int kvgui_glyph_width() {
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  return gw;
}

int kvgui_glyph_height() {
  int gw = 0, gh = 0;
  kvgui_glyph_size(&gw, &gh);
  return gh;
}

void kvgui_apply_touch_sizing(const BasicString& platform) {
  static const char* const kTouchPlatforms[] = {"WINCE", "GP2X",  "ANDROID",  "IPHONE",
                                                "PANDORA", "WEBOS", "PALM_PIXI"};
  bool touch = false;
  for (const char* name : kTouchPlatforms) touch = touch || kvgui_same_text(platform, name);
  if (touch) kvgui_use_keypad = 1.0;
  if (kvgui_min_row_height == 0) kvgui_min_row_height = touch ? 30 : 20;
}

void kvgui_init_dialog() {
  kvgui_apply_font_scaling();
  if (kvgui_dialog_stack.size1 == 0) {
    KVGUI_DLG* root = kvgui_array_append(kvgui_dialog_stack);
    if (root) root->serial = ++kvgui_dialog_serial;
  }
  KVGUI_DLG& top = kvgui_top_dialog();
  if (top.COL_NORM == 0 && top.COL_BRIGHT == 0) {
    top.COL_NORM = 0xC0C0C0;
    top.COL_BRIGHT = 0xFFFFFF;
    top.COL_HOVER_NORM = 0xFF9040;
    top.COL_HOVER_BRIGHT = 0xFFF0A0;
  }
  kvgui_clear_widgets(top);
  BasicString key;
  kvgui_apply_touch_sizing(qvl_plat_query(key));
}

int kvgui_push_dialog(int x, int y, int width, int height, int centre, int slide) {
  if (kvgui_widget_height < 1) kvgui_widget_height = 16;
  KVGUI_DLG* fresh = kvgui_array_append(kvgui_dialog_stack);
  if (!fresh) return 0;
  fresh->serial = ++kvgui_dialog_serial;
  int sw = 0, sh = 0;
  kvgui_drawing_size(&sw, &sh);
  if (width < 1) {
    width = sw;
    x = 0;
  }
  if (height < 1) {
    height = sh;
    y = 0;
  }
  kvgui_init_dialog();
  KVGUI_DLG& top = kvgui_top_dialog();
  top.XPOS = std::min(x, sw - 1);
  top.YPOS = 4096;  // below the screen, whence a glide starts
  top.slide_target = std::min(y, sh - 1);
  if (!slide) top.YPOS = top.slide_target;
  // Sized from the clamped place, so a dialog pushed at or past the screen's
  // edge keeps a body of at least one pixel.
  top.self.WIDTH = std::max<int64_t>(1, std::min<int64_t>(width, int64_t(sw) - top.XPOS));
  top.self.HEIGHT = std::max<int64_t>(1, std::min<int64_t>(height, int64_t(sh) - top.slide_target));
  const KVGUI_DLG& root = kvgui_dialog_stack.data[0];
  top.COL_NORM = root.COL_NORM;
  top.COL_BRIGHT = root.COL_BRIGHT;
  top.COL_HOVER_NORM = root.COL_HOVER_NORM;
  top.COL_HOVER_BRIGHT = root.COL_HOVER_BRIGHT;
  if (centre) kvgui_center_dialog();
  qvl_win_reset_idle_count();
  return 0;
}

int kvgui_push_dialog_sliding(int x, int y, int width, int height, int centre) {
  return kvgui_push_dialog(x, y, width, height, centre, 1);
}

void kvgui_center_dialog() {
  KVGUI_DLG& top = kvgui_top_dialog();
  int sw = 0, sh = 0, gw = 0, gh = 0;
  kvgui_drawing_size(&sw, &sh);
  kvgui_glyph_size(&gw, &gh);
  // Halves of differences that may reach past the int range.
  top.XPOS = static_cast<int>((int64_t(sw) - top.self.WIDTH) / 2);
  const int64_t y = (int64_t(sh) - top.self.HEIGHT) / 2 - (gh < 32 ? 16 : gh / 2);
  kvgui_set_dialog_ypos(top, static_cast<int>(std::max<int64_t>(0, y)));
}

void kvgui_resize_dialog(int x, int y, int width, int height) {
  KVGUI_DLG& top = kvgui_top_dialog();
  if (width > 0 && height > 0) {
    int sw = 0, sh = 0;
    kvgui_drawing_size(&sw, &sh);
    top.XPOS = x;
    kvgui_set_dialog_ypos(top, y);
    top.self.WIDTH = std::min(width, sw);
    top.self.HEIGHT = std::min(height, sh);
  }
  kvgui_refresh_dialog();
}

namespace {

// "DESTROY" to every widget of the dialog that has a callback, in id order.
// A callback may change the stack; each call finds the dialog again.
void send_destroy(const KvguiDialogRef& ref) {
  KVGUI_DLG* d = ref.get();
  if (!d) return;
  const std::vector<int> entries = kvgui_entries_in_id_order(*d);
  for (int k : entries) {
    d = ref.get();
    if (!d) return;
    if (k >= d->order.size1) continue;
    BasicString empty;
    kvgui_run_callback(kvgui_entry_widget(*d, k), "DESTROY", empty);
  }
}

}  // namespace

void kvgui_remove_top_dialog() {
  if (kvgui_stack_empty()) return;
  const KvguiDialogRef ref = kvgui_dialog_ref(-1);
  send_destroy(ref);
  if (ref.get()) {
    kvgui_dialog_stack.remove(ref.index);
    // The vacated slot still holds a copy of the last dialog: release it now
    // rather than when the slot is next used.
    kvgui_dialog_stack.data[kvgui_dialog_stack.size1] = KVGUI_DLG();
  }
  if (!kvgui_stack_empty()) kvgui_refresh_dialog();
}

int kvgui_pop_dialog() {
  kvgui_remove_top_dialog();
  qvl_win_reset_idle_count();
  return 0;
}
