#include "kvgui/records.h"

#include <cstring>

namespace {

struct KindName {
  const char* name;
  KvguiKind kind;
};

constexpr KindName kKindNames[] = {
    {"WIDGET", KvguiKind::WIDGET},         {"SPACER", KvguiKind::SPACER},
    {"FRAME", KvguiKind::FRAME},           {"UNFRAME", KvguiKind::UNFRAME},
    {"EXPANDER", KvguiKind::EXPANDER},     {"UNEXPANDER", KvguiKind::UNEXPANDER},
    {"TAB", KvguiKind::TAB},               {"BUTTON", KvguiKind::BUTTON},
    {"SLIDER", KvguiKind::SLIDER},         {"CHECKBOX", KvguiKind::CHECKBOX},
    {"RADIO", KvguiKind::RADIO},           {"COMBO", KvguiKind::COMBO},
    {"GALLERY", KvguiKind::GALLERY},       {"LIST", KvguiKind::LIST},
    {"SINGLETEXT", KvguiKind::SINGLETEXT}, {"NUMBERTEXT", KvguiKind::NUMBERTEXT},
    {"TEXT", KvguiKind::TEXT},             {"FILE", KvguiKind::FILE},
};

}  // namespace

KvguiKind kvgui_kind_of(const BasicString& type) {
  if (type.length <= 0) return KvguiKind::NONE;
  for (const KindName& k : kKindNames) {
    const size_t n = std::strlen(k.name);
    if (static_cast<size_t>(type.length) == n && std::memcmp(type.text, k.name, n) == 0)
      return k.kind;
  }
  return KvguiKind::USER;
}

void kvgui_set_widget_type(KVGUI_WDG& widget, const BasicString& type) {
  widget.TYPE.assign(type);
  widget.kind = kvgui_kind_of(widget.TYPE);
}

void kvgui_set_widget_type(KVGUI_WDG& widget, const char* type) {
  widget.TYPE.assign_cstr(type);
  widget.kind = kvgui_kind_of(widget.TYPE);
}
