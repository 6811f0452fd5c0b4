// IniDocument: an INI text file in memory, as sections of key/value entries.
// Loaded whole, changed in memory, written back whole when changed. Section
// names and keys compare without regard to ASCII case; a name may occur
// more than once, and look-ups always take the first.
//
// The runtime keeps one global document behind qvl_ini_open, qvl_ini_get and
// qvl_ini_put; other code (the scene-package loader) builds its own.
#pragma once

#include <cstdint>

#include "core/basic_string.h"
#include "core/grow_vector.h"

// A look-up from a name to the first section or entry that carries it, for
// long lists (ini_document.cpp).
struct IniNameIndex;

// The largest INI file loaded: settings take kilobytes, and a document
// holds several times its file's bytes in memory. A larger file (or one
// that grows past this while it loads) gives an empty document without a
// name, so that no later save writes it over the file it could not read.
constexpr int64_t kIniMaxFileBytes = int64_t(16) << 20;

struct IniEntry {
  BasicString key;
  BasicString value;
};
QVL_GROW_VECTOR_BITWISE(IniEntry);

struct IniSection {
  BasicString name;
  GrowVector<IniEntry> entries;
  // Finds keys in a long section without a scan; kept by the operations in
  // ini_document.cpp, which drop it whenever an entry is removed.
  mutable IniNameIndex* index = nullptr;

  IniSection();
  IniSection(const IniSection& other);
  // Copies name and entries into a fresh entry block (the source's step,
  // minimum and capacity).
  IniSection& operator=(const IniSection& other);
  // Takes name and entries over, block and all; other is left empty with
  // its growth settings.
  IniSection(IniSection&& other) noexcept;
  IniSection& operator=(IniSection&& other) noexcept;
  ~IniSection();
};
QVL_GROW_VECTOR_BITWISE(IniSection);

struct IniDocument {
  // Fields in their fixed order.
  GrowVector<IniSection> sections;
  BasicString file_name;  // absolute, or a "mem://" name (never written)
  uint8_t dirty = 0;      // set by every put; cleared only by a load
  // Finds sections by name in a long document without a scan (see
  // IniSection::index).
  mutable IniNameIndex* index = nullptr;

  IniDocument();
  IniDocument(const IniDocument&) = delete;
  IniDocument& operator=(const IniDocument&) = delete;
  // Saves as save() does, then releases everything.
  ~IniDocument();

  // Replaces the document by the file's contents; a file that cannot be
  // opened (missing, or no regular file: a folder, a named pipe, a device)
  // gives an empty document that keeps the name.
  void load(const BasicString& name);
  // Writes the document when it is dirty and named, through a temporary
  // file renamed over the old one; a failure leaves the old file as it was.
  void save();

  // Empties the document without saving: no sections, no name, not dirty.
  void reset();
};

IniDocument& qvl_ini_document();
// Saves a dirty document first; an empty name empties the document, any
// other name loads it.
void qvl_ini_open(const BasicString& name);
BasicString qvl_ini_get(const BasicString& section, const BasicString& key,
                        const BasicString& default_value);
// A value for the key in the first section of that name (created when
// missing); an empty value deletes the key; an empty key deletes the section.
void qvl_ini_put(const BasicString& section, const BasicString& key,
                 const BasicString& value);
// The exit-time save and release of the global document.
void qvl_ini_at_exit();

// The same operations on any document.
BasicString qvl_ini_get_in(const IniDocument& doc, const BasicString& section,
                           const BasicString& key, const BasicString& default_value);
void qvl_ini_put_in(IniDocument& doc, const BasicString& section,
                    const BasicString& key, const BasicString& value);
