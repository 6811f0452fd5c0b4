#include "kvgui/properties.h"

#include <cstring>

#include "core/maths.h"
#include "core/number_text.h"
#include "kvgui/canvas.h"
#include "kvgui/dialog_stack.h"
#include "kvgui/globals.h"
#include "kvgui/item_list.h"
#include "kvgui/record_array.h"
#include "kvgui/widget_index.h"

namespace {

struct KeyName {
  const char* name;
  KvguiKey key;
};

constexpr KeyName kKeyNames[] = {
    {"CLICKED", KvguiKey::CLICKED},
    {"TEXT", KvguiKey::TEXT},
    {"WIDTH", KvguiKey::WIDTH},
    {"HEIGHT", KvguiKey::HEIGHT},
    {"SELECT", KvguiKey::SELECT},
    {"COUNT", KvguiKey::COUNT},
    {"HOVER", KvguiKey::HOVER},
    {"READONLY", KvguiKey::READONLY},
    {"SELSTART", KvguiKey::SELSTART},
    {"SELEND", KvguiKey::SELEND},
    {"HIDE", KvguiKey::HIDE},
    {"TYPE", KvguiKey::TYPE},
    {"FILTER", KvguiKey::FILTER},
    {"TIPTEXT", KvguiKey::TIPTEXT},
    {"MINVAL", KvguiKey::MINVAL},
    {"MAXVAL", KvguiKey::MAXVAL},
    {"STEP", KvguiKey::STEP},
    {"SCROLL", KvguiKey::SCROLL},
    {"ALIGN", KvguiKey::ALIGN},
    {"XPOS", KvguiKey::XPOS},
    {"YPOS", KvguiKey::YPOS},
    {"FOCUS", KvguiKey::FOCUS},
    {"INKEY", KvguiKey::INKEY},
    {"COL_BRIGHT", KvguiKey::COL_BRIGHT},
    {"COL_NORM", KvguiKey::COL_NORM},
    {"COL_HOVER_BRIGHT", KvguiKey::COL_HOVER_BRIGHT},
    {"COL_HOVER_NORM", KvguiKey::COL_HOVER_NORM},
    {"MOVEABLE", KvguiKey::MOVEABLE},
    {"SCALEABLE", KvguiKey::SCALEABLE},
    {"MOVING", KvguiKey::MOVING},
    {"SCALEING", KvguiKey::SCALEING},
    {"SCROLLING", KvguiKey::SCROLLING},
};

// The widget's int field of a key, or null for keys that are not ints.
// XPOS and YPOS read but are not written: the layout places widgets.
const int32_t* widget_int(const KVGUI_WDG& w, KvguiKey key) {
  switch (key) {
    case KvguiKey::CLICKED: return &w.CLICKED;
    case KvguiKey::WIDTH: return &w.WIDTH;
    case KvguiKey::HEIGHT: return &w.HEIGHT;
    case KvguiKey::SELECT: return &w.SELECT;
    case KvguiKey::COUNT: return &w.COUNT;
    case KvguiKey::HOVER: return &w.HOVER;
    case KvguiKey::READONLY: return &w.READONLY;
    case KvguiKey::SELSTART: return &w.SELSTART;
    case KvguiKey::SELEND: return &w.SELEND;
    case KvguiKey::HIDE: return &w.HIDE;
    case KvguiKey::SCROLL: return &w.SCROLL;
    case KvguiKey::ALIGN: return &w.ALIGN;
    case KvguiKey::XPOS: return &w.XPOS;
    case KvguiKey::YPOS: return &w.YPOS;
    default: return nullptr;
  }
}

const double* widget_double(const KVGUI_WDG& w, KvguiKey key) {
  switch (key) {
    case KvguiKey::MINVAL: return &w.MINVAL;
    case KvguiKey::MAXVAL: return &w.MAXVAL;
    case KvguiKey::STEP: return &w.STEP;
    default: return nullptr;
  }
}

const BasicString* widget_text(const KVGUI_WDG& w, KvguiKey key) {
  switch (key) {
    case KvguiKey::TEXT: return &w.TEXT;
    case KvguiKey::TYPE: return &w.TYPE;
    case KvguiKey::FILTER: return &w.FILTER;
    case KvguiKey::TIPTEXT: return &w.TIPTEXT;
    default: return nullptr;
  }
}

const int32_t* dialog_int(const KVGUI_DLG& d, KvguiKey key) {
  switch (key) {
    case KvguiKey::COL_BRIGHT: return &d.COL_BRIGHT;
    case KvguiKey::COL_NORM: return &d.COL_NORM;
    case KvguiKey::COL_HOVER_BRIGHT: return &d.COL_HOVER_BRIGHT;
    case KvguiKey::COL_HOVER_NORM: return &d.COL_HOVER_NORM;
    case KvguiKey::XPOS: return &d.XPOS;
    case KvguiKey::YPOS: return &d.YPOS;
    case KvguiKey::WIDTH: return &d.self.WIDTH;
    case KvguiKey::HEIGHT: return &d.self.HEIGHT;
    case KvguiKey::MOVEABLE: return &d.MOVEABLE;
    case KvguiKey::SCALEABLE: return &d.SCALEABLE;
    case KvguiKey::MOVING: return &d.MOVING;
    case KvguiKey::SCALEING: return &d.SCALEING;
    case KvguiKey::SCROLL: return &d.self.SCROLL;
    case KvguiKey::SCROLLING: return &d.SCROLLING;
    default: return nullptr;
  }
}

const BasicString* dialog_text(const KVGUI_DLG& d, KvguiKey key) {
  switch (key) {
    case KvguiKey::FOCUS: return &d.FOCUS;
    case KvguiKey::INKEY: return &d.INKEY;
    case KvguiKey::TEXT: return &d.self.TEXT;
    default: return nullptr;
  }
}

BasicString int_text(int v) {
  BasicString s;
  s.init_int(v);
  return s;
}

BasicString double_text(double v) {
  BasicString s;
  s.init_double(v);
  return s;
}

// A double as the interface hands it over: through its 10-digit text.
double through_text(double v) {
  char buf[kQvlGcvtBufferSize];
  qvl_fmt_gcvt(v, buf);
  return qvl_fmt_atof(buf);
}

int32_t* mutable_int(KVGUI_WDG& w, KvguiKey key) {
  if (key == KvguiKey::XPOS || key == KvguiKey::YPOS) return nullptr;
  return const_cast<int32_t*>(widget_int(w, key));
}

// Both ends of a link hold ints: the value crosses as its decimal text,
// which gives back the same int, so it is copied as it is.
bool link_int(KVGUI_DLG& top, const BasicString& id, KvguiKey key, const int32_t** out) {
  if (id.length == 0) {
    *out = dialog_int(top, key);
    return *out != nullptr;
  }
  KVGUI_WDG* w = kvgui_widget_of(top, id);
  *out = w ? widget_int(*w, key) : nullptr;
  return *out != nullptr;
}

}  // namespace

KvguiKey kvgui_key_of(const BasicString& key) {
  if (key.length <= 0) return KvguiKey::UNKNOWN;
  for (const KeyName& k : kKeyNames) {
    const size_t n = std::strlen(k.name);
    if (size_t(key.length) == n && std::memcmp(key.text, k.name, n) == 0) return k.key;
  }
  return KvguiKey::UNKNOWN;
}

BasicString kvgui_read_widget_key(const KVGUI_WDG& widget, KvguiKey key) {
  if (key >= KvguiKey::FOCUS) return BasicString("0");
  if (const int32_t* v = widget_int(widget, key)) return int_text(*v);
  if (const double* v = widget_double(widget, key)) return double_text(*v);
  if (const BasicString* v = widget_text(widget, key)) return *v;
  return BasicString("0");
}

BasicString kvgui_read_widget_property(KVGUI_WDG& widget, const BasicString& key) {
  return kvgui_read_widget_key(widget, kvgui_key_of(key));
}

void kvgui_write_widget_key(KVGUI_WDG& widget, KvguiKey key, const BasicString& value) {
  if (key >= KvguiKey::FOCUS) return;
  if (key == KvguiKey::TYPE) {
    kvgui_set_widget_type(widget, value);
  } else if (int32_t* v = mutable_int(widget, key)) {
    *v = value.to_int();
    if (key == KvguiKey::SCROLL) widget.scroll_speed = 0.0;
  } else if (const double* v = widget_double(widget, key)) {
    *const_cast<double*>(v) = value.to_double();
  } else if (const BasicString* v = widget_text(widget, key)) {
    const_cast<BasicString*>(v)->assign(value);
  }
}

void kvgui_write_widget_int(KVGUI_WDG& widget, KvguiKey key, int value) {
  if (int32_t* v = mutable_int(widget, key)) {
    *v = value;
    if (key == KvguiKey::SCROLL) widget.scroll_speed = 0.0;
  } else if (const double* v = widget_double(widget, key)) {
    *const_cast<double*>(v) = value;
  } else if (key != KvguiKey::XPOS && key != KvguiKey::YPOS) {
    kvgui_write_widget_key(widget, key, int_text(value));
  }
}

BasicString kvgui_read_dialog_key(const KVGUI_DLG& dialog, KvguiKey key) {
  if (const int32_t* v = dialog_int(dialog, key)) return int_text(*v);
  if (const BasicString* v = dialog_text(dialog, key)) return *v;
  return BasicString();
}

void kvgui_set_dialog_ypos(KVGUI_DLG& dialog, int y) {
  if (dialog.slide_target >= -9999)
    dialog.slide_target = y;
  else
    dialog.YPOS = y;
}

void kvgui_write_dialog_int(KVGUI_DLG& dialog, KvguiKey key, int value) {
  switch (key) {
    case KvguiKey::MOVING:
    case KvguiKey::SCALEING:
    case KvguiKey::SCROLLING:
      return;  // set by the update alone
    case KvguiKey::YPOS:
      kvgui_set_dialog_ypos(dialog, value);
      return;
    case KvguiKey::SCROLL:
      dialog.self.SCROLL = value;
      dialog.self.scroll_speed = 0.0;
      return;
    default:
      break;
  }
  if (const int32_t* v = dialog_int(dialog, key))
    *const_cast<int32_t*>(v) = value;
  else if (const BasicString* v = dialog_text(dialog, key))
    const_cast<BasicString*>(v)->assign(int_text(value));
}

void kvgui_write_dialog_key(KVGUI_DLG& dialog, KvguiKey key, const BasicString& value) {
  if (const BasicString* v = dialog_text(dialog, key))
    const_cast<BasicString*>(v)->assign(value);
  else if (dialog_int(dialog, key))
    kvgui_write_dialog_int(dialog, key, value.to_int());
}

BasicString kvgui_get_property(const BasicString& id, const BasicString& key) {
  if (kvgui_stack_empty()) return BasicString();
  KVGUI_DLG& top = kvgui_top_dialog();
  const KvguiKey k = kvgui_key_of(key);
  if (id.length == 0) return kvgui_read_dialog_key(top, k);
  const KVGUI_WDG* w = kvgui_widget_of(top, id);
  return w ? kvgui_read_widget_key(*w, k) : BasicString();
}

double kvgui_get_number(const BasicString& id, const BasicString& key) {
  if (kvgui_stack_empty()) return 0.0;
  KVGUI_DLG& top = kvgui_top_dialog();
  const KvguiKey k = kvgui_key_of(key);
  if (id.length == 0) {
    if (const int32_t* v = dialog_int(top, k)) return *v;
    const BasicString* t = dialog_text(top, k);
    return t ? t->to_double() : 0.0;
  }
  const KVGUI_WDG* w = kvgui_widget_of(top, id);
  if (!w || k >= KvguiKey::FOCUS) return 0.0;
  if (const int32_t* v = widget_int(*w, k)) return *v;
  if (const double* v = widget_double(*w, k)) return through_text(*v);
  if (const BasicString* t = widget_text(*w, k)) return t->to_double();
  return 0.0;
}

int kvgui_set_property(const BasicString& id, const BasicString& key, const BasicString& value) {
  KVGUI_DLG& top = kvgui_top_dialog();
  const KvguiKey k = kvgui_key_of(key);
  if (id.length == 0) {
    kvgui_write_dialog_key(top, k, value);
    return 0;
  }
  const int entry = kvgui_find_or_add_entry(top, id);
  if (entry >= 0) kvgui_write_widget_key(kvgui_entry_widget(top, entry), k, value);
  return 0;
}

void kvgui_run_callback(KVGUI_WDG& widget, const char* verb, BasicString& value) {
  const KvguiCallback callback = widget.callback;
  if (!callback) return;
  // Copies: the routine may add widgets, which moves the one it was given.
  BasicString id(widget.id);
  BasicString verb_text(verb);
  // The routine draws for itself (or anything else) at once: what the
  // dialog queued so far goes first.
  kvgui_canvas_flush();
  callback(id, verb_text, value);
  kvgui_canvas_after_own_drawing();
}

int kvgui_call_widget_callback(const BasicString& id, const BasicString& verb,
                               BasicString& value) {
  if (kvgui_stack_empty()) return 0;
  KVGUI_WDG* w = kvgui_widget_of(kvgui_top_dialog(), id);
  if (!w || !w->callback) return 0;
  const KvguiCallback callback = w->callback;
  BasicString id_copy(id);
  BasicString verb_copy(verb);
  callback(id_copy, verb_copy, value);
  return 0;
}

BasicString kvgui_get_widget_item(const BasicString& id, int n) {
  if (kvgui_stack_empty()) return BasicString();
  const KVGUI_WDG* w = kvgui_widget_of(kvgui_top_dialog(), id);
  if (!w) return BasicString("0");
  return kvgui_get_text_item(w->TEXT, n);
}

BasicString kvgui_find_widget_at(int x, int y) {
  if (kvgui_stack_empty()) return BasicString();
  KVGUI_DLG& top = kvgui_top_dialog();
  kvgui_sort_widgets(top);
  for (int i = 0; i < top.widgets.size1; ++i) {
    const KVGUI_WDG& w = top.widgets.data[i];
    if (qvl_math_boxes_overlap(x, y, 1, 1, w.XPOS, w.YPOS, w.WIDTH, w.HEIGHT)) return w.id;
  }
  return BasicString();
}

int kvgui_test_client_overlap(int x, int y, int w, int h) {
  if (kvgui_stack_empty()) return 0;
  const KVGUI_DLG& top = kvgui_top_dialog();
  return qvl_math_boxes_overlap(x, y, w, h, top.outer_x, top.outer_y, top.outer_w, top.outer_h)
             ? 1
             : 0;
}

int kvgui_add_link(const BasicString& src_id, const BasicString& src_key,
                   const BasicString& dst_id, const BasicString& dst_key) {
  KVGUI_DLG& top = kvgui_top_dialog();
  KVGUI_AUTO* link = kvgui_array_append(top.links);
  if (!link) return 0;
  link->src_id.assign(src_id);
  link->dst_id.assign(dst_id);
  link->src_key.assign(src_key);
  link->dst_key.assign(dst_key);
  return 0;
}

void kvgui_apply_links() {
  if (kvgui_stack_empty()) return;
  KVGUI_DLG& top = kvgui_top_dialog();
  // Neither reading nor writing a property runs user code or touches the
  // links, so the top dialog and its links stay where they are; the widget
  // array may grow when a target is created.
  for (int i = 0; i < top.links.size1; ++i) {
    const KVGUI_AUTO& link = top.links.data[i];
    const KvguiKey src_key = kvgui_key_of(link.src_key);
    const KvguiKey dst_key = kvgui_key_of(link.dst_key);
    const int32_t* src = nullptr;
    const int32_t* dst = nullptr;
    if (link_int(top, link.src_id, src_key, &src) && link_int(top, link.dst_id, dst_key, &dst)) {
      const int32_t value = *src;
      if (link.dst_id.length == 0)
        kvgui_write_dialog_int(top, dst_key, value);
      else
        kvgui_write_widget_int(*kvgui_widget_of(top, link.dst_id), dst_key, value);
      continue;
    }
    kvgui_set_property(link.dst_id, link.dst_key, kvgui_get_property(link.src_id, link.src_key));
  }
}
