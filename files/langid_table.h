// The language codes the platform query answers for a Windows LANGID.
#pragma once

#include <cstdint>

// The table's code for the LANGID ("DE", "UK", ...), or null when the
// LANGID is not listed.
const char* qvl_langid_table_code(uint16_t langid);

// Sizes of the table, for its own checks.
int qvl_langid_table_id_count();
int qvl_langid_table_code_count();
