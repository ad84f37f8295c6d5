#include "platform/format_settings.h"

#include <gtest/gtest.h>

namespace {

TEST(FormatSettingsTest, StartsWithTheRussianValues) {
  const TFormatSettings& s = FormatSettings;
  EXPECT_EQ(s.DecimalMark, u',');
  EXPECT_EQ(s.GroupMark, u'\u00A0');
  EXPECT_EQ(s.DateMark, u'.');
  EXPECT_EQ(s.TimeMark, u':');
  EXPECT_EQ(s.CurrencySymbol, u"р.");
  EXPECT_EQ(s.CurrencyPlacement, 3);
  EXPECT_EQ(s.NegativeCurrencyPattern, 8);
  EXPECT_EQ(s.CurrencyDigits, 2);
  EXPECT_EQ(s.ShortDatePattern, u"dd.mm.yyyy");
  EXPECT_EQ(s.LongDatePattern, u"d MMMM yyyy 'г.'");
  EXPECT_EQ(s.ShortTimePattern, u"h:mm");
  EXPECT_EQ(s.LongTimePattern, u"h:mm:ss");
  EXPECT_EQ(s.MonthNamesLong[2], u"Март");
  EXPECT_EQ(s.MonthNamesShort[11], u"дек");
  EXPECT_EQ(s.DayNamesLong[0], u"воскресенье");
  EXPECT_EQ(s.DayNamesShort[3], u"Ср");
}

}  // namespace
