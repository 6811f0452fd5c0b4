#include "files/blowfish.h"

#include <cstring>
#include <utility>

#include "files/blowfish_tables.h"

namespace {

constexpr int kRounds = 16;
constexpr size_t kBlock = 8;

uint32_t load_le(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
         uint32_t(p[3]) << 24;
}

void store_le(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

}  // namespace

size_t qvl_crypt_padded_length(size_t n) { return (n + kBlock - 1) & ~(kBlock - 1); }

void Blowfish::create() {
  release();
  p_array = new uint32_t[kRounds + 2];
  s_boxes = new uint32_t[4 * 256];
}

void Blowfish::release() {
  delete[] p_array;
  delete[] s_boxes;
  p_array = nullptr;
  s_boxes = nullptr;
}

uint32_t Blowfish::round_f(uint32_t x) const {
  const uint32_t* s = s_boxes;
  return ((s[x >> 24] + s[256 + ((x >> 16) & 0xff)]) ^ s[512 + ((x >> 8) & 0xff)]) +
         s[768 + (x & 0xff)];
}

void Blowfish::encrypt_block(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 0; i < kRounds; ++i) {
    l ^= p_array[i];
    r ^= round_f(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= p_array[kRounds];
  l ^= p_array[kRounds + 1];
  left = l;
  right = r;
}

void Blowfish::decrypt_block(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = kRounds + 1; i > 1; --i) {
    l ^= p_array[i];
    r ^= round_f(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= p_array[1];
  l ^= p_array[0];
  left = l;
  right = r;
}

void Blowfish::set_key(const uint8_t* key, size_t length) {
  std::memcpy(p_array, kBlowfishInitP, sizeof kBlowfishInitP);
  std::memcpy(s_boxes, kBlowfishInitS, sizeof kBlowfishInitS);

  // Cycling through an empty key would divide by zero; without key bytes the
  // P-array simply stays unmixed.
  if (length > 0) {
    size_t j = 0;
    for (int i = 0; i < kRounds + 2; ++i) {
      uint32_t word = 0;
      for (int b = 0; b < 4; ++b) {
        word = word << 8 | key[j % length];
        ++j;
      }
      p_array[i] ^= word;
    }
  }

  uint32_t l = 0, r = 0;
  for (int i = 0; i < kRounds + 2; i += 2) {
    encrypt_block(l, r);
    p_array[i] = l;
    p_array[i + 1] = r;
  }
  for (int i = 0; i < 4 * 256; i += 2) {
    encrypt_block(l, r);
    s_boxes[i] = l;
    s_boxes[i + 1] = r;
  }
}

size_t Blowfish::encrypt(const uint8_t* input, uint8_t* output, size_t n) const {
  const size_t padded = qvl_crypt_padded_length(n);
  for (size_t q = 0; q < padded; q += kBlock) {
    uint8_t* block = output + q;
    const size_t have = n - q < kBlock ? n - q : kBlock;
    if (output != input) std::memmove(block, input + q, have);
    std::memset(block + have, 0, kBlock - have);
    uint32_t l = load_le(block), r = load_le(block + 4);
    encrypt_block(l, r);
    store_le(block, l);
    store_le(block + 4, r);
  }
  return padded;
}

size_t Blowfish::decrypt(const uint8_t* input, uint8_t* output, size_t n) const {
  const size_t whole = n & ~(kBlock - 1);
  for (size_t q = 0; q < whole; q += kBlock) {
    uint32_t l = load_le(input + q), r = load_le(input + q + 4);
    decrypt_block(l, r);
    store_le(output + q, l);
    store_le(output + q + 4, r);
  }
  if (output != input && n > whole) std::memmove(output + whole, input + whole, n - whole);
  return whole;
}
