#include "hosts/Ecypt.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"

namespace zun {
namespace {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

TEST(Ecypt, KeyIsTheDigestOfThePassPhrase) {
  EXPECT_EQ(Hex(PasswordCipherKey()), "46741dc074ae26e05e1587f33b067071");
}

TEST(Ecypt, KnownStoredForms) {
  struct Case {
    std::string password, stored, deciphered;
  } cases[] = {
      {"password", "9f0bc9de135e7fbc44", "password"},
      {"s3cret!", "9c59d9df01452cd8", "s3cret!"},
      {"\x83\x70\x83\x58", "6c1a39f564", "\x83\x70\x83\x58"},
      // The enciphered "j" is a zero byte: the stored form ends before it.
      {"ajax", "8e", "aj"},
  };
  for (const Case& c : cases) {
    const std::string stored = EncipherPassword(c.password);
    EXPECT_EQ(Hex(stored), c.stored) << c.password;
    EXPECT_EQ(stored, CipherPassword(c.password, kEncipher));
    EXPECT_EQ(DecipherPassword(stored), c.deciphered) << c.password;
    EXPECT_EQ(CipherPassword(stored, kDecipher), c.deciphered);
  }
}

TEST(Ecypt, BlankPasswordsAreNone) {
  EXPECT_EQ(EncipherPassword(""), "");
  EXPECT_EQ(EncipherPassword("   "), "");
  EXPECT_EQ(EncipherPassword(" \t\r\n "), "");
  EXPECT_EQ(DecipherPassword(""), "");
  // Blanks inside a password are kept, at the ends too.
  EXPECT_EQ(EncipherPassword(" x ").size(), 4u);
  EXPECT_EQ(DecipherPassword(EncipherPassword(" x ")), " x ");
}

TEST(Ecypt, StoredFormOfBlankBytesStillDeciphers) {
  // "\xcf" enciphers to a blank and "j" to zero, so the stored form is one blank.
  const std::string password = "\xcfj";
  ASSERT_EQ(EncipherPassword(password), " ");
  EXPECT_EQ(DecipherPassword(" "), password);
}

TEST(Ecypt, RoundTripAndZeroCut) {
  // Every password of one or two bytes: the stored form either gives the password back, or ends at
  // the zero byte j and deciphers to the first j + 1 bytes.
  int cut = 0;
  for (int a = 1; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      std::string p(1, static_cast<char>(a));
      if (b) p += static_cast<char>(b);
      if (Trim(p).empty()) continue;
      const std::string stored = EncipherPassword(p);
      if (stored.size() >= p.size()) {
        EXPECT_EQ(DecipherPassword(stored), p);
        EXPECT_LE(stored.size(), p.size() + 1);
      } else if (!stored.empty()) {
        ++cut;
        EXPECT_EQ(DecipherPassword(stored), p.substr(0, stored.size() + 1));
      }
    }
  }
  EXPECT_GT(cut, 0);

  // Longer than any work buffer; chosen so that no enciphered byte is zero.
  std::string longer;
  for (int i = 0; i < 300; ++i) longer += static_cast<char>('A' + (i + 6) % 26);
  ASSERT_EQ(EncipherPassword(longer).size(), longer.size() + 1);
  EXPECT_EQ(DecipherPassword(EncipherPassword(longer)), longer);
}

TEST(Ecypt, CommonBeginningsAndNoSalt) {
  const std::string a = EncipherPassword("passage");
  const std::string b = EncipherPassword("password");
  EXPECT_EQ(a.substr(0, 4), b.substr(0, 4));
  EXPECT_NE(a.substr(0, 5), b.substr(0, 5));
  EXPECT_EQ(EncipherPassword("password"), b);
}

}  // namespace
}  // namespace zun
