#include "platform/date_time.h"

#include <cmath>

#include "platform/exception.h"

namespace {

// Days from 0001-01-01 to 1899-12-30, the zero of date-time values.
constexpr std::int64_t kDeltaDays = 693593;

// Days from 0001-01-01 to the given date (proleptic Gregorian calendar).
std::int64_t DayNumber(int year, int month, int day) {
  static constexpr int kBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const std::int64_t y = year - 1;
  std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + kBefore[month - 1] + day - 1;
  if (month > 2 && IsLeapYear(year)) ++days;
  return days;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, double& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month))
    return false;
  result = static_cast<double>(DayNumber(year, month, day) - kDeltaDays);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, double& result) {
  if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 ||
      millisecond < 0 || millisecond >= 1000)
    return false;
  result = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + millisecond) / 86400000.0;
  return true;
}

double EncodeDate(int year, int month, int day) {
  double result;
  if (!TryEncodeDate(year, month, day, result))
    throw EConvertError("Invalid argument to date encode");
  return result;
}

double EncodeTime(int hour, int minute, int second, int millisecond) {
  double result;
  if (!TryEncodeTime(hour, minute, second, millisecond, result))
    throw EConvertError("Invalid argument to time encode");
  return result;
}

DecodedDateTime DecodeDateTime(double value) {
  // Milliseconds since 1899-12-30; a negative value counts its days backwards but its time of
  // day forwards (-1.25 is 1899-12-29 06:00).
  const double whole = std::trunc(value);
  std::int64_t day_ms = std::llround(std::fabs(value - whole) * 86400000.0);
  std::int64_t days = static_cast<std::int64_t>(whole);
  if (day_ms >= 86400000) {
    day_ms -= 86400000;
    days += value < 0 ? -1 : 1;
  }
  DecodedDateTime d{};
  std::int64_t n = days + kDeltaDays;  // days since 0001-01-01
  d.day_of_week = static_cast<int>(((n + 1) % 7 + 7) % 7) + 1;
  // Civil date from a day count (the 400-year cycle has 146097 days).
  std::int64_t z = n + 306;  // days since 0000-03-01
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2 ? 1 : 0));
  d.hour = static_cast<int>(day_ms / 3600000);
  d.minute = static_cast<int>(day_ms / 60000 % 60);
  d.second = static_cast<int>(day_ms / 1000 % 60);
  d.millisecond = static_cast<int>(day_ms % 1000);
  return d;
}
