// The general number rendering and the decimal pattern engine, under the Russian settings
// (decimal mark ',', group mark no-break space) unless a test changes them.

#include <cmath>
#include <limits>

#include "format_settings_fixture.h"
#include "platform/utf.h"
#include "xls/XLSNumberPattern.h"

namespace {

using NumberPatternTest = RussianSettingsTest;

TEST_F(NumberPatternTest, GeneralRenderingKeepsFifteenDigits) {
  const struct {
    double value;
    std::u16string_view expected;
  } cases[] = {
      {0.1 + 0.2, u"0,3"},
      {1E20, u"1E20"},
      {0.00001, u"1E-5"},
      {0.0001, u"0,0001"},
      {0, u"0"},
      {-0.0, u"0"},
      {-1.5, u"-1,5"},
      {1234567, u"1234567"},
      {999999999999999, u"999999999999999"},         // 15 digits: still fixed
      {1E15, u"1E15"},
      {123456789012345678.0, u"1,23456789012346E17"},
      {0.000123, u"0,000123"},
      {-0.000012345, u"-1,2345E-5"},
      {2.0 / 3, u"0,666666666666667"},
      {0.9999999999999999, u"1"},                      // rounds up past the first digit
      {100000000000000.5, u"100000000000001"},         // a half away from zero
      {1.5E-300, u"1,5E-300"},
      {std::numeric_limits<double>::infinity(), u"INF"},
      {-std::numeric_limits<double>::infinity(), u"-INF"},
      {std::nan(""), u"NAN"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatGeneralNumber(c.value), c.expected) << c.value;
}

TEST_F(NumberPatternTest, DecimalPatterns) {
  const PatternCase cases[] = {
      // Worked examples.
      {u"#,##0.00", 1234567.891, u"1\u00A0234\u00A0567,89"},
      {u"0.##", 2, u"2"},
      {u"#.00", 0.5, u",50"},
      {u"000", 7, u"007"},
      {u"0", 2.5, u"3"},
      {u"0.0", -0.25, u"-0,3"},
      {u"'Total '0", -5, u"-Total 5"},
      {u"#,##0", 999, u"999"},
      {u"#,##0", 1000, u"1\u00A0000"},
      {u"0.00", 1.005, u"1,00"},                 // the double lies below 1.005
      {u"0.00E+00", 0.00012345, u"1,23E-04"},
      {u"0.0E-0", 12345, u"1,2E4"},
      {u"##0.0E+0", 12345, u"123,5E+2"},
      {u"0;(0);'zero'", 0, u"zero"},
      {u"0;(0);'zero'", 0.2, u"zero"},
      {u"0;(0);'zero'", -5, u"(5)"},
      // Placeholders, points and grouping.
      {u"#", 12345, u"12345"},                   // surplus digits at the first placeholder
      {u"#,##0", 1234567, u"1\u00A0234\u00A0567"},
      {u"0,000", 5, u"0\u00A0005"},              // padding zeros are grouped too
      {u"#,##0", 123456789012345678.0, u"123\u00A0456\u00A0789\u00A0012\u00A0345\u00A0680"},
      {u"0", 1E19, u"1E19"},                     // more than 18 integer digits
      {u"#", 0, u""},
      {u"0.00", 0.5, u"0,50"},
      {u"##0.0#", 1.25, u"1,25"},
      {u"##0.0#", 1.5, u"1,5"},
      {u"0.##", 2.999, u"3"},
      {u".00", 12.5, u"12,50"},
      {u"0.0000", 0.0005, u"0,0005"},
      {u"0.00", 0.0049, u"0,00"},
      {u"0.", 3.7, u"4"},
      {u"0.0.0", 1.25, u"1,25"},                 // only the first point counts
      // Scientific notation.
      {u"0.00E+00", 12345, u"1,23E+04"},
      {u"0.00E+00", 1.5, u"1,50E+00"},
      {u"0.00E+00", 0, u"0,00E+00"},
      {u"0.##E+0", 1, u"1E+0"},
      {u"0E-00", 0.05, u"5E-02"},
      {u"0.0e+0000000", 123, u"1,2e+0002"},      // at most four exponent digits
      {u"0E+0", 9.6, u"1E+1"},
      // Sections, signs and literals.
      {u"0.0", -0.01, u"0,0"},                   // rounds to zero: no minus
      {u"0.00;;'z'", -5, u"-5,00"},              // an empty section takes the first one
      {u"0;-0", -5, u"-5"},
      {u"0;0;0.00", 0.001, u"0,00"},             // zero section rescanned, value stays zero
      {u"\"a;b\"0;x0", -5, u"x5"},               // ';' inside quotes does not split
      {u"0;a0;b0;c0", 0, u"b0"},                 // a fourth section is ignored
      {u"0 'abc", 5, u"5 abc"},                  // a quote that never closes
      {u"0 руб", 5, u"5 руб"},
      {u"E0", 5, u"E5"},                         // 'E' without a sign is a literal
      {u"", -1.5, u"-1,5"},
      {u";0", 1.5, u"1,5"},                      // empty first section: general rendering
  };
  for (const PatternCase& c : cases)
    EXPECT_EQ(FormatDecimalPattern(c.pattern, c.value), c.expected)
        << Utf16ToUtf8(c.pattern) << " " << c.value;
}

TEST_F(NumberPatternTest, MarksComeFromTheSettings) {
  FormatSettings.GroupMark = 0;
  EXPECT_EQ(FormatDecimalPattern(u"#,##0", 1000), u"1000");
  FormatSettings.GroupMark = u',';
  FormatSettings.DecimalMark = u'.';
  EXPECT_EQ(FormatDecimalPattern(u"#,##0.00", 1234567.891), u"1,234,567.89");
  EXPECT_EQ(FormatGeneralNumber(1.5E20), u"1.5E20");
}

}  // namespace
