#include "kvgui/widget_index.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "core/error_state.h"
#include "kvgui/record_array.h"

namespace {

uint32_t hash_id(const BasicString& id) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (int32_t i = 0; i < id.length; ++i) {
    h ^= static_cast<unsigned char>(id.text[i]);
    h *= 16777619u;
  }
  return h;
}

void index_insert(KvguiIdIndex& index, const BasicArray<KVGUI_ORDER>& order, int k) {
  const size_t mask = index.slots.size() - 1;
  size_t i = hash_id(order.data[k].id) & mask;
  while (index.slots[i] != 0) i = (i + 1) & mask;
  index.slots[i] = k + 1;
  ++index.used;
}

// Builds the look-up anew from the creation-order entries, with room for
// at least `room` of them at half load.
void rebuild_index(KVGUI_DLG& dialog, int room) {
  KvguiIdIndex& index = dialog.id_index;
  size_t size = 16;
  while (size < size_t(room) * 2) size *= 2;
  index.slots.assign(size, 0);
  index.used = 0;
  for (int k = 0; k < dialog.order.size1; ++k) index_insert(index, dialog.order, k);
}

// The look-up must describe the entries there are; an array emptied or
// grown by other means is caught here and the look-up built again.
void check_index(KVGUI_DLG& dialog) {
  if (dialog.id_index.used != dialog.order.size1 ||
      (dialog.order.size1 > 0 && dialog.id_index.slots.empty()))
    rebuild_index(dialog, dialog.order.size1);
}

}  // namespace

int kvgui_compare_ids(const BasicString& a, const BasicString& b) {
  const int32_t n = std::min(a.length, b.length);
  const int c = n > 0 ? std::memcmp(a.text, b.text, size_t(n)) : 0;
  if (c != 0) return c;
  return a.length < b.length ? -1 : (a.length > b.length ? 1 : 0);
}

bool kvgui_same_text(const BasicString& a, const BasicString& b) {
  return a.length == b.length && (a.length <= 0 || std::memcmp(a.text, b.text, a.length) == 0);
}

bool kvgui_same_text(const BasicString& a, const char* b) {
  const size_t n = std::strlen(b);
  return a.length >= 0 && size_t(a.length) == n && std::memcmp(a.text, b, n) == 0;
}

int kvgui_find_entry(KVGUI_DLG& dialog, const BasicString& id) {
  check_index(dialog);
  const KvguiIdIndex& index = dialog.id_index;
  if (index.used == 0) return -1;
  const size_t mask = index.slots.size() - 1;
  for (size_t i = hash_id(id) & mask;; i = (i + 1) & mask) {
    const int32_t v = index.slots[i];
    if (v == 0) return -1;
    const int k = v - 1;
    if (kvgui_same_text(dialog.order.data[k].id, id)) {
      const int pos = dialog.order.data[k].index;
      // An entry whose widget is gone (arrays changed by other means) names nothing.
      return (pos >= 0 && pos < dialog.widgets.size1) ? k : -1;
    }
  }
}

KVGUI_WDG* kvgui_widget_of(KVGUI_DLG& dialog, const BasicString& id) {
  const int k = kvgui_find_entry(dialog, id);
  return k < 0 ? nullptr : &kvgui_entry_widget(dialog, k);
}

int kvgui_find_widget(KVGUI_DLG& dialog, const BasicString& id) {
  const int k = kvgui_find_entry(dialog, id);
  return k < 0 ? -1 : dialog.order.data[k].index;
}

int kvgui_find_or_add_entry(KVGUI_DLG& dialog, const BasicString& id) {
  const int found = kvgui_find_entry(dialog, id);
  if (found >= 0) return found;
  const int n = dialog.widgets.size1;
  KVGUI_WDG* widget = kvgui_array_append(dialog.widgets);
  if (!widget) return -1;
  widget->id.assign(id);
  KVGUI_ORDER* entry = kvgui_array_append(dialog.order);
  if (!entry) return -1;
  entry->id.assign(id);
  entry->index = n;
  const int k = dialog.order.size1 - 1;
  KvguiIdIndex& index = dialog.id_index;
  if (size_t(index.used + 1) * 2 > index.slots.size())
    rebuild_index(dialog, index.used + 1);  // includes the new entry
  else
    index_insert(index, dialog.order, k);
  if (dialog.sorted_count == n &&
      (n == 0 || kvgui_compare_ids(dialog.widgets.data[n - 1].id, id) < 0))
    dialog.sorted_count = n + 1;
  return k;
}

int kvgui_find_or_add_widget(KVGUI_DLG& dialog, const BasicString& id, int add) {
  const int k = add ? kvgui_find_or_add_entry(dialog, id) : kvgui_find_entry(dialog, id);
  return k < 0 ? -1 : dialog.order.data[k].index;
}

void kvgui_sort_widgets(KVGUI_DLG& dialog) {
  BasicArray<KVGUI_WDG>& widgets = dialog.widgets;
  const int n = widgets.size1;
  const int s = std::clamp(dialog.sorted_count, 0, n);
  if (s >= n) {
    dialog.sorted_count = n;
    return;
  }
  auto by_id = [&widgets](int a, int b) {
    return kvgui_compare_ids(widgets.data[a].id, widgets.data[b].id) < 0;
  };
  // place[i] = the widget that goes to position i.
  std::vector<int> place(size_t(n), 0);
  std::iota(place.begin(), place.end(), 0);
  std::sort(place.begin() + s, place.end(), by_id);
  std::inplace_merge(place.begin(), place.begin() + s, place.end(), by_id);

  void* scratch = std::malloc(size_t(n) * sizeof(KVGUI_WDG));
  if (!scratch) {
    qvl_err_raise(7);
    qvl_err_end_program_once();
    return;
  }
  auto* moved = static_cast<unsigned char*>(scratch);
  for (int i = 0; i < n; ++i)
    std::memcpy(moved + size_t(i) * sizeof(KVGUI_WDG),
                static_cast<const void*>(&widgets.data[place[i]]), sizeof(KVGUI_WDG));
  std::memcpy(static_cast<void*>(widgets.data), scratch, size_t(n) * sizeof(KVGUI_WDG));
  std::free(scratch);

  std::vector<int> new_place(size_t(n), 0);
  for (int i = 0; i < n; ++i) new_place[place[i]] = i;
  for (int k = 0; k < dialog.order.size1; ++k) {
    int32_t& index = dialog.order.data[k].index;
    if (index >= 0 && index < n) index = new_place[index];
  }
  dialog.sorted_count = n;
}

std::vector<int> kvgui_entries_in_id_order(KVGUI_DLG& dialog) {
  kvgui_sort_widgets(dialog);
  std::vector<int> entries;
  entries.reserve(size_t(dialog.widgets.size1));
  std::vector<int> at(size_t(dialog.widgets.size1), -1);
  for (int k = 0; k < dialog.order.size1; ++k) {
    const int pos = dialog.order.data[k].index;
    if (pos >= 0 && pos < dialog.widgets.size1) at[pos] = k;
  }
  for (int k : at)
    if (k >= 0) entries.push_back(k);
  return entries;
}

void kvgui_clear_widgets(KVGUI_DLG& dialog) {
  dialog.widgets.dim(0, 0, 0, 0);
  dialog.order.dim(0, 0, 0, 0);
  dialog.links.dim(0, 0, 0, 0);
  dialog.id_index = KvguiIdIndex();
  dialog.sorted_count = 0;
}
