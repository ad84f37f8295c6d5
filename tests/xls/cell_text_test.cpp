// Cell texts: values through their number formats under the Russian settings.

#include <string>

#include "format_settings_fixture.h"
#include "platform/exception.h"
#include "platform/utf.h"
#include "xls/XLSCellText.h"
#include "xls/XLSDatePattern.h"

namespace {

using CellTextTest = RussianSettingsTest;

std::u16string Number(double x, std::u16string_view f, std::uint16_t ifmt = 164) {
  return FormatCellValue(TDisplayValue(x), ifmt, f);
}

std::u16string Date(double x, std::u16string_view f, std::uint16_t ifmt = 164) {
  return FormatCellValue(TDisplayValue(TDisplayDate{x}), ifmt, f);
}

TEST_F(CellTextTest, NumbersThroughTheirFormats) {
  const PatternCase cases[] = {
      // Worked examples.
      {u"#,##0.00", 1234.5, u"1\u00A0234,50"},
      {u"0%", 0.125, u"13%"},
      {u"0.00E+00", 12345, u"1,23E+04"},
      {u"General", 0.1 + 0.2, u"0,3"},
      {u"General", 1E20, u"1E20"},
      {u"General", 0.00001, u"1E-5"},
      {u"General", 0.0001, u"0,0001"},
      {u"#,##0;(#,##0)", -5, u"(5)"},
      {u"#,##0", -5, u"-5"},
      {u"#,##0_ ;[Red]-#,##0", 5, u"5    "},
      {u"#,##0.00_р_.;[Red]-#,##0.00_р_.", 12, u"12,00 "},
      {u"# ?/?", 1.25, u"1 1/4"},
      {u"# ?/?", 0.25, u" 1/4"},
      {u"# ?/4", 2.4, u"2 2/4"},
      {u"@", 1234.5, u"1234,5"},
      // The negative section writes its own minus: one minus only.
      {u"#,##0;-#,##0", -5, u"-5"},
      {u"#,##0;\\-#,##0", -5, u"-5"},
      {u"#,##0_ ;[Red]-#,##0", -5, u"-5"},
      {u"0;\"-\"0", -5, u"-5"},
      {u"0;[Red]0", -5, u"-5"},            // no minus of its own: the engine writes it
      {u"0.0E+0;0.0E-0", -12345, u"-1,2E4"},  // an exponent sign is no minus
      // Fractions: whole part truncated, one sign.
      {u"# ?/?", 1.75, u"1 3/4"},
      {u"# ?/?", 0.5, u" 1/2"},
      {u"# ?/?", -1.25, u"-1 1/4"},
      {u"# ?/?", -0.5, u"- 1/2"},
      {u"# ?/?", 2, u"2 "},
      {u"# ?\?/?\?", 3.14159, u"3 14/99"},
      {u"# ?\?\?/?\?\?", 0.35, u" 7/20"},
      {u"# ?/8", 0.3, u" 2/8"},
      {u"# ?/?", 0.97, u" 1/1"},
      {u"# ?/?", -1E20, u"-1E20"},         // too many digits: the general rendering, signed
      // Negative values that round to zero show no minus.
      {u"0.00", -0.004, u"0,00"},
      {u"#,##0", -0.4, u"0"},
      {u"#,##0;-#,##0", -0.4, u"0"},
      {u"#,##0.00\"р.\";\\-#,##0.00\"р.\"", -0.001, u"0,00р."},
      {u"0.00;(0.00)", -0.001, u"0,00"},
      {u"0.0%;-0.0%", -0.0001, u"0,0%"},
      {u"#,##0;-#,##0", -0.5, u"-1"},  // half away from zero is no zero
      // Padding, fill, brackets and percent.
      {u"_-* #,##0.00\\ _р_._-;\\-* #,##0.00\\ _р_._-", 1234.5, u" 1\u00A0234,50  "},
      {u"[Blue]#,##0;[Red]-#,##0", 1500, u"1\u00A0500"},
      {u"[>=100][Red]0;0", 150, u"150"},
      {u"[Red0", 5, u"[Red5"},             // a block that never closes is kept
      {u"[Red][Blue0", 5, u"[Blue5"},
      {u"[$-419]0.0", 2, u"2,0"},
      {u"0.0%", -0.5, u"-50,0%"},
      {u"(0", 5, u"5"},
      {u"0)", 5, u"5"},
      {u"0.00;(0.00)", -1.5, u"(1,50)"},
      {u"0;;", -5, u"-5"},                 // an empty negative section: general rendering
      {u"0.0;(0.0);\"zero\";@", 0, u"0,0"},  // zero and positive values take the first section
      // The built-in accounting format 42 by its own text.
      {u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)", 1234, u"$ 1\u00A0234"},
      {u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)", -1234, u"$ (1\u00A0234)"},
      {u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)", 0, u"$ 0"},
      {u"", 2.5, u"2,5"},
  };
  for (const PatternCase& c : cases)
    EXPECT_EQ(Number(c.value, c.pattern), c.expected)
        << Utf16ToUtf8(c.pattern) << " " << c.value;
}

TEST_F(CellTextTest, VeryLongFormatTexts) {
  std::u16string blocks;
  for (int i = 0; i < 30000; ++i) blocks += u"[Red]";
  EXPECT_EQ(Number(5, blocks + u"0"), u"5");
  std::u16string padding;
  for (int i = 0; i < 30000; ++i) padding += u"_-\\*";
  EXPECT_EQ(Number(5, padding + u"0"), u"5");
}

TEST_F(CellTextTest, DatesThroughTheirFormats) {
  const PatternCase cases[] = {
      {u"dd.mm.yyyy", 45000, u"15.03.2023"},
      {u"mmmmm", 45000, u"М"},
      {u"[h]:mm:ss", 1.5, u"36:00:00"},
      {u"[mm]:ss", 1.5, u"2160:00"},
      {u"[ss]", 1.5, u"129600"},
      {u"[h]:mm:ss", 0.9999999999999999, u"24:00:00"},  // the time rounds up to midnight
      {u"[mm]", 1.9999999999999998, u"2880"},
      {u"[H]:mm", 1.5, u"[12]:00"},        // letter case counts: no elapsed hours
      {u"h:mm;@", 45000.75, u"18:00"},
      {u"mm:ss", 45000.75, u"03:00"},      // the month, not minutes
      {u"mm:ss.0", 45000.75, u"03:00.0"},
      {u"dd\\-mm\\-yy", 45000, u"15-03-23"},
      {u"_-dd*.mm", 45000, u" 15.03"},
      {u"[$-419]d mmmm yyyy", 45000, u"15 Март 2023"},
      {u"yyyy", 1E9, u"1000000000"},       // no date: the general rendering
  };
  for (const PatternCase& c : cases)
    EXPECT_EQ(Date(c.value, c.pattern), c.expected)
        << Utf16ToUtf8(c.pattern) << " " << c.value;
  EXPECT_EQ(FormatDateValue(u"[h]:mm", 2.25), u"54:00");
}

TEST_F(CellTextTest, ClassOfTheFormatDecidesTheEngine) {
  // A number with a date format shows as a date.
  EXPECT_EQ(Number(45000, u"mm/dd/yy", 14), u"03.15.23");
  // A date with a number or general format shows by the short date pattern.
  EXPECT_EQ(Date(45000.75, u"0.00"), u"15.03.2023");
  EXPECT_EQ(Date(45000.75, u"General", 0), u"15.03.2023");
  // "General;[Red]-General" has neither '#' nor '0': the date-time engine renders it.
  EXPECT_EQ(Number(45000, u"General;[Red]-General"), FormatDateTimePattern(u"General", 45000));
  // An empty format text takes the built-in number's default.
  EXPECT_EQ(Number(45000, u"", 14), u"15.03.2023");
  EXPECT_EQ(Number(-5, u"", 7), u"-5,00 р.");
  EXPECT_EQ(Number(5, u"", 7), u"5,00 р.   ");
  EXPECT_EQ(Number(1234.5, u"", 0), u"1234,5");
  EXPECT_EQ(Number(1234.5, u"", 200), u"1234,5");
  EXPECT_EQ(Number(12.5, u"", 12), u"12 1/2");
}

TEST_F(CellTextTest, OtherValueKinds) {
  EXPECT_EQ(FormatCellValue(TDisplayValue(true), 2, u"0.00"), u"TRUE");
  EXPECT_EQ(FormatCellValue(TDisplayValue(false), 14, u"dd.mm.yyyy"), u"FALSE");
  EXPECT_EQ(FormatCellValue(TDisplayValue(), 2, u"0.00"), u"");
  EXPECT_EQ(FormatCellValue(TDisplayValue(std::u16string_view(u"Цена")), 2, u"0.00"), u"Цена");
  EXPECT_EQ(FormatCellValue(TDisplayValue(std::string_view("\xD6\xE5\xED\xE0")), 0, u""), u"Цена");
  const std::string with_zero("\xD6\xE5\0\xED", 4);
  EXPECT_EQ(FormatCellValue(TDisplayValue(std::string_view(with_zero)), 0, u""), u"Це");
  EXPECT_EQ(FormatCellValue(TDisplayValue(std::string_view()), 0, u""), u"");
  EXPECT_EQ(FormatCellValue(TDisplayValue(std::string_view("\xC4")), 0, u"", 1252), u"Ä");
}

TEST_F(CellTextTest, BuiltInNumbersOfAWorkbookBuiltInMemoryUseTheRegionalDefaults) {
  const TNumberFormat replaced{2, u"0.000"};
  const TNumberFormat own{164, u"0.0"};
  EXPECT_EQ(CellValueText(TDisplayValue(1.5), replaced, true), u"1,500");
  EXPECT_EQ(CellValueText(TDisplayValue(1.5), replaced, false), u"1,50");
  EXPECT_EQ(CellValueText(TDisplayValue(1.5), own, true), u"1,5");
  EXPECT_EQ(CellValueText(TDisplayValue(1.5), own, false), u"1,5");
  const TNumberFormat dates{14, u"mm/dd/yy"};
  EXPECT_EQ(CellValueText(TDisplayValue(TDisplayDate{45000}), dates, true), u"03.15.23");
  EXPECT_EQ(CellValueText(TDisplayValue(TDisplayDate{45000}), dates, false), u"15.03.2023");
}

TEST_F(CellTextTest, RegionalSettingsOfTheMoment) {
  FormatSettings.DecimalMark = u'.';
  FormatSettings.GroupMark = u',';
  FormatSettings.CurrencySymbol = std::u16string(u"$");
  FormatSettings.CurrencyPlacement = 0;
  FormatSettings.NegativeCurrencyPattern = 0;
  EXPECT_EQ(Number(1234.5, u"#,##0.00"), u"1,234.50");
  EXPECT_EQ(Number(1234.5, u"", 7), u"$1,234.50   ");
  EXPECT_EQ(Number(-1234.5, u"", 7), u"(($1,234.50))");
  EXPECT_EQ(Number(5, u"#,##0.00_$;-#,##0.00_$"), u"5.00 ");
}

TEST_F(CellTextTest, Fractions) {
  EXPECT_EQ(FormatFraction(u"?", 1.25), u"1/4");
  EXPECT_EQ(FormatFraction(u"?", -1.25), u"1/4");
  EXPECT_EQ(FormatFraction(u"?", 3), u"");
  EXPECT_EQ(FormatFraction(u"?", 1.01), u"");         // nearest is 0/1
  EXPECT_EQ(FormatFraction(u"?", 0.5), u"1/2");        // 1/2, 2/4, 3/6, 4/8: the smallest
  EXPECT_EQ(FormatFraction(u"??", 0.333), u"1/3");
  EXPECT_EQ(FormatFraction(u"?", 0.35), u"1/3");
  EXPECT_EQ(FormatFraction(u"??", 0.35), u"7/20");
  EXPECT_EQ(FormatFraction(u"???", 0.35), u"7/20");
  EXPECT_EQ(FormatFraction(u"????", 0.1234), u"1/8");  // other '?' texts search up to 9
  EXPECT_EQ(FormatFraction(u"16", 0.5), u"8/16");
  EXPECT_EQ(FormatFraction(u"4", 0.125), u"");         // halves to even: 0/4
  EXPECT_EQ(FormatFraction(u"4", 0.375), u"2/4");
  EXPECT_EQ(FormatFraction(u"0", 0.5), u"");
  try {
    FormatFraction(u"4x", 0.5);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"'4x' is not a valid integer value");
  }
  EXPECT_THROW(FormatFraction(u"", 0.5), EConvertError);
  EXPECT_THROW(FormatFraction(u"99999999999", 0.5), EConvertError);
  EXPECT_THROW(Number(1.5, u"# ?/x"), EConvertError);
}

}  // namespace
