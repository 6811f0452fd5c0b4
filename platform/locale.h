// The user's interface language as a Windows LANGID, from the POSIX locale
// variables, so that code written against GetSystemDefaultUILanguage keeps
// its language tables.
#pragma once

#include <cstdint>

// LANGID of the first set variable among LC_ALL, LC_MESSAGES and LANG;
// 0 when none is set, for "C" and "POSIX", and for unknown languages.
uint16_t qvl_locale_ui_langid();

// LANGID of a locale name such as "de_DE.UTF-8" or "pt_BR@euro":
// the language gives the primary language, the territory the sublanguage
// (1, the language's main form, when the territory is not listed).
uint16_t qvl_locale_langid_from_name(const char* name);
