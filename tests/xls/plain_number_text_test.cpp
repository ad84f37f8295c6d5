// Plain decimal sections ("#,##0.00", "0%", "0.0#\" р.\"") are written straight from the
// digits. Whatever the value and the regional marks, they must show what the token writer
// shows for the same section.

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "format_settings_fixture.h"
#include "platform/utf.h"
#include "xls/XLSCellText.h"
#include "xls/XLSNumberText.h"

namespace {

using PlainNumberTextTest = RussianSettingsTest;

std::vector<std::u16string> Formats() {
  std::vector<std::u16string> formats = {
      u"0", u"#", u"00000", u"#,##0", u"#,###", u"0,000", u"#,##0.00", u"# ##0.00", u"0.00",
      u"#,##0.00 \"р.\"", u"\"$\"#,##0.00_);(\"$\"#,##0.00)", u"0%", u"0.00%", u"#,##0,",
      u"#,##0.00,,", u"000.###", u"0#.#0", u"#.", u"0.", u"#,##0.0#;[Red]-#,##0.0#;\"zero\"",
      u"[>=1000]#,##0;[<0]0.0;0.000", u"_-* #,##0.00\\ _р_._-;\\-* #,##0.00\\ _р_._-",
      u"000000000000000000000000.00", u"0.000000000000000000000000000000",
      u"#,##0.0000000000000000000000000000000", u"00000000000000000000", u"000,000,000,000,000,000,000",
      // Not plain: the token writer writes them, and the comparison shows nothing wrong.
      u"0.0?", u"00-00", u"# ?/?", u"0.00E+00", u"General", u".00", u"0\" \"0.0", u"\"n\"",
  };
  for (int places = 0; places <= 15; ++places) {
    const std::u16string zeros(static_cast<size_t>(places), u'0');
    const std::u16string hashes(static_cast<size_t>(places), u'#');
    formats.push_back(u"0." + zeros);
    formats.push_back(u"#,##0." + zeros);
    formats.push_back(u"#." + hashes);
    formats.push_back(u"#,##0.0" + hashes);
  }
  return formats;
}

// Random plain layouts: literals around '0'/'#' integer places, grouping or scaling commas,
// '0'/'#' decimals, percent.
std::vector<std::u16string> RandomPlainFormats() {
  const std::u16string_view prefixes[] = {u"", u"\"$\"", u"руб ", u"_(", u"\\-"};
  const std::u16string_view suffixes[] = {u"", u" шт", u"%", u",", u",,", u"_)", u"\" р.\"", u"%%"};
  std::mt19937 random(7);
  auto places = [&random](int most) {
    std::u16string text(random() % static_cast<unsigned>(most + 1), u'#');
    for (char16_t& c : text) c = random() % 2 ? u'0' : u'#';
    return text;
  };
  std::vector<std::u16string> formats;
  for (int i = 0; i < 150; ++i) {
    std::u16string integer = u"0" + places(6);
    std::shuffle(integer.begin(), integer.end(), random);
    if (random() % 2) integer.insert(1, 1, u',');
    std::u16string format = std::u16string(prefixes[random() % std::size(prefixes)]) + integer;
    if (random() % 3) format += u"." + places(12);
    formats.push_back(format + std::u16string(suffixes[random() % std::size(suffixes)]));
  }
  return formats;
}

std::vector<double> Values() {
  std::vector<double> values = {
      0, -0.0, 1, -1, 0.5, 0.05, 0.005, 0.0005, 0.0004, 1.005, 2.675, 9.995, 99.995, 0.125,
      1234.5, 1234.565, 1E-5, 1E-9, 1E-300, 4.9E-324, DBL_MAX, -DBL_MAX, 999999999999999.0,
      999999999999999.4, 999999999999999.5, 1E15, 1E15 + 2, 1E16, 999999999999999999.0, 1E18,
      1E19, 1.5E18, 4503599627370497.0, 123456789.12345678, 0.30000000000000004, 1.0 / 3,
      -2.0 / 3, 1E13, 1E13 + 1, 99999999.99999999, 10000000.000000001, 1.23456789012345E17,
      9.99999999999999E17, 9.999999999999999E17, 5E18, 1.8E19, 1E-20, 1.5E-25,
  };
  for (int i = 0; i < 1000; ++i) {  // halves at the 1st to 4th decimal, and the price list's
    values.push_back((i + 0.5) / 10);
    values.push_back(-(i * 10 + 5) / 1000.0);
    values.push_back(i + 0.0005);
    values.push_back(10 + (i * 37 % 100000) / 100.0);
  }
  std::mt19937_64 random(2024);
  std::uniform_real_distribution<double> mantissa(1, 10);
  std::uniform_int_distribution<int> exponent(-20, 20), sign(0, 1), places(0, 8);
  std::uniform_int_distribution<long long> digits(0, 999999999999999LL);
  for (int i = 0; i < 1500; ++i) {
    const double s = sign(random) ? -1 : 1;
    values.push_back(s * mantissa(random) * std::pow(10.0, exponent(random)));  // any magnitude
    values.push_back(s * static_cast<double>(digits(random)) / std::pow(10.0, places(random)));
  }
  return values;
}

// Writes `value` by every plain section of `format` with its layout and without it.
void ExpectPlainAsTokenWriter(const std::u16string& format, const std::vector<double>& values,
                              int& failures) {
  const TFormatCode code = TFormatCode::Parse(format);
  for (const TFormatSection& section : code.Sections()) {
    if (!section.Plain) continue;
    TFormatSection tokens_only = section;
    tokens_only.Plain.reset();
    for (double value : values) {
      bool plain_zero = false, tokens_zero = false;
      const std::u16string plain = FormatNumberSection(section, value, &plain_zero);
      const std::u16string expected = FormatNumberSection(tokens_only, value, &tokens_zero);
      if (plain == expected && plain_zero == tokens_zero) continue;
      ADD_FAILURE() << Utf16ToUtf8(format) << " " << value << ": " << Utf16ToUtf8(plain) << " "
                    << plain_zero << ", token writer " << Utf16ToUtf8(expected) << " " << tokens_zero;
      if (++failures > 20) return;
    }
  }
}

TEST_F(PlainNumberTextTest, PlainSectionsShowWhatTheTokenWriterShows) {
  const std::vector<double> values = Values();
  int failures = 0;
  const std::pair<char16_t, char16_t> marks[] = {{u',', u'\u00A0'}, {u'.', u','}, {u',', u'\0'}};
  for (const auto& [decimal, group] : marks) {
    FormatSettings.DecimalMark = decimal;
    FormatSettings.GroupMark = group;
    for (const std::u16string& format : Formats()) ExpectPlainAsTokenWriter(format, values, failures);
  }
  std::vector<double> some_values;  // every tenth, for the many random layouts
  for (size_t i = 0; i < values.size(); i += 10) some_values.push_back(values[i]);
  for (const std::u16string& format : RandomPlainFormats())
    ExpectPlainAsTokenWriter(format, some_values, failures);
}

TEST_F(PlainNumberTextTest, CommonNumberFormatsArePlain) {
  for (std::u16string_view format : {u"0", u"0.00", u"#,##0", u"#,##0.00", u"0%", u"#,##0.00\"р.\"",
                                     u"#,##0.00_р_.;[Red]-#,##0.00_р_.", u"#,##0;-#,##0"}) {
    const TFormatCode code = TFormatCode::Parse(format);
    for (const TFormatSection& section : code.Sections()) EXPECT_TRUE(section.Plain) << Utf16ToUtf8(format);
  }
  for (std::u16string_view format : {u"0.0?", u"00-00", u"# ?/?", u"0.00E+00", u"General", u".00"})
    EXPECT_FALSE(TFormatCode::Parse(format).Sections()[0].Plain) << Utf16ToUtf8(format);
}

TEST_F(PlainNumberTextTest, AppendingKeepsWhatTheBufferHeld) {
  const TNumberFormat date{164, u"dd.mm.yyyy", {}};
  const struct {
    std::u16string_view format;
    TDisplayValue value;
  } cases[] = {
      {u"#,##0.00", 1234.5},
      {u"0.00;(0.00)", -0.001},  // a negative shown as zero takes the zero's section
      {u"0.00;(0.00);\"zero\"", -0.001},
      {u"General", -2.5},
      {u"0;;", -5.0},
      {u"@", std::u16string_view(u"текст")},
      {u"0", true},
      {u"dd.mm.yyyy", TDisplayDate{45000}},
  };
  for (const auto& c : cases) {
    const TNumberFormat entry{164, std::u16string(c.format), ParseFormatCode(c.format)};
    std::u16string out = u"held|";
    AppendCellValueText(out, c.value, entry, true);
    EXPECT_EQ(out, u"held|" + CellValueText(c.value, entry, true)) << Utf16ToUtf8(c.format);
  }
  std::u16string out = u"held|";
  AppendCellValueText(out, TDisplayDate{45000}, date, true);
  EXPECT_EQ(out, u"held|15.03.2023");
}

}  // namespace
