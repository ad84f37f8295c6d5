// Cell texts: values through their number formats under the Russian settings.

#include <string>

#include "format_settings_fixture.h"
#include "platform/date_time.h"
#include "platform/utf.h"
#include "xls/XLSCellText.h"

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
      {u"0;[Red]0", -5, u"5"},             // the section for negatives writes no minus
      {u"0.0E+0;0.0E-0", -12345, u"1,2E4"},   // an exponent sign is no minus
      // Fractions: whole part truncated, one sign.
      {u"# ?/?", 1.75, u"1 3/4"},
      {u"# ?/?", 0.5, u" 1/2"},
      {u"# ?/?", -1.25, u"-1 1/4"},
      {u"# ?/?", -0.5, u"- 1/2"},
      {u"# ?/?", 2, u"2    "},              // no fraction: blanks in its place
      {u"# ?\?/?\?", 3.14159, u"3 14/99"},
      {u"# ?\?\?/?\?\?", 0.35, u"   7/20 "},  // '?' places without a digit are blanks
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
      // No integer places: the integer digits still show, in front of the point.
      {u".00", 12.5, u"12,50"},
      {u".00", -1234.5, u"-1234,50"},
      {u".00", 0.5, u",50"},
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
      {u"0;;", -5, u""},                   // an empty section shows nothing
      {u"0.0;(0.0);\"zero\";@", 0, u"zero"},  // the third section is for zero
      {u"0.0;(0.0);\"zero\";@", 0.01, u"0,0"},
      // The built-in accounting format 42 by its own text.
      {u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)", 1234, u"$ 1\u00A0234"},
      {u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)", -1234, u"$ (1\u00A0234)"},
      {u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)", 0, u"$ -"},
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
  for (int i = 0; i < 30000; ++i) padding += u"_-*_)";
  EXPECT_EQ(Number(5, padding + u"0"), u"5");
}

TEST_F(CellTextTest, DatesThroughTheirFormats) {
  const PatternCase cases[] = {
      {u"dd.mm.yyyy", 45000, u"15.03.2023"},
      {u"mmmmm", 45000, u"М"},
      {u"[h]:mm:ss", 2.5, u"36:00:00"},    // serial 1.5: the date-time is a day later
      {u"[mm]:ss", 2.5, u"2160:00"},
      {u"[ss]", 2.5, u"129600"},
      {u"h:mm;@", 45000.75, u"18:00"},
      {u"mm:ss", 45000.75, u"00:00"},      // minutes before seconds
      {u"mm:ss.0", 45000.75, u"00:00,0"},
      {u"dd\\-mm\\-yy", 45000, u"15-03-23"},
      {u"_-dd*.mm", 45000, u" 15.03"},
      {u"[$-419]d mmmm yyyy", 45000, u"15 марта 2023"},  // genitive after a day
      {u"yyyy", 1E9, u"1000000000"},       // no date: the general rendering
  };
  for (const PatternCase& c : cases)
    EXPECT_EQ(Date(c.value, c.pattern), c.expected)
        << Utf16ToUtf8(c.pattern) << " " << c.value;
  EXPECT_EQ(Number(2.25, u"[h]:mm"), u"54:00");
}

TEST_F(CellTextTest, ClassOfTheFormatDecidesTheEngine) {
  // A number with a date format shows as a date; 14 is the regional short date.
  EXPECT_EQ(Number(45000, u"mm/dd/yy", 14), u"15.03.2023");
  EXPECT_EQ(Number(45000, u"mm/dd/yy", 164), u"03.15.23");
  // A date with a number or general format shows by the short date pattern.
  EXPECT_EQ(Date(45000.75, u"0.00"), u"15.03.2023");
  EXPECT_EQ(Date(45000.75, u"General", 0), u"15.03.2023");
  // "General;[Red]-General" shows General numbers.
  EXPECT_EQ(Number(45000, u"General;[Red]-General"), u"45000");
  EXPECT_EQ(Number(-2.5, u"General;[Red]-General"), u"-2,5");
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
  EXPECT_EQ(CellValueText(TDisplayValue(TDisplayDate{45000}), dates, true), u"15.03.2023");
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

TEST_F(CellTextTest, FractionDenominators) {
  const PatternCase cases[] = {
      {u"# ?/?", 1.01, u"1    "},          // nearest is 0/1: no fraction
      {u"# ?/?", 0.35, u" 1/3"},
      {u"# ?\?/?\?", 0.333, u"  1/3 "},
      {u"# ?\?/?\?", 0.35, u"  7/20"},
      {u"# ?/16", 0.5, u" 8/16"},          // a fixed denominator
      {u"# ?/4", 0.375, u" 2/4"},          // halves to even
      {u"# ?/4", 0.125, u"0    "},         // rounds to 0/4
  };
  for (const PatternCase& c : cases)
    EXPECT_EQ(Number(c.value, c.pattern), c.expected) << Utf16ToUtf8(c.pattern) << " " << c.value;
}

// Cases of the mends: texts as a spreadsheet program shows them under the Russian settings.

TEST_F(CellTextTest, BuiltInDatesAndSystemTagsAreRegional) {
  const TNumberFormat date{14, u"mm/dd/yy"}, date_time{22, u"m/d/yy h:mm"};
  EXPECT_EQ(CellValueText(TDisplayValue(TDisplayDate{45000}), date, true), u"15.03.2023");
  EXPECT_EQ(CellValueText(TDisplayValue(TDisplayDate{45000.75}), date_time, true), u"15.03.2023 18:00");
  const PatternCase cases[] = {
      {u"[$-F800]dddd, mmmm dd, yyyy", 45000.75, u"15 марта 2023 г."},
      {u"[$-x-sysdate]dddd, mmmm dd, yyyy", 45000, u"15 марта 2023 г."},
      {u"[$-F400]h:mm:ss AM/PM", 45000.75, u"18:00:00"},
  };
  for (const PatternCase& c : cases) EXPECT_EQ(Date(c.value, c.pattern), c.expected) << Utf16ToUtf8(c.pattern);
}

TEST_F(CellTextTest, MonthNamesAfterADayAreGenitive) {
  const PatternCase cases[] = {
      {u"d mmmm yyyy \"г.\"", 45000, u"15 марта 2023 г."},
      {u"dd mmmm", 45000, u"15 марта"},
      {u"dddd, d mmmm", 45000, u"среда, 15 марта"},
      {u"mmmm yyyy", 45000, u"Март 2023"},
      {u"mmmm", EncodeDate(2023, 5, 1), u"Май"},
      {u"d mmmm", EncodeDate(2023, 5, 1), u"1 мая"},
      {u"dddd mmmm", 45000, u"среда Март"},  // a weekday is no day number
  };
  for (const PatternCase& c : cases) EXPECT_EQ(Date(c.value, c.pattern), c.expected) << Utf16ToUtf8(c.pattern);
}

TEST_F(CellTextTest, CurrencyTagsShowTheirSymbol) {
  const PatternCase cases[] = {
      {u"#,##0.00\\ [$₽-419]", 1234.5, u"1\u00A0234,50 ₽"},
      {u"[$₽-419]\\ #,##0.00", 1234.5, u"₽ 1\u00A0234,50"},
      {u"#,##0.00 [$€-407]", 1.2, u"1,20 €"},
      {u"[$$-409]#,##0.00", 1234.5, u"$1\u00A0234,50"},
      {u"#,##0 [$руб.-419]", 1500, u"1\u00A0500 руб."},
      {u"[$-419]#,##0", 1500, u"1\u00A0500"},
      {u"[$€]0", 5, u"€5"},
  };
  for (const PatternCase& c : cases) EXPECT_EQ(Number(c.value, c.pattern), c.expected) << Utf16ToUtf8(c.pattern);
}

TEST_F(CellTextTest, GeneralWithTextAndQuestionMarkPlaceholders) {
  const PatternCase cases[] = {
      {u"General\" шт.\"", 5, u"5 шт."},
      {u"General\" шт.\"", -2.5, u"-2,5 шт."},
      {u"[Red]General", 5, u"5"},
      {u"\"Итого: \"General", 0.5, u"Итого: 0,5"},
      {u"?/?", 1.25, u"5/4"},
      {u"?/?", 2, u"2/1"},
      {u"0.0?", 1.5, u"1,5 "},
      {u"???0", 5, u"   5"},
      {u"\"шт.\"", 5, u"шт."},
  };
  for (const PatternCase& c : cases) EXPECT_EQ(Number(c.value, c.pattern), c.expected) << Utf16ToUtf8(c.pattern);
}

TEST_F(CellTextTest, TimesMinutesElapsedAndSecondsRounded) {
  const double quarter_past_noon = 45000 + (12 * 3600 + 15 * 60 + 1.234) / 86400;
  const PatternCase dates[] = {
      {u"mm:ss", quarter_past_noon, u"15:01"},
      {u"h:mm", quarter_past_noon, u"12:15"},
      {u"m", quarter_past_noon, u"3"},               // alone: the month
      {u"hh:mm:ss.00", quarter_past_noon, u"12:15:01,23"},
      {u"h:mm:ss", 45000 + 59.6 / 86400, u"0:01:00"},  // rounded to the second shown
      {u"[h]:mm:ss", 2.5, u"36:00:00"},              // serial 1.5: no extra day
      {u"[h]:mm:ss", 62.5, u"1500:00:00"},
      {u"[mm]:ss", 45000.75, u"64801080:00"},
  };
  for (const PatternCase& c : dates) EXPECT_EQ(Date(c.value, c.pattern), c.expected) << Utf16ToUtf8(c.pattern);
  const PatternCase numbers[] = {
      {u"[h]:mm:ss", 1.5, u"36:00:00"},
      {u"[H]:MM", 1.5, u"36:00"},
      {u"[h]:mm:ss", 0.9999999999999999, u"24:00:00"},  // rounds up to midnight
      {u"[mm]", 1.9999999999999998, u"2880"},
      {u"[ss].0", 0.5, u"43200,0"},
  };
  for (const PatternCase& c : numbers) EXPECT_EQ(Number(c.value, c.pattern), c.expected) << Utf16ToUtf8(c.pattern);
}

TEST_F(CellTextTest, SectionsConditionsAndSigns) {
  const PatternCase cases[] = {
      {u"0;-0;\"ноль\"", 0, u"ноль"},
      {u"0;-0;\"ноль\"", -5, u"-5"},
      {u"0;-0;;@", 0, u""},
      {u"0;(0)", -5, u"(5)"},
      {u"[>=1000]#,##0,\" тыс.\";0", 1234567, u"1\u00A0235 тыс."},
      {u"[>=1000]#,##0,\" тыс.\";0", 5, u"5"},
      {u"[>=1000]#,##0,\" тыс.\";0", -5, u"-5"},     // not chosen as negative: the minus stays
      {u"[<0]\"минус \"0;0", -5, u"минус 5"},       // chosen for negatives: no minus
      {u"[Red][<=-10]0;[Blue][>0]0;0", -20, u"20"},
      {u"[Red][<=-10]0;[Blue][>0]0;0", 5, u"5"},
      {u"[Red][<=-10]0;[Blue][>0]0;0", -3, u"-3"},
      {u"[>100]0;[>200]0", 50, u"50"},                  // no section fits: General
  };
  for (const PatternCase& c : cases) EXPECT_EQ(Number(c.value, c.pattern), c.expected) << Utf16ToUtf8(c.pattern);
}

TEST_F(CellTextTest, ScalingExponentsDecimalMarkAndFifteenDigits) {
  const PatternCase cases[] = {
      {u"#,##0,", 1234567, u"1\u00A0235"},
      {u"#,##0,,", 1234567890, u"1\u00A0235"},
      {u"0.0,,\" млн\"", 1234567, u"1,2 млн"},
      {u"##0.0E+0", 12345, u"12,3E+3"},
      {u"##0.0E+0", 0.00012345, u"123,5E-6"},
      {u"##0.0E+0", 999.96, u"1,0E+3"},
      {u"00.0E+0", 12345, u"12,3E+3"},
      {u"0.##", 2, u"2,"},
      {u"0.##", 2.5, u"2,5"},
      {u"0.00", 1.005, u"1,01"},
      {u"0.00", 2.675, u"2,68"},
  };
  for (const PatternCase& c : cases) EXPECT_EQ(Number(c.value, c.pattern), c.expected) << Utf16ToUtf8(c.pattern);
}

TEST_F(CellTextTest, NoFormatFails) {
  EXPECT_EQ(Number(2.5, u"# ?/2\" шт\""), u"2 1/2 шт");
  EXPECT_EQ(Number(2.5, u"# ?/2 \"шт\""), u"2 1/2 шт");
  EXPECT_EQ(Number(1.5, u"# ?/x"), u"1,5");  // no denominator: General
  EXPECT_EQ(Number(1.5, u"0/"), u"1,5");
  for (std::u16string_view f : {u"[", u"\"", u"[<", u"E+", u";;;;;", u"\\", u"_", u"*", u"[$", u"0.0.0,,,%%",
                                u"?/?/?", u"[h", u"#E+", u"0 ?/?.0", u"[=abc]0"}) {
    EXPECT_NO_THROW(Number(-1234.5, f)) << Utf16ToUtf8(f);
    EXPECT_NO_THROW(Date(45000.5, f)) << Utf16ToUtf8(f);
  }
}

}  // namespace
