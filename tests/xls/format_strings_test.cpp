// The number-format table, the format classes and the regional default formats.

#include <vector>

#include "format_settings_fixture.h"
#include "platform/exception.h"
#include "platform/utf.h"
#include "xls/XLSFormatClass.h"
#include "xls/XLSFormatStr.h"

namespace {

TEST(FormatStringsTest, StartsWithTheBuiltInTable) {
  const std::vector<TNumberFormat> expected = {
      {0, u"General"},
      {1, u"0"},
      {2, u"0.00"},
      {3, u"#,##0"},
      {5, u"($#,##0_);($#,##0)"},
      {6, u"($#,##0_);[Red]($#,##0)"},
      {7, u"($#,##0.00_);($#,##0.00)"},
      {8, u"($#,##0.00_);[Red]($#,##0.00)"},
      {9, u"0%"},
      {10, u"0.00%"},
      {11, u"0.00E+00"},
      {12, u"# ?/?"},
      {13, u"# ?\?/?\?"},
      {14, u"mm/dd/yy"},
      {15, u"dd-mmm-yy"},
      {16, u"dd-mmm"},
      {17, u"mmm-yy"},
      {18, u"h:mm AM/PM"},
      {19, u"h:mm:ss AM/PM"},
      {20, u"h:mm"},
      {21, u"h:mm:ss"},
      {22, u"mm/dd/yy h:mm"},
      {42, u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)"},
      {41, u"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)"},
      {44, u"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)"},
      {43, u"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)"},
      {4, u"#,##0.00"},
      {37, u"(#,##0_);(#,##0)"},
      {38, u"(#,##0_);[Red](#,##0)"},
      {39, u"(#,##0.00_);(#,##0.00)"},
      {40, u"(#,##0.00_);[Red](#,##0.00)"},
      {45, u"mm:ss"},
      {46, u"[h]:mm:ss"},
      {47, u"mm:ss.0"},
      {48, u"##0.0E+0"},
      {49, u"@"},
  };
  const TFormatStrings table;
  ASSERT_EQ(table.FormatsCount(), 36);
  EXPECT_EQ(table.MaxIfmt(), 49);
  for (int i = 0; i < 36; ++i) {
    const TNumberFormat entry = table.GetFormat(i);
    EXPECT_EQ(entry.ifmt, expected[i].ifmt) << i;
    EXPECT_EQ(entry.FormatString, expected[i].FormatString) << i;
    EXPECT_EQ(table.IndexOfIfmt(entry.ifmt), i);
    EXPECT_EQ(BuiltInFormatString(entry.ifmt), entry.FormatString);
  }
  EXPECT_EQ(table.IndexOfIfmt(23), -1);
  EXPECT_EQ(BuiltInFormatString(164), u"");
}

TEST(FormatStringsTest, AddsAndReplacesEntries) {
  TFormatStrings table;
  EXPECT_EQ(table.AddFormat(u"0.0"), 36);
  EXPECT_EQ(table.GetFormat(36).ifmt, 164);
  EXPECT_EQ(table.AddFormat(u"0.000"), 37);
  EXPECT_EQ(table.GetFormat(37).ifmt, 165);

  EXPECT_EQ(table.AddFormatAndIfmt(u"0.000", 2), 2);
  EXPECT_EQ(table.GetFormat(2).FormatString, u"0.000");
  EXPECT_EQ(table.FormatsCount(), 38);

  EXPECT_EQ(table.AddFormatAndIfmt(u"#,##0 \"р.\"", 300), 38);
  EXPECT_EQ(table.MaxIfmt(), 300);
  EXPECT_EQ(table.AddFormatAndIfmt(u"x", 170), 39);  // a lower number keeps the highest
  EXPECT_EQ(table.MaxIfmt(), 300);
  EXPECT_EQ(table.AddFormat(u"y"), 40);
  EXPECT_EQ(table.GetFormat(40).ifmt, 301);
  EXPECT_EQ(table.IndexOfIfmt(170), 39);
}

TEST(FormatStringsTest, RefusesPositionsOutsideTheTable) {
  const TFormatStrings table;
  for (int index : {-1, 36}) {
    try {
      table.GetFormat(index);
      ADD_FAILURE() << index;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), index < 0 ? u"List index out of bounds (-1)"
                                       : u"List index out of bounds (36)");
    }
  }
}

TEST(FormatStringsTest, NumbersUsedUpRaiseInsteadOfRepeating) {
  TFormatStrings table;
  table.AddFormatAndIfmt(u"last", 0xFFFF);
  EXPECT_THROW(table.AddFormat(u"one more"), Exception);
  EXPECT_EQ(table.FormatsCount(), 37);
}

TEST(FormatClassTest, ClassifiesFormatTexts) {
  const struct {
    std::u16string_view f;
    TFormatClass expected;
  } cases[] = {
      {u"", TFormatClass::General},
      {u"General", TFormatClass::General},
      {u"GENERAL", TFormatClass::General},
      {u"[$-419]General", TFormatClass::General},
      {u"@", TFormatClass::Text},
      {u"MM:SS.0", TFormatClass::Date},
      {u"dd.mm.yyyy", TFormatClass::Date},
      // General with text or a colour, '?' placeholders and text alone show no dates.
      {u"General;[Red]-General", TFormatClass::General},
      {u"[Red]General", TFormatClass::General},
      {u"General\" шт.\"", TFormatClass::Double},
      {u"?/?", TFormatClass::Integer},
      {u"\"шт.\"", TFormatClass::Double},  // a quoted point counts for the name
      {u"[h]", TFormatClass::Date},
      {u"h:mm;@", TFormatClass::Date},
      {u"0 \"шт.\"", TFormatClass::Double},            // so does a quoted point
      {u"\"0\"", TFormatClass::Integer},
      {u"0", TFormatClass::Integer},
      {u"#,##0", TFormatClass::Double},
      {u"0.00", TFormatClass::Double},
      {u"[$-F800]dddd, mmmm dd, yyyy", TFormatClass::Date},
      {u"[$р.-419]#,##0", TFormatClass::Double},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClassifyFormat(c.f), c.expected) << Utf16ToUtf8(c.f);
}

TEST(FormatClassTest, ClassifiesBuiltInNumbers) {
  for (int n = 0; n < 200; ++n) {
    TFormatClass expected = TFormatClass::None;
    if (n == 0) expected = TFormatClass::General;
    if ((n >= 1 && n <= 13) || (n >= 37 && n <= 44) || n == 48) expected = TFormatClass::Double;
    if ((n >= 14 && n <= 22) || (n >= 45 && n <= 47)) expected = TFormatClass::Date;
    if (n == 49) expected = TFormatClass::Text;
    EXPECT_EQ(ClassifyIfmt(n), expected) << n;
  }
}

using DefaultFormatTest = RussianSettingsTest;

TEST_F(DefaultFormatTest, RussianSettings) {
  const struct {
    int ifmt;
    std::u16string_view expected;
  } cases[] = {
      {0, u"General"},
      {1, u"0"},
      {2, u"0.00"},
      {3, u"#,##0"},
      {4, u"#,##0.00"},
      {5, u"#,##0 \"р.\"_;-#,##0 \"р.\""},
      {6, u"#,##0 \"р.\"_;-#,##0 \"р.\""},
      {7, u"#,##0.00 \"р.\"_;-#,##0.00 \"р.\""},
      {8, u"#,##0.00 \"р.\"_;-#,##0.00 \"р.\""},
      {9, u"0%"},
      {10, u"0.00%"},
      {11, u"0.00E+00"},
      {12, u"# ?/?"},
      {13, u"# ?\?/?\?"},
      {14, u"dd.mm.yyyy"},
      {15, u"dd.mmm.yy"},
      {16, u"dd.mmm"},
      {17, u"mmm.yy"},
      {18, u"h:mm AM/PM"},
      {19, u"h:mm:ss AM/PM"},
      {20, u"h:mm"},
      {21, u"h:mm:ss"},
      {22, u"dd.mm.yyyy h:mm"},
      {23, u""},
      {36, u""},
      {37, u"#,##0_;#,##0"},
      {38, u"#,##0_;#,##0"},
      {39, u"#,##0.00_;#,##0.00"},
      {40, u"#,##0.00_;#,##0.00"},
      {41, u"#,##0 \"р.\"_;-#,##0 \"р.\""},
      {42, u"#,##0 \"р.\"_;-#,##0 \"р.\""},
      {43, u"#,##0.00 \"р.\"_;-#,##0.00 \"р.\""},
      {44, u"#,##0.00 \"р.\"_;-#,##0.00 \"р.\""},
      {45, u"mm:ss"},
      {46, u"[h]:mm:ss"},
      {47, u"mm:ss.0"},
      {48, u"##0.0E+0"},
      {49, u"@"},
      {50, u""},
      {164, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(DefaultFormatForIfmt(c.ifmt), c.expected) << c.ifmt;
}

TEST_F(DefaultFormatTest, DollarsInParentheses) {
  FormatSettings.CurrencySymbol = std::u16string(u"$");
  FormatSettings.CurrencyPlacement = 0;
  FormatSettings.NegativeCurrencyPattern = 0;
  FormatSettings.CurrencyDigits = 3;
  FormatSettings.DateMark = 0;
  const struct {
    int ifmt;
    std::u16string_view expected;
  } cases[] = {
      {5, u"\"$\"#,##0_;((\"$\"#,##0))"},
      {6, u"\"$\"#,##0_;((\"$\"#,##0))"},
      {7, u"\"$\"#,##0.000_;((\"$\"#,##0.000))"},
      {8, u"\"$\"#,##0.000_;((\"$\"#,##0.000))"},
      {15, u"ddmmmyy"},
      {37, u"(#,##0_);(#,##0)"},
      {38, u"(#,##0_);(#,##0)"},
      {39, u"(#,##0.000_);(#,##0.000)"},
      {40, u"(#,##0.000_);(#,##0.000)"},
      {41, u"_(\"$\"#,##0_);((\"$\"#,##0))"},
      {42, u"_(\"$\"#,##0_);((\"$\"#,##0))"},
      {43, u"_(\"$\"#,##0.000_);((\"$\"#,##0.000))"},
      {44, u"_(\"$\"#,##0.000_);((\"$\"#,##0.000))"},
  };
  for (const auto& c : cases) EXPECT_EQ(DefaultFormatForIfmt(c.ifmt), c.expected) << c.ifmt;
}

TEST_F(DefaultFormatTest, EveryPlacementAndNegativePattern) {
  FormatSettings.CurrencySymbol = std::u16string(u"$");
  const std::u16string_view positive[] = {
      u"\"$\"#,##0.00_", u"#,##0.00\"$\"_", u"\"$\" #,##0.00_", u"#,##0.00 \"$\"_"};
  for (int placement = 0; placement < 4; ++placement) {
    FormatSettings.CurrencyPlacement = placement;
    EXPECT_EQ(LocaleCurrencyFormat(7), std::u16string(positive[placement]) + u";-#,##0.00 \"$\"");
  }
  FormatSettings.CurrencyPlacement = 0;
  const std::u16string_view negative[] = {
      u"((\"$\"#,##0.00))", u"-\"$\"#,##0.00",   u"\"$\"-#,##0.00",   u"\"$\"#,##0.00-",
      u"((#,##0.00\"$\"))", u"-#,##0.00\"$\"",   u"#,##0.00-\"$\"",   u"#,##0.00\"$\"-",
      u"-#,##0.00 \"$\"",   u"-\"$\" #,##0.00",  u"#,##0.00 \"$\"-",  u"\"$\" #,##0.00-",
      u"\"$\" -#,##0.00",   u"#,##0.00- \"$\"",  u"((\"$\" #,##0.00))", u"((#,##0.00 \"$\"))"};
  for (int pattern = 0; pattern < 16; ++pattern) {
    FormatSettings.NegativeCurrencyPattern = pattern;
    const bool parentheses = pattern == 0 || pattern == 4 || pattern == 14 || pattern == 15;
    EXPECT_EQ(LocaleCurrencyFormat(7), u"\"$\"#,##0.00_;" + std::u16string(negative[pattern]))
        << pattern;
    EXPECT_EQ(LocaleCurrencyFormat(43),
              (parentheses ? u"_(\"$\"#,##0.00_);" : u"\"$\"#,##0.00_;") +
                  std::u16string(negative[pattern]))
        << pattern;
    EXPECT_EQ(LocaleNumberFormat(39),
              parentheses ? u"(#,##0.00_);(#,##0.00)" : u"#,##0.00_;#,##0.00")
        << pattern;
  }
  FormatSettings.NegativeCurrencyPattern = 8;
  FormatSettings.CurrencyDigits = 0;
  EXPECT_EQ(LocaleNumberFormat(40), u"#,##0._;#,##0.");
}

}  // namespace
