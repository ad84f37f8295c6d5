// The date-time pattern engine under the Russian settings unless a test changes them.
// 45000.75 is Wednesday 2023-03-15 18:00.

#include "format_settings_fixture.h"
#include "platform/date_time.h"
#include "platform/utf.h"
#include "xls/XLSDatePattern.h"

namespace {

using DatePatternTest = RussianSettingsTest;

const double kEvening = 45000.75;
const double kMorning = EncodeDate(2023, 3, 5) + EncodeTime(1, 2, 3, 45);

TEST_F(DatePatternTest, Codes) {
  const PatternCase cases[] = {
      // Worked examples.
      {u"dd/mm/yyyy", kEvening, u"15.03.2023"},
      {u"h:nn AM/PM", kEvening, u"6:00 PM"},
      {u"h:nn AM/PM", kMorning, u"1:02 AM"},
      {u"hh:mm", kEvening, u"18:00"},
      {u"mm:ss", kEvening, u"03:00"},              // month, then seconds
      {u"yy", kEvening, u"23"},
      {u"y", kEvening, u"23"},
      {u"yyy", kEvening, u"2023"},
      {u"mmm", kEvening, u"мар"},
      // Years, months, days.
      {u"YYYY", EncodeDate(5, 1, 1), u"0005"},
      {u"yy", EncodeDate(2005, 1, 1), u"05"},
      {u"m.d", kMorning, u"3.5"},
      {u"mm.dd", kMorning, u"03.05"},
      {u"mmmm", kEvening, u"Март"},
      {u"mmmmmm", kEvening, u"Март"},
      {u"ddd", kEvening, u"Ср"},
      {u"dddd", kEvening, u"среда"},
      {u"aaa aaaa", kEvening, u"Ср среда"},
      {u"ddddd", kEvening, u"15.03.2023"},
      {u"dddddd", kEvening, u"15 марта 2023 г."},  // the month after a day: genitive
      {u"d mmmm", kEvening, u"15 марта"},
      {u"dd.mmmm", kEvening, u"15.марта"},
      {u"ddd mmmm", kEvening, u"Ср Март"},
      // Times.
      {u"h:m:s", kMorning, u"1:2:3"},
      {u"hh:nn:ss.zzz", kMorning, u"01:02:03.045"},
      {u"hhh:nnn:sss", kMorning, u"01:02:03"},
      {u"z zz zzzz", kMorning, u"45 45 045"},
      {u"hmm", kMorning, u"102"},                  // 'm' right after an hour code: minutes
      {u"h:mmm", kMorning, u"1:мар"},              // a month name stays a month name
      {u"t", kEvening, u"18:00"},
      {u"tt", kEvening, u"18:00:00"},
      {u"c", kEvening, u"15.03.2023 18:00:00"},
      {u"c", 45000, u"15.03.2023"},                // midnight: no time
      // The 12-hour clock.
      {u"h am/pm", 45000, u"12 am"},
      {u"h AM/pm", 45000.5, u"12 pm"},
      {u"hh a/p", kMorning, u"01 a"},
      {u"h A/P", kEvening, u"6 P"},
      {u"h ampm", kEvening, u"6 "},                // the Russian settings have no PM text
      {u"h \"a\" am/pm", kEvening, u"6 a pm"},     // quoted text is skipped
      {u"h h am/pm", kEvening, u"18 6 pm"},        // an hour code comes first
      {u"h ax am/pm", kEvening, u"18 ax pm"},      // the first 'a' decides
      // Literals and marks.
      {u"\"год\" yyyy 'г'", kEvening, u"год 2023 г"},
      {u"'d'd", kEvening, u"d15"},
      {u"\"open", kEvening, u"open"},
      {u"a aa b", kEvening, u"a aa b"},
      {u"e g", kEvening, u"2023 н.э."},
      {u"General", 45000, u"н.э.202302023ral"},
  };
  for (const PatternCase& c : cases)
    EXPECT_EQ(FormatDateTimePattern(c.pattern, c.value), c.expected)
        << Utf16ToUtf8(c.pattern) << " " << c.value;
}

TEST_F(DatePatternTest, SettingsDecideMarksNamesAndNamedPatterns) {
  FormatSettings.DateMark = 0;
  FormatSettings.TimeMark = u'.';
  FormatSettings.AmText = u"AM";
  FormatSettings.PmText = u"PM";
  EXPECT_EQ(FormatDateTimePattern(u"dd/mm h:nn ampm", kEvening), u"1503 6.00 PM");
  // A named code inside a named pattern writes nothing.
  FormatSettings.ShortDatePattern = u"dd/mm c t ddddd";
  FormatSettings.LongTimePattern = u"hh:nn tt";
  EXPECT_EQ(FormatDateTimePattern(u"ddddd", kEvening), u"1503   ");
  EXPECT_EQ(FormatDateTimePattern(u"c", kEvening), u"1503    18.00 ");
}

TEST_F(DatePatternTest, ValuesWithoutADateShowAsNumbers) {
  EXPECT_EQ(FormatDateTimePattern(u"dd.mm.yyyy", 1E7), u"10000000");
  EXPECT_EQ(FormatDateTimePattern(u"dd.mm.yyyy", -1E300), u"-1E300");
  EXPECT_EQ(FormatDateTimePattern(u"dd.mm.yyyy", EncodeDate(1, 1, 1)), u"01.01.0001");
  EXPECT_EQ(FormatDateTimePattern(u"dd.mm.yyyy", EncodeDate(9999, 12, 31) + 0.5), u"31.12.9999");
}

}  // namespace
