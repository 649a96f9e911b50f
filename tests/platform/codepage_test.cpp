#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace vok {
namespace {

// 表 is 0x95 0x5C in CP932: its trail byte is a backslash.
const std::string kHyo = "\x95\x5C";

TEST(Codepage, RoundTripsJapaneseAndKeepsBackslash) {
  struct Case { std::string cp932, utf8; } cases[] = {
      {"abc", "abc"},
      {kHyo, "表"},
      {"c:\\pics\\" + kHyo + ".bmp", "c:\\pics\\表.bmp"},
      {"\xB1\xB2", "ｱｲ"},                 // half-width katakana
      {"\x81\x5F", "＼"},                  // full-width backslash
      {"\x5C", "\\"},                      // CP932, not Shift_JIS: a backslash, not a yen sign
      {"\x7E", "~"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
    EXPECT_EQ(Cp932ToUtf8Strict(c.cp932), c.utf8);
    EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932);
  }
}

TEST(Codepage, InvalidByteDoesNotEmptyTheString) {
  // 0x81 followed by 0x20 is no character.
  EXPECT_EQ(Cp932ToUtf8("ab\x81 cd"), "ab\xEF\xBF\xBD cd");
  EXPECT_EQ(Cp932ToUtf8Strict("ab\x81 cd"), std::nullopt);
  EXPECT_EQ(Cp932ToUtf8("ab\xFF"), "ab\xEF\xBF\xBD");
}

TEST(Codepage, UnrepresentableCharactersAreRefusedOrReplaced) {
  EXPECT_EQ(Utf8ToCp932("é"), std::nullopt);
  EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x98\x80"), std::nullopt);  // emoji
  EXPECT_EQ(Utf8ToCp932Lossy("aé表"), "a?" + kHyo);
  EXPECT_EQ(Utf8ToCp932Lossy("\xF0\x9F\x98\x80x"), "?x");
}

TEST(Codepage, LowerCasesAsciiOnlyAndNeverATrailByte) {
  struct Case { std::string in, out; } cases[] = {
      {"C:\\PICS\\SPRING.LZH", "c:\\pics\\spring.lzh"},
      // 0x83 0x41 is ア: its trail byte 'A' must stay.
      {"\x83\x41" "B", "\x83\x41" "b"},
      {kHyo + "A.BMP", kHyo + "a.bmp"},
      {"\xC1Z", "\xC1z"},   // half-width katakana is single-byte
      {"Z\x83", "z\x83"},   // a lead byte at the end stops safely
  };
  for (const auto& c : cases) EXPECT_EQ(LowerCp932(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace vok
