// The widget library's records: a widget, a dialog, a creation-order entry,
// a property link, the image of a popped dialog and the font record, with
// the codes that cross the library (press codes, pending actions) and the
// kinds a widget's TYPE names.
//
// The records are the language's TYPEs: a virtual anchor, the fields in
// their fixed order, defaults set by the constructor, member-wise copies.
// Fields after the language-visible ones are the library's own
// bookkeeping; they are marked as such and never cross the library's
// interface.
#pragma once

#include <cstdint>
#include <vector>

#include "core/basic_array.h"
#include "core/basic_string.h"

// The mouse code handed to widget input each frame.
enum GuiPressCode : int {
  GUI_PRESS_DOWN = -1,   // button 1 went down this frame
  GUI_PRESS_NONE = 0,
  GUI_PRESS_CLICK = 1,   // button 1 was released this frame
};

// A modal dialog queued by a widget, run by its dialog after drawing.
enum GuiPendingAction : int {
  GUI_ACTION_NONE = 0,
  GUI_ACTION_COLOR_PICKER = 1,
  GUI_ACTION_KEYPAD = 2,
  GUI_ACTION_POPUP_LIST = 3,
  GUI_ACTION_FILE_CHOOSER = 4,
};

// A widget's own routine: (widget id, verb, value), verbs "INIT", "DRAW",
// "CLICKED" and "DESTROY". The result is a number the library ignores.
using KvguiCallback = double (*)(BasicString& id, BasicString& verb, BasicString& value);

// A list's items as last split from its TEXT: the text they came from and
// where each non-empty item starts and ends in it. Kept so that a frame
// splits a long list only when its TEXT has changed.
struct KvguiItemSpans {
  BasicString text;
  std::vector<int32_t> starts, ends;
};

// The kind a TYPE text names. NONE is the empty TYPE of a widget that a set
// on an unknown id created: it is inert (not laid out, drawn or handled).
// USER is any other text that names no built-in kind.
enum class KvguiKind : uint8_t {
  NONE,
  USER,
  WIDGET,
  SPACER,
  FRAME,
  UNFRAME,
  EXPANDER,
  UNEXPANDER,
  TAB,
  BUTTON,
  SLIDER,
  CHECKBOX,
  RADIO,
  COMBO,
  GALLERY,
  LIST,
  SINGLETEXT,
  NUMBERTEXT,
  TEXT,
  FILE,
  COUNT,
};

// The kind named by a TYPE text (whole text, byte for byte, case-sensitive).
KvguiKind kvgui_kind_of(const BasicString& type);

class KVGUI_WDG {
 public:
  KVGUI_WDG() = default;
  virtual ~KVGUI_WDG() = default;
  KVGUI_WDG(const KVGUI_WDG&) = default;
  KVGUI_WDG& operator=(const KVGUI_WDG&) = default;
  virtual void type_anchor() {}

  void init() { *this = KVGUI_WDG(); }
  void assign(const KVGUI_WDG& other) { *this = other; }

  BasicString id;
  BasicString TYPE;  // write it through kvgui_set_widget_type, which keeps `kind`
  BasicString TEXT;
  int32_t XPOS = 0, YPOS = 0;
  int32_t WIDTH = 0, HEIGHT = 0;
  int32_t HOVER = 0;
  int32_t HIDE = 0;
  BasicString FILTER;
  BasicString TIPTEXT;
  int32_t CLICKED = 0;
  int32_t SELECT = 0;
  int32_t COUNT = 0;
  int32_t READONLY = 0;
  int32_t SELSTART = 0, SELEND = 0;
  double MINVAL = 0.0;
  double MAXVAL = 1.0;
  double STEP = 0.01;
  int32_t SCROLL = 0;
  int32_t scroll_range = 0;
  double drag_time = 0.0;
  double scroll_speed = 0.0;
  int32_t caret_x = 0, caret_y = 0;
  void* user_data = nullptr;
  int32_t ALIGN = -1;
  KvguiCallback callback = nullptr;

  // Bookkeeping: the kind TYPE names, so that no frame compares kind names;
  // a list's split items; a text field's column for Up and Down: the x
  // where a run of them began, while the caret stands where the last of
  // them put it (column_caret, -1 when the caret has moved otherwise).
  KvguiKind kind = KvguiKind::NONE;
  KvguiItemSpans items;
  int32_t column_x = 0;
  int32_t column_caret = -1;
};

// Sets TYPE and the kind it names.
void kvgui_set_widget_type(KVGUI_WDG& widget, const BasicString& type);
void kvgui_set_widget_type(KVGUI_WDG& widget, const char* type);

class KVGUI_ORDER {
 public:
  KVGUI_ORDER() = default;
  virtual ~KVGUI_ORDER() = default;
  KVGUI_ORDER(const KVGUI_ORDER&) = default;
  KVGUI_ORDER& operator=(const KVGUI_ORDER&) = default;
  virtual void type_anchor() {}

  BasicString id;
  int32_t index = 0;  // position of that id in the dialog's widgets
};

class KVGUI_AUTO {
 public:
  KVGUI_AUTO() = default;
  virtual ~KVGUI_AUTO() = default;
  KVGUI_AUTO(const KVGUI_AUTO&) = default;
  KVGUI_AUTO& operator=(const KVGUI_AUTO&) = default;
  virtual void type_anchor() {}

  void init() { *this = KVGUI_AUTO(); }

  BasicString src_id;
  BasicString dst_id;
  BasicString src_key;
  BasicString dst_key;
};

class KVGUI_POPDLG_IMAGE {
 public:
  KVGUI_POPDLG_IMAGE() = default;
  virtual ~KVGUI_POPDLG_IMAGE() = default;
  KVGUI_POPDLG_IMAGE(const KVGUI_POPDLG_IMAGE&) = default;
  KVGUI_POPDLG_IMAGE& operator=(const KVGUI_POPDLG_IMAGE&) = default;
  virtual void type_anchor() {}

  void assign(const KVGUI_POPDLG_IMAGE& other) { *this = other; }

  int32_t sprite = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t zoom = 0;
  double start_time = 0.0;
};

class KVGUI_FONT {
 public:
  KVGUI_FONT() = default;
  virtual ~KVGUI_FONT() = default;
  KVGUI_FONT(const KVGUI_FONT&) = default;
  KVGUI_FONT& operator=(const KVGUI_FONT&) = default;
  virtual void type_anchor() {}

  // Two tables of the font record that no part of the program fills.
  BasicArray<int> glyph_widths;
  BasicArray<int> glyph_offsets;
  // The proportional-spacing flag of every text the library prints or measures.
  int32_t kvgui_text_kerning = 1;
};

// The dialog's look-up from widget id to creation-order entry: open
// addressing over the entries' own ids, so a look-up costs one hash and
// usually one comparison, whatever the number of widgets.
struct KvguiIdIndex {
  std::vector<int32_t> slots;  // creation-order entry + 1; 0 = empty
  int32_t used = 0;
};

class KVGUI_DLG {
 public:
  KVGUI_DLG() = default;
  virtual ~KVGUI_DLG() = default;
  KVGUI_DLG(const KVGUI_DLG&) = default;
  KVGUI_DLG& operator=(const KVGUI_DLG&) = default;
  virtual void type_anchor() {}

  void init() { *this = KVGUI_DLG(); }
  void assign(const KVGUI_DLG& other) { *this = other; }

  BasicString FOCUS;
  int32_t MOVEABLE = 0;
  int32_t SCALEABLE = 0;
  int32_t MOVING = 0;
  int32_t SCROLLING = 0;
  int32_t SCALEING = 0;
  int32_t COL_BRIGHT = 0;
  int32_t COL_NORM = 0;
  int32_t COL_HOVER_BRIGHT = 0;
  int32_t COL_HOVER_NORM = 0;
  BasicString INKEY;
  int32_t XPOS = 0, YPOS = 0;
  int32_t slide_target = 0;
  int32_t outer_x = 0, outer_y = 0, outer_w = 0, outer_h = 0;
  int32_t content_height = 0;
  int32_t pending_action = GUI_ACTION_NONE;
  BasicString action_id;
  KVGUI_WDG self;
  BasicArray<KVGUI_AUTO> links;
  // Sorted by id, except that widgets added since the last sort wait at the
  // end: kvgui_sort_widgets (and kvgui_get_dialog) put them in place.
  BasicArray<KVGUI_WDG> widgets;
  BasicArray<KVGUI_ORDER> order;

  // Bookkeeping: id look-up, how many leading widgets are in id order, and
  // a number no other dialog of this run has had (the library's dialog
  // references check it, so a popped dialog is never mistaken for a new
  // one at the same place).
  KvguiIdIndex id_index;
  int32_t sorted_count = 0;
  uint32_t serial = 0;
};

// Element types of the library's arrays grow eight at a time.
QVL_ARRAY_STEP(KVGUI_DLG, 8);
QVL_ARRAY_STEP(KVGUI_POPDLG_IMAGE, 8);
QVL_ARRAY_STEP(KVGUI_AUTO, 8);

// Records that may move byte for byte when their array grows: they keep no
// pointer into themselves.
QVL_ARRAY_BITWISE(KVGUI_WDG);
QVL_ARRAY_BITWISE(KVGUI_ORDER);
QVL_ARRAY_BITWISE(KVGUI_AUTO);
QVL_ARRAY_BITWISE(KVGUI_DLG);
QVL_ARRAY_BITWISE(KVGUI_POPDLG_IMAGE);
