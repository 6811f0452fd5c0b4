#include "files/langid_table.h"

#include <cstring>

namespace {

// A run of LANGIDs with one primary language and consecutive sublanguages.
struct LangRange {
  const char* code;
  uint16_t primary;
  uint8_t first_sub;
  uint8_t last_sub;
};

// One row per code and run. 0x0409 (English, United States) answers "UK"
// together with Ukrainian; the other English variants answer "EN".
const LangRange kTable[] = {
    {"AR", 0x01, 1, 16}, {"BG", 0x02, 1, 1},  {"CA", 0x03, 1, 1},  {"CH", 0x04, 1, 2},
    {"ZH", 0x04, 3, 5},  {"CS", 0x05, 1, 1},  {"DA", 0x06, 1, 1},  {"DE", 0x07, 1, 5},
    {"EL", 0x08, 1, 1},  {"UK", 0x09, 1, 1},  {"UK", 0x22, 1, 1},  {"EN", 0x09, 2, 13},
    {"ES", 0x0A, 1, 20}, {"FI", 0x0B, 1, 1},  {"FR", 0x0C, 1, 6},  {"HE", 0x0D, 1, 1},
    {"HU", 0x0E, 1, 1},  {"IS", 0x0F, 1, 1},  {"IT", 0x10, 1, 2},  {"JP", 0x11, 1, 1},
    {"KO", 0x12, 1, 1},  {"NL", 0x13, 1, 2},  {"NO", 0x14, 1, 2},  {"PL", 0x15, 1, 1},
    {"PT", 0x16, 1, 2},  {"RO", 0x18, 1, 1},  {"RU", 0x19, 1, 1},  {"HR", 0x1A, 1, 1},
    {"SR", 0x1A, 2, 3},  {"SK", 0x1B, 1, 1},  {"SQ", 0x1C, 1, 1},  {"SV", 0x1D, 1, 2},
    {"TH", 0x1E, 1, 1},  {"TR", 0x1F, 1, 1},  {"UR", 0x20, 1, 2},  {"IN", 0x21, 1, 1},
    {"BE", 0x23, 1, 1},  {"BE", 0x45, 1, 1},  {"SL", 0x24, 1, 1},  {"ET", 0x25, 1, 1},
    {"LV", 0x26, 1, 1},  {"LT", 0x27, 1, 2},  {"FA", 0x29, 1, 1},  {"VI", 0x2A, 1, 1},
    {"HY", 0x2B, 1, 1},  {"AZ", 0x2C, 1, 2},  {"EU", 0x2D, 1, 1},  {"MK", 0x2F, 1, 1},
    {"AF", 0x36, 1, 1},  {"KA", 0x37, 1, 1},  {"KA", 0x4B, 1, 1},  {"FO", 0x38, 1, 1},
    {"HI", 0x39, 1, 1},  {"MS", 0x3E, 1, 2},  {"KK", 0x3F, 1, 1},  {"KY", 0x40, 1, 1},
    {"SW", 0x41, 1, 1},  {"UZ", 0x43, 1, 2},  {"TT", 0x44, 1, 1},  {"PA", 0x46, 1, 1},
    {"GU", 0x47, 1, 1},  {"OR", 0x48, 1, 1},  {"TA", 0x49, 1, 1},  {"TE", 0x4A, 1, 1},
    {"MA", 0x4C, 1, 1},  {"MA", 0x4E, 1, 1},  {"AS", 0x4D, 1, 1},  {"SA", 0x4F, 1, 1},
    {"MO", 0x50, 1, 1},  {"GL", 0x56, 1, 1},  {"KN", 0x57, 1, 1},  {"SY", 0x5A, 1, 1},
    {"DI", 0x65, 1, 1},
};

}  // namespace

const char* qvl_langid_table_code(uint16_t langid) {
  unsigned primary = langid & 0x3FF;
  unsigned sub = langid >> 10;
  for (const LangRange& r : kTable) {
    if (r.primary == primary && sub >= r.first_sub && sub <= r.last_sub) return r.code;
  }
  return nullptr;
}

int qvl_langid_table_id_count() {
  int n = 0;
  for (const LangRange& r : kTable) n += r.last_sub - r.first_sub + 1;
  return n;
}

int qvl_langid_table_code_count() {
  int n = 0;
  for (size_t i = 0; i < sizeof kTable / sizeof kTable[0]; ++i) {
    bool seen = false;
    for (size_t j = 0; j < i; ++j) seen = seen || std::strcmp(kTable[i].code, kTable[j].code) == 0;
    if (!seen) ++n;
  }
  return n;
}
