#include "files/cipher_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/basic_string_text.h"

namespace {

using qvl_test::bytes;
using qvl_test::str;

TEST(CipherCommands, EncryptHexGivesTheVectorAsLowerCaseHex) {
  const BasicString ff = bytes(std::string(8, '\xff'));
  EXPECT_EQ(str(qvl_str_encrypt_hex(ff, ff)), "d56f86518acb5eb8");
  BasicString hex("D56F86518ACB5EB8");  // upper-case input is lower-cased in place
  EXPECT_EQ(str(qvl_str_decrypt_hex(ff, hex)), std::string(8, '\xff'));
  EXPECT_EQ(str(hex), "d56f86518acb5eb8");
}

TEST(CipherCommands, LengthsAndRoundTrip) {
  const BasicString key("player one");
  struct Case { const char* text; int hex_length; };
  for (const Case& c : {Case{"", 0}, Case{"a", 16}, Case{"8 bytes!", 16}, Case{"9 bytes!!", 32},
                        Case{"a longer text of thirty-one b..", 64}}) {
    const BasicString hex = qvl_str_encrypt_hex(key, BasicString(c.text));
    EXPECT_EQ(hex.length, c.hex_length) << c.text;
    BasicString in = hex;
    EXPECT_EQ(str(qvl_str_decrypt_hex(key, in)), c.text);
  }
  // Another key does not give the text back.
  BasicString hex = qvl_str_encrypt_hex(key, BasicString("hello"));
  EXPECT_NE(str(qvl_str_decrypt_hex(BasicString("player two"), hex)), "hello");
}

TEST(CipherCommands, DecryptStopsAtTheFirstZeroByte) {
  const BasicString key("k");
  BasicString hex = qvl_str_encrypt_hex(key, bytes(std::string("ab\0cd", 5)));
  EXPECT_EQ(str(qvl_str_decrypt_hex(key, hex)), "ab");
}

TEST(CipherCommands, EmptyKeyIsAccepted) {
  BasicString hex = qvl_str_encrypt_hex(BasicString(), BasicString("no key"));
  EXPECT_EQ(hex.length, 16);
  EXPECT_EQ(str(qvl_str_decrypt_hex(BasicString(), hex)), "no key");
}

TEST(CipherCommands, MalformedHexIsSafeAndDropsPartialBlocks) {
  const BasicString key("k");
  const BasicString good = qvl_str_encrypt_hex(key, BasicString("12345678abc"));
  ASSERT_EQ(good.length, 32);
  struct Case { std::string hex; std::string want; };
  const Case cases[] = {
      {"", ""},
      {"a", ""},
      {"abc", ""},
      {str(good).substr(0, 15), ""},          // less than one block
      {str(good).substr(0, 17), "12345678"},  // one block and an odd digit
      {str(good).substr(0, 30), "12345678"},  // one block and a fragment
      {str(good), "12345678abc"},
  };
  for (const Case& c : cases) {
    BasicString hex = bytes(c.hex);
    EXPECT_EQ(str(qvl_str_decrypt_hex(key, hex)), c.want) << c.hex;
  }
  // Characters outside 0-9a-f give bytes by the digit formula; no crash.
  BasicString junk("zz!!zz!!zz!!zz!!");
  qvl_str_decrypt_hex(key, junk);
}

}  // namespace
