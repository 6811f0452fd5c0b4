// Blowfish: the runtime's symmetric block cipher (64-bit blocks, 16 rounds),
// applied block by block (ECB, no IV) to a byte buffer.
//
// The halves of a block are read from memory little-endian (bytes 0..3 are
// the left half, byte 0 least significant), so ciphertexts differ from the
// big-endian published vectors byte for byte while the cipher and the key
// schedule are the standard ones. The encrypt/decrypt hex commands rely on
// this layout; stored ciphertexts depend on it.
#pragma once

#include <cstddef>
#include <cstdint>

class Blowfish {
 public:
  // Fields in their fixed order: both blocks live on the heap.
  uint32_t* p_array;  // 18 words
  uint32_t* s_boxes;  // 4 x 256 words

  Blowfish() : p_array(nullptr), s_boxes(nullptr) { create(); }
  ~Blowfish() { release(); }
  Blowfish(const Blowfish&) = delete;
  Blowfish& operator=(const Blowfish&) = delete;

  // Allocates both tables (contents unset until set_key).
  void create();
  void release();

  // Key schedule over the key's bytes, taken cyclically; at most 72 count.
  // An empty key leaves the P-array unmixed (the same as one zero byte).
  void set_key(const uint8_t* key, size_t length);

  void encrypt_block(uint32_t& left, uint32_t& right) const;
  void decrypt_block(uint32_t& left, uint32_t& right) const;

  // Enciphers n bytes; the last partial block is padded with zero bytes.
  // output must hold the padded length (it may be input itself, which must
  // then hold it too). Returns the padded length; n = 0 does nothing.
  size_t encrypt(const uint8_t* input, uint8_t* output, size_t n) const;

  // Deciphers the whole blocks among n bytes (output may be input). Trailing
  // bytes that do not fill a block are no ciphertext of ours: they are copied
  // unchanged and never read past n. Returns the bytes deciphered.
  size_t decrypt(const uint8_t* input, uint8_t* output, size_t n) const;

 private:
  uint32_t round_f(uint32_t x) const;
};

// n rounded up to a multiple of 8 (n itself when it already is one).
size_t qvl_crypt_padded_length(size_t n);
