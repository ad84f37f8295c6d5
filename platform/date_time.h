#pragma once
// Date-time values: days since 1899-12-30 as a double, the fraction being the time of day.

#include <cstdint>

// The date-time value of a calendar date (years 1 to 9999); raises EConvertError
// "Invalid argument to date encode" for an invalid date.
double EncodeDate(int year, int month, int day);
// The fraction of a day of a clock time; raises EConvertError "Invalid argument to time encode"
// unless hour < 24, minute < 60, second < 60 and millisecond < 1000.
double EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, double& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, double& result);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

struct DecodedDateTime {
  int year, month, day;                     // calendar date
  int hour, minute, second, millisecond;    // clock time
  int day_of_week;                          // 1 Sunday to 7 Saturday
};
// Splits a date-time value (rounded to the millisecond) into its calendar date and clock time.
DecodedDateTime DecodeDateTime(double value);
