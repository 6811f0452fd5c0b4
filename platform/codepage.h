// The system's single-byte code page (Windows-1252) against SDL's UTF-8.
// Programs hold text as single bytes; window titles, message boxes and typed
// text cross into SDL as UTF-8.
#pragma once

#include <string>

// Every byte of text becomes its Unicode character; undefined bytes of the
// code page are taken as Latin-1.
std::string plat_cp1252_to_utf8(const char* text);

// Decodes UTF-8 into code-page bytes; characters the code page lacks become
// '?', and malformed sequences are skipped byte by byte.
std::string plat_utf8_to_cp1252(const char* utf8);
