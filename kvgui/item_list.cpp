#include "kvgui/item_list.h"

#include <algorithm>
#include <climits>

#include "kvgui/dialog_stack.h"
#include "kvgui/layout.h"
#include "kvgui/properties.h"
#include "kvgui/widget_index.h"

namespace {

BasicString bytes(const char* p, int n) {
  BasicString s;
  if (n > 0) {
    s.reserve_keep(n);
    for (int i = 0; i < n; ++i) s.text[i] = p[i];
    s.text[n] = 0;
    s.length = n;
  }
  return s;
}

}  // namespace

BasicString kvgui_get_text_item(const BasicString& text, int n) {
  if (n < 0) return BasicString();
  int start = 0;
  for (int i = 0; i < text.length && n > 0; ++i) {
    if (text.text[i] == '|') {
      --n;
      start = i + 1;
    }
  }
  if (n > 0) return BasicString();
  int end = start;
  while (end < text.length && text.text[end] != '|') ++end;
  return bytes(text.text + start, end - start);
}

std::vector<BasicString> kvgui_split_fields(const BasicString& text, char separator) {
  std::vector<BasicString> fields;
  int start = 0;
  for (int i = 0; i <= text.length; ++i) {
    if (i == text.length || text.text[i] == separator) {
      if (i > start) fields.push_back(bytes(text.text + start, i - start));
      start = i + 1;
    }
  }
  return fields;
}

std::vector<BasicString> kvgui_split_items(const BasicString& text) {
  return kvgui_split_fields(text, '|');
}

BasicString kvgui_join_items(const std::vector<BasicString>& items) {
  BasicString out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out.append_char('|');
    out.append(items[i]);
  }
  return out;
}

int kvgui_insert_item(const BasicString& id, const BasicString& item, int index) {
  KVGUI_DLG& top = kvgui_top_dialog();
  const int entry = kvgui_find_or_add_entry(top, id);
  if (entry >= 0) {
    KVGUI_WDG& w = kvgui_entry_widget(top, entry);
    std::vector<BasicString> items = kvgui_split_items(w.TEXT);
    const int count = static_cast<int>(items.size());
    const BasicString value = item.length == 0 ? BasicString("<null>") : item;
    const bool inside = index >= 0 && index < count;
    if (inside)
      items.insert(items.begin() + index, value);
    else
      items.push_back(value);
    w.TEXT = kvgui_join_items(items);
    w.COUNT = count + 1;
    if (inside && w.SELECT >= index && w.SELECT < INT_MAX) ++w.SELECT;
  }
  kvgui_refresh_dialog();
  return 0;
}

int kvgui_delete_item(const BasicString& id, int index) {
  KVGUI_DLG& top = kvgui_top_dialog();
  const int entry = kvgui_find_or_add_entry(top, id);
  if (entry >= 0) {
    KVGUI_WDG& w = kvgui_entry_widget(top, entry);
    std::vector<BasicString> items = kvgui_split_items(w.TEXT);
    if (index < 0) {
      w.TEXT = BasicString();
      w.COUNT = 0;
      w.SELECT = -1;
    } else {
      if (!items.empty()) items.erase(items.begin() + std::min<size_t>(size_t(index), items.size() - 1));
      w.TEXT = kvgui_join_items(items);
      w.COUNT = static_cast<int>(items.size());
      if (w.SELECT >= index) --w.SELECT;
    }
  }
  kvgui_refresh_dialog();
  return 0;
}
