// Conversions and the comma-text split: every later rule reads cells through these.
#include <gtest/gtest.h>

#include "platform/CommaText.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace zun {
namespace {

TEST(StrToIntDef, DecimalWithSignsAndLeadingSpaces) {
  EXPECT_EQ(StrToIntDef("123", 0), 123);
  EXPECT_EQ(StrToIntDef("0123", 0), 123);
  EXPECT_EQ(StrToIntDef("  -42", 0), -42);
  EXPECT_EQ(StrToIntDef("+7", 0), 7);
  EXPECT_EQ(StrToIntDef("2147483647", 0), 2147483647);
  EXPECT_EQ(StrToIntDef("-2147483648", 0), INT32_MIN);
}

TEST(StrToIntDef, HexadecimalPrefixes) {
  EXPECT_EQ(StrToIntDef("$1F", 0), 31);
  EXPECT_EQ(StrToIntDef("x10", 0), 16);
  EXPECT_EQ(StrToIntDef("X10", 0), 16);
  EXPECT_EQ(StrToIntDef("0x10", 0), 16);
  EXPECT_EQ(StrToIntDef("0X1f", 0), 31);
  EXPECT_EQ(StrToIntDef("-$10", 0), -16);
  EXPECT_EQ(StrToIntDef("$7FFFFFFF", 0), 2147483647);
  EXPECT_EQ(StrToIntDef("$80000000", -1), -1);
  EXPECT_EQ(StrToIntDef("$FFFFFFFF", -1), -1);
}

TEST(StrToIntDef, AnythingElseGivesTheFallback) {
  for (const char* text : {"", " ", "-", "+", "$", "0x", "12 ", "1,2", "abc", "1.5", "\t5", "2147483648",
                           "-2147483649", "00x1", "99999999999999999999"}) {
    EXPECT_EQ(StrToIntDef(text, -1), -1) << '"' << text << '"';
  }
}

TEST(Trim, RemovesControlCharactersAndBlanksAtBothEnds) {
  EXPECT_EQ(Trim(std::string_view("\t\r\n a b \x01\x1f", 10)), "a b");
  EXPECT_EQ(Trim(std::string_view("\0x\0", 3)), "x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\xe3\x81\x82"), "\xe3\x81\x82");  // bytes above 127 stay
}

std::vector<std::string> Split(std::string_view text) { return SplitCommaText(text); }
using Fields = std::vector<std::string>;

TEST(CommaText, CommasAndBlanksBothSeparate) {
  EXPECT_EQ(Split("a b"), (Fields{"a", "b"}));
  EXPECT_EQ(Split("a , b"), (Fields{"a", "b"}));
  EXPECT_EQ(Split("a,,b"), (Fields{"a", "", "b"}));
  EXPECT_EQ(Split("  a"), (Fields{"a"}));
  EXPECT_EQ(Split("a,"), (Fields{"a", ""}));
  EXPECT_EQ(Split("a,  "), (Fields{"a"}));  // the comma is not the last character
  EXPECT_EQ(Split(",a"), (Fields{"", "a"}));
  EXPECT_EQ(Split(""), Fields{});
}

TEST(CommaText, QuotedFields) {
  EXPECT_EQ(Split("\"a,b\",c"), (Fields{"a,b", "c"}));
  EXPECT_EQ(Split("\"say \"\"hi\"\"\",x"), (Fields{"say \"hi\"", "x"}));
  EXPECT_EQ(Split("\"\",x"), (Fields{"", "x"}));
  EXPECT_EQ(Split("\"ab\"cd"), (Fields{"ab", "cd"}));
  EXPECT_EQ(Split("a\"b"), (Fields{"a\"b"}));  // a quote inside a field is just a character
}

TEST(CommaText, UnclosedQuoteTakesTheRestLessItsLastCharacter) {
  EXPECT_EQ(Split("1,\"12"), (Fields{"1", "1"}));
  EXPECT_EQ(Split("1,\"ab, c"), (Fields{"1", "ab, "}));
  EXPECT_EQ(Split("1,\"a"), (Fields{"1", ""}));
  EXPECT_EQ(Split("1,\""), (Fields{"1", ""}));
  EXPECT_EQ(Split("\"ab\"\"cd"), (Fields{"ab\"c"}));
  EXPECT_EQ(Split("\"ab\"\""), (Fields{"ab"}));
}

TEST(CommaText, ShiftJisCharactersAreSteppedOverWhole) {
  // 0x81 0x40 is the ideographic space: a lead byte with a trail byte that is no separator.
  EXPECT_EQ(Split("\x83\x70\x83\x58,b"), (Fields{"\x83\x70\x83\x58", "b"}));
  // A quote right after a lead byte belongs to that character and does not close the field.
  EXPECT_EQ(Split("\"a\x81\"b\",c"), (Fields{"a\x81\"b", "c"}));
}

TEST(CommaText, TextEndsAtNul) { EXPECT_EQ(Split(std::string_view("a,b\0c,d", 7)), (Fields{"a", "b"})); }

TEST(Paths, FolderAndExtension) {
  EXPECT_EQ(FolderOf("/a/b/c.txt"), "/a/b");
  EXPECT_EQ(FolderOf("/c.txt"), "/");
  EXPECT_EQ(FolderOf("c.txt"), "");
  EXPECT_EQ(JoinPath("/a", "b"), "/a/b");
  EXPECT_EQ(JoinPath("/", "b"), "/b");
  EXPECT_EQ(ReplaceExtension("/opt/z/zuntexteditor", ".INI"), "/opt/z/zuntexteditor.INI");
  EXPECT_EQ(ReplaceExtension("/opt/z.d/prog.exe", ".H$$"), "/opt/z.d/prog.H$$");
  EXPECT_EQ(ReplaceExtension("/opt/z.d/prog", ".INI"), "/opt/z.d/prog.INI");
}

TEST(Paths, MissingIsOnlyWhatIsNotThere) {
  EXPECT_FALSE(PathMissing("/proc/self/status"));
  EXPECT_FALSE(PathMissing("/proc"));
  EXPECT_TRUE(PathMissing("/proc/no such file"));
  EXPECT_TRUE(PathMissing("/no such folder/zuntext.flg"));
  EXPECT_TRUE(PathMissing("/proc/self/status/zuntext.flg"));  // a file where a folder would be
  EXPECT_TRUE(PathMissing(""));
}

}  // namespace
}  // namespace zun
