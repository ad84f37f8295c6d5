#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "platform/exception.h"

namespace {

class CodePageTest : public ::testing::Test {
 protected:
  void TearDown() override { SetACP(1251); }
};

TEST_F(CodePageTest, SystemCodePageIs1251UnlessSet) {
  EXPECT_EQ(GetACP(), 1251);
  SetACP(1252);
  EXPECT_EQ(GetACP(), 1252);
  EXPECT_THROW(SetACP(437), Exception);
  EXPECT_EQ(GetACP(), 1252);
}

TEST_F(CodePageTest, DecodesKnownBytes) {
  EXPECT_EQ(MultiByteToWide("\xCF\xF0\xE0\xE9\xF1", 1251), u"Прайс");
  EXPECT_EQ(MultiByteToWide("\xA8\xB8\xB9\x88\xA0", 1251), u"Ёё№€\u00A0");
  EXPECT_EQ(MultiByteToWide("caf\xE9 \x80\x9F", 1252), u"café €Ÿ");
  EXPECT_EQ(MultiByteToWide(std::string("a\0b", 3), 1251), std::u16string(u"a\0b", 3));
}

TEST_F(CodePageTest, EveryByteSurvivesTheRoundTrip) {
  for (int cp : {1251, 1252}) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(WideToMultiByte(MultiByteToWide(all, cp), cp), all) << cp;
  }
}

TEST_F(CodePageTest, MissingCharactersBecomeQuestionMarks) {
  EXPECT_EQ(WideToMultiByte(u"Цена é 中", 1251), "\xD6\xE5\xED\xE0 ? ?");
  EXPECT_EQ(WideToMultiByte(u"Цена é", 1252), "???? \xE9");
  EXPECT_EQ(WideToMultiByte(u"😀", 1251), "??");  // two UTF-16 units, two bytes
}

TEST_F(CodePageTest, SystemCodePageIsTheDefault) {
  EXPECT_EQ(WideToMultiByte(u"Я"), "\xDF");
  SetACP(1252);
  EXPECT_EQ(WideToMultiByte(u"Я"), "?");
  EXPECT_EQ(MultiByteToWide("\xDF"), u"ß");
}

TEST_F(CodePageTest, UpperCasesLettersOfTheSystemCodePage) {
  // Latin, Cyrillic, ё, the Ukrainian and Serbian letters; digits, µ and signs stay.
  EXPECT_EQ(CharUpperA("workbook \xE0\xFF\xB8 \xB4\xB3\xBF\xBA\x9A\x9F\xA2 1\xB5\xB9"),
            "WORKBOOK \xC0\xDF\xA8 \xA5\xB2\xAF\xAA\x8A\x8F\xA1 1\xB5\xB9");
  EXPECT_EQ(CharUpperA(std::string("a\0b", 3)), std::string("A\0B", 3));
  SetACP(1252);
  EXPECT_EQ(CharUpperA("\xE9\xFF\x9A\xDF\xF7\xB5"), "\xC9\x9F\x8A\xDF\xF7\xB5");
}

}  // namespace
