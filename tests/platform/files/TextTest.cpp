#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/Text.h"

namespace {

using namespace plat;

TEST(Text, Utf8AndCodePagesRoundTrip) {
  std::string ansi = A("Привет, Ёжик! №5");
  EXPECT_EQ(ansi,
            "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6\xE8\xEA! \xB9"
            "5");
  EXPECT_EQ(AnsiToUtf8(ansi), "Привет, Ёжик! №5");
  EXPECT_EQ(Utf8ToAnsi("日本"), "??");
  EXPECT_EQ(Utf8ToAnsi("\xFF\xC3"), "??");  // malformed UTF-8
  // Every byte of 1251 survives a trip through UTF-8, the undefined 0x98 too.
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
  EXPECT_EQ(OemToAnsi("\x8F\xE0\xA8\xA2\xA5\xE2"), A("Привет"));  // 866 -> 1251
  EXPECT_EQ(AnsiToOem(A("Ёё")), "\xF0\xF1");
  EXPECT_EQ(ConvertCodePage("\x81", 437, 1252), "\xFC");  // u with diaeresis
}

TEST(Text, CaseMappingCoversCyrillic) {
  EXPECT_EQ(AnsiUpperCase(A("абвгд ёжик ѓ ї abc")), A("АБВГД ЁЖИК Ѓ Ї ABC"));
  EXPECT_EQ(AnsiLowerCase(A("ЯЁЇ XYZ")), A("яёї xyz"));
  EXPECT_TRUE(AnsiSameText(A("Файл.TXT"), A("файл.txt")));
  EXPECT_LT(AnsiCompareText(A("а"), A("Б")), 0);
  EXPECT_GT(AnsiCompareText("abc", "AB"), 0);
  EXPECT_EQ(AsciiUpper(A("aя")), A("Aя"));
  EXPECT_FALSE(AsciiSameText(A("я"), A("Я")));
  EXPECT_EQ(Trim("\t  x y \r\n"), "x y");
}

TEST(Text, StrToInt) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"0", true, 0},
      {"-17", true, -17},
      {"+5", true, 5},
      {"  42", true, 42},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},
      {"99999999999999999999", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"12 ", false, 0},
      {"1e3", false, 0},
      {"0x10", false, 0},
  };
  for (const Case& c : cases) {
    int32_t v = 0;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  try {
    StrToInt("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
    EXPECT_EQ(e.ClassName(), "EConvertError");
  }
}

}  // namespace
