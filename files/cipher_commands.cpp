#include "files/cipher_commands.h"

#include <cstring>
#include <vector>

#include "core/number_text.h"
#include "core/string_commands.h"
#include "files/blowfish.h"

namespace {

// A hex character's worth: its code - '0' up to '9', else its code - 87, so
// 'a'..'f' give 10..15. Other characters are not rejected; they give
// whatever the formula yields (reduced modulo 256 by the caller).
int hex_worth(char c) {
  const int code = static_cast<unsigned char>(c);
  return code <= '9' ? code - '0' : code - 87;
}

void key_cipher(Blowfish& cipher, const BasicString& key) {
  cipher.set_key(reinterpret_cast<const uint8_t*>(key.text), static_cast<size_t>(key.length));
}

}  // namespace

BasicString qvl_str_encrypt_hex(const BasicString& key, const BasicString& text) {
  const size_t n = static_cast<size_t>(text.length);
  std::vector<uint8_t> cipher_bytes(qvl_crypt_padded_length(n));
  Blowfish cipher;
  key_cipher(cipher, key);
  const size_t padded =
      cipher.encrypt(reinterpret_cast<const uint8_t*>(text.text), cipher_bytes.data(), n);
  return qvl_fmt_hex_encode(cipher_bytes.data(), static_cast<int>(padded), false);
}

BasicString qvl_str_decrypt_hex(const BasicString& key, BasicString& hex) {
  qvl_str_to_lower_in_place(hex);
  // Only whole 8-byte blocks are ciphertext; valid input (a multiple of 16
  // characters) loses nothing here.
  const size_t bytes = static_cast<size_t>(hex.length) / 2;
  const size_t whole = bytes & ~size_t(7);
  if (whole == 0) return BasicString();

  // One spare zero byte ends the text when no 0 byte was enciphered.
  std::vector<uint8_t> buffer(whole + 1, 0);
  for (size_t i = 0; i < whole; ++i) {
    buffer[i] = static_cast<uint8_t>(16 * hex_worth(hex.text[2 * i]) + hex_worth(hex.text[2 * i + 1]));
  }
  Blowfish cipher;
  key_cipher(cipher, key);
  cipher.decrypt(buffer.data(), buffer.data(), whole);
  buffer[whole] = 0;

  BasicString result;
  result.assign_cstr(reinterpret_cast<const char*>(buffer.data()));
  return result;
}
