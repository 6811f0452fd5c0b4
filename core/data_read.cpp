#include "core/data_read.h"

#include "core/error_state.h"
#include "core/maths.h"

namespace {

constexpr int kErrOutOfData = 20;

DataBlock* g_current = nullptr;

// The next item, or null after raising the error and ending the program (END
// returns only while the program is already ending).
const DataItem* next_item() {
  if (!g_current || g_current->read_index < 0 || g_current->read_index >= g_current->count) {
    qvl_err_raise(kErrOutOfData);
    qvl_err_end_program_once();
    return nullptr;
  }
  return &g_current->items[g_current->read_index++];
}

}  // namespace

void qvl_data_restore(DataBlock* block) {
  g_current = block;
  if (block) block->read_index = 0;
}

void qvl_data_read_str(BasicString& target) {
  const DataItem* item = next_item();
  if (!item) return;
  BasicString text;
  if (item->text) {
    text.init_cstr(item->text);
  } else {
    text.init_double(item->value);
  }
  target.assign(text);
}

void qvl_data_read_float(double& target) {
  const DataItem* item = next_item();
  if (!item) return;
  target = item->text ? BasicString(item->text).to_double() : item->value;
}

void qvl_data_read_int(int& target) {
  const DataItem* item = next_item();
  if (!item) return;
  target = item->text ? BasicString(item->text).to_int() : qvl_math_truncate_int(item->value);
}
