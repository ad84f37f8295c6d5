#include "platform/date_time.h"

#include <gtest/gtest.h>

#include "platform/exception.h"

namespace {

TEST(DateTimeTest, EncodesDaysSince18991230) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2023, 1, 1), 44927);
  EXPECT_EQ(EncodeDate(2023, 3, 15), 45000);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1);
  EXPECT_EQ(EncodeDate(2000, 2, 29) - EncodeDate(2000, 2, 28), 1);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(18, 0, 0, 0), 0.75);
}

TEST(DateTimeTest, RefusesInvalidDatesAndTimes) {
  for (auto [y, m, d] : {std::tuple{1900, 2, 29}, {2023, 13, 1}, {2023, 0, 1}, {2023, 4, 31},
                         {0, 1, 1}, {10000, 1, 1}, {2107, 15, 31}}) {
    try {
      EncodeDate(y, m, d);
      ADD_FAILURE() << y << "-" << m << "-" << d;
    } catch (const EConvertError& e) {
      EXPECT_STREQ(e.what(), "Invalid argument to date encode");
    }
  }
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(DateTimeTest, DecodesWhatWasEncoded) {
  const DecodedDateTime d = DecodeDateTime(EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 58, 0));
  EXPECT_EQ(d.year, 2024);
  EXPECT_EQ(d.month, 2);
  EXPECT_EQ(d.day, 29);
  EXPECT_EQ(d.hour, 23);
  EXPECT_EQ(d.minute, 59);
  EXPECT_EQ(d.second, 58);
  EXPECT_EQ(d.day_of_week, 5);  // a Thursday
  const DecodedDateTime zero = DecodeDateTime(0);
  EXPECT_EQ(zero.year * 10000 + zero.month * 100 + zero.day, 18991230);
  EXPECT_EQ(zero.day_of_week, 7);  // a Saturday
  const DecodedDateTime negative = DecodeDateTime(-1.25);
  EXPECT_EQ(negative.day, 29);
  EXPECT_EQ(negative.hour, 6);
  // Rounding to the millisecond carries into the next day.
  EXPECT_EQ(DecodeDateTime(45000.9999999999).day, 16);
}

}  // namespace
