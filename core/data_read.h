// DATA and READ: the program's constant item lists, read in order and
// rewound with RESTORE. One block is current at a time; each block keeps its
// own read position.
#pragma once

#include "core/basic_string.h"

// One item: a text item has a non-null text (value unused); a number item
// has a null text.
struct DataItem {
  double value;
  const char* text;
};

// One list of items. Blocks are static data of the program; the runtime only
// moves read_index.
struct DataBlock {
  DataItem* items;
  int count;
  int read_index;  // next item to read, from 0
};

// Makes block current and rewinds it.
void qvl_data_restore(DataBlock* block);

// Each READ takes the next item of the current block, converted to the
// target's type. With no current block or past its last item: error 20 and
// END once; the target and the read position stay as they were.
void qvl_data_read_str(BasicString& target);
void qvl_data_read_float(double& target);
void qvl_data_read_int(int& target);
