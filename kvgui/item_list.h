// Item lists: one text with the items separated by "|", as radio groups,
// combo boxes, galleries, lists and tab bars hold them.
#pragma once

#include <vector>

#include "core/basic_string.h"

// Item n counting every "|" (so "a||b" has the empty item 1); "" when n is
// negative or the text has fewer items.
BasicString kvgui_get_text_item(const BasicString& text, int n);
// The non-empty items (runs of "|" count as one separator).
std::vector<BasicString> kvgui_split_items(const BasicString& text);
// Splits at any of the separator bytes, skipping empty fields.
std::vector<BasicString> kvgui_split_fields(const BasicString& text, char separator);
BasicString kvgui_join_items(const std::vector<BasicString>& items);

// Inserts an item at index (appends when index is outside the items); the
// empty item is stored as "<null>". Refreshes the top dialog.
int kvgui_insert_item(const BasicString& id, const BasicString& item, int index);
// Deletes item index (the last one when index is past the end, every item
// when it is negative). Refreshes the top dialog.
int kvgui_delete_item(const BasicString& id, int index);
