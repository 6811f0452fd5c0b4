// The string commands that encipher a text to hexadecimal and back with the
// runtime's Blowfish cipher (ECB, zero-padded, keyed afresh per call).
#pragma once

#include "core/basic_string.h"

// The text's bytes enciphered with the key's bytes, as lower-case hex: two
// characters per byte of the zero-padded ciphertext ("" for an empty text).
BasicString qvl_str_encrypt_hex(const BasicString& key, const BasicString& text);

// The reverse of qvl_str_encrypt_hex. The hex text is lower-cased in place
// (the caller's string changes). The result runs up to the first 0 byte of
// the deciphered bytes, so the padding vanishes. A trailing fragment shorter
// than one block (hex length not a multiple of 16, or an odd last digit) is
// no ciphertext of ours and is ignored.
BasicString qvl_str_decrypt_hex(const BasicString& key, BasicString& hex);
