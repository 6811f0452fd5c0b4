#include "files/blowfish.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes encrypt(const Blowfish& bf, const Bytes& plain) {
  Bytes out(qvl_crypt_padded_length(plain.size()), 0xcc);
  EXPECT_EQ(bf.encrypt(plain.data(), out.data(), plain.size()), out.size());
  return out;
}

TEST(Blowfish, StandardVectorWithLittleEndianHalves) {
  Blowfish bf;
  const Bytes key(8, 0xff);
  bf.set_key(key.data(), key.size());
  EXPECT_EQ(encrypt(bf, Bytes(8, 0xff)), (Bytes{0xd5, 0x6f, 0x86, 0x51, 0x8a, 0xcb, 0x5e, 0xb8}));

  // A further published vector (key 0, plain 0 -> 4ef99745 6198dd78), with
  // each half byte-reversed into the little-endian block layout.
  const Bytes zero(8, 0);
  bf.set_key(zero.data(), zero.size());
  EXPECT_EQ(encrypt(bf, zero), (Bytes{0x45, 0x97, 0xf9, 0x4e, 0x78, 0xdd, 0x98, 0x61}));
}

TEST(Blowfish, PaddedLength) {
  for (auto [n, want] : {std::pair<size_t, size_t>{0, 0}, {1, 8}, {8, 8}, {9, 16}, {16, 16}}) {
    EXPECT_EQ(qvl_crypt_padded_length(n), want) << n;
  }
}

TEST(Blowfish, RoundTripsPaddingAndNoChaining) {
  Blowfish bf;
  const uint8_t key[] = "secret key";
  bf.set_key(key, sizeof key - 1);

  Bytes plain(16);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 37);
  Bytes cipher = encrypt(bf, plain);
  EXPECT_NE(cipher, plain);
  Bytes back(cipher.size());
  EXPECT_EQ(bf.decrypt(cipher.data(), back.data(), cipher.size()), 16u);
  EXPECT_EQ(back, plain);

  // 5 bytes come back followed by the three zero bytes of padding.
  const Bytes five{1, 2, 3, 4, 5};
  cipher = encrypt(bf, five);
  ASSERT_EQ(cipher.size(), 8u);
  bf.decrypt(cipher.data(), cipher.data(), cipher.size());
  EXPECT_EQ(cipher, (Bytes{1, 2, 3, 4, 5, 0, 0, 0}));

  // ECB: equal blocks give equal ciphertext blocks.
  cipher = encrypt(bf, Bytes(16, 'x'));
  EXPECT_TRUE(std::equal(cipher.begin(), cipher.begin() + 8, cipher.begin() + 8));
}

TEST(Blowfish, InPlaceEncryptZeroesThePaddingFirst) {
  Blowfish bf;
  const uint8_t key[] = {7};
  bf.set_key(key, 1);
  Bytes buffer{'a', 'b', 'c', 0xee, 0xee, 0xee, 0xee, 0xee};
  EXPECT_EQ(bf.encrypt(buffer.data(), buffer.data(), 3), 8u);
  EXPECT_EQ(buffer, encrypt(bf, Bytes{'a', 'b', 'c'}));
}

TEST(Blowfish, KeyBytesRepeatCyclicallyUpTo72) {
  const uint8_t one[] = {0x5a};
  Bytes repeated(72, 0x5a);
  Blowfish a, b;
  a.set_key(one, 1);
  b.set_key(repeated.data(), repeated.size());
  EXPECT_EQ(std::memcmp(a.p_array, b.p_array, 18 * 4), 0);
  EXPECT_EQ(std::memcmp(a.s_boxes, b.s_boxes, 1024 * 4), 0);
  // Bytes beyond the 72nd take no part.
  repeated.push_back(0x11);
  b.set_key(repeated.data(), repeated.size());
  EXPECT_EQ(std::memcmp(a.p_array, b.p_array, 18 * 4), 0);
}

TEST(Blowfish, EmptyKeyWorksLikeOneZeroByte) {
  Blowfish a, b;
  a.set_key(nullptr, 0);
  const uint8_t zero[] = {0};
  b.set_key(zero, 1);
  EXPECT_EQ(std::memcmp(a.p_array, b.p_array, 18 * 4), 0);
  const Bytes plain{'h', 'i'};
  Bytes cipher = encrypt(a, plain);
  a.decrypt(cipher.data(), cipher.data(), cipher.size());
  EXPECT_EQ(cipher[0], 'h');
  EXPECT_EQ(cipher[1], 'i');
}

TEST(Blowfish, DecryptLeavesAPartialBlockAndReadsNoFurther) {
  Blowfish bf;
  const uint8_t key[] = "k";
  bf.set_key(key, 1);
  Bytes cipher = encrypt(bf, Bytes(8, 'z'));
  // Exactly 11 bytes on the heap: ASan catches any read or write past them.
  std::unique_ptr<uint8_t[]> in(new uint8_t[11]);
  std::unique_ptr<uint8_t[]> out(new uint8_t[11]);
  std::memcpy(in.get(), cipher.data(), 8);
  std::memcpy(in.get() + 8, "xyz", 3);
  EXPECT_EQ(bf.decrypt(in.get(), out.get(), 11), 8u);
  EXPECT_EQ(Bytes(out.get(), out.get() + 8), Bytes(8, 'z'));
  EXPECT_EQ(std::memcmp(out.get() + 8, "xyz", 3), 0);  // the fragment is copied unchanged

  std::unique_ptr<uint8_t[]> tiny(new uint8_t[3]{1, 2, 3});
  EXPECT_EQ(bf.decrypt(tiny.get(), tiny.get(), 3), 0u);
  EXPECT_EQ(tiny[2], 3);
  EXPECT_EQ(bf.decrypt(tiny.get(), tiny.get(), 0), 0u);
}

}  // namespace
