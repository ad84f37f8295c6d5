#include "xls/XLSDateText.h"

#include <cmath>

#include "platform/date_time.h"
#include "platform/format_settings.h"
#include "xls/XLSDatePattern.h"
#include "xls/XLSNumberPattern.h"
#include "xls/XLSPatternText.h"

namespace {

// A date-time rounded to the unit the section shows: whole days apart from the units of the day.
struct TRoundedTime {
  double days;           // whole days, toward zero
  long long units;       // units of the time of day
  long long unit_scale;  // units per second
};

TRoundedTime Round(double value, int decimals) {
  TRoundedTime r{std::trunc(value), 0, 1};
  for (int i = 0; i < decimals; ++i) r.unit_scale *= 10;
  const long long per_day = 86400 * r.unit_scale;
  r.units = std::llround(std::fabs(value - r.days) * static_cast<double>(per_day));
  if (r.units >= per_day) {
    r.units -= per_day;
    r.days += value < 0 ? -1 : 1;
  }
  return r;
}

bool IsDateCode(TFormatTokenKind k) {
  return k != TFormatTokenKind::Literal && k != TFormatTokenKind::DateMark && k != TFormatTokenKind::TimeMark;
}

}  // namespace

void AppendDateSection(std::u16string& out, const TFormatSection& section, double date_time, double serial) {
  if (!std::isfinite(date_time) || !IsDateTimeInRange(date_time)) {
    out += FormatGeneralNumber(date_time);
    return;
  }
  const TFormatSettings& fs = FormatSettings;
  const TRoundedTime t = Round(date_time, section.SubSecondDigits);
  const double rounded = t.days + (date_time < 0 ? -1.0 : 1.0) * static_cast<double>(t.units) /
                                      (86400.0 * static_cast<double>(t.unit_scale));
  if (section.Regional != TRegionalPattern::None) {
    const bool long_date = section.Regional == TRegionalPattern::LongDate;
    out += FormatDateTimePattern(long_date ? fs.LongDatePattern : fs.LongTimePattern, rounded);
    return;
  }
  if (!IsDateTimeInRange(t.days)) {
    out += FormatGeneralNumber(date_time);
    return;
  }
  const DecodedDateTime date = DecodeDateTime(t.days);
  const long long seconds = t.units / t.unit_scale;
  const int hour = static_cast<int>(seconds / 3600), minute = static_cast<int>(seconds / 60 % 60),
            second = static_cast<int>(seconds % 60);
  const long long elapsed = std::llround(serial * 86400.0 * static_cast<double>(t.unit_scale)) / t.unit_scale;

  TFormatTokenKind previous = TFormatTokenKind::Literal;  // the last date code written
  int previous_count = 0;
  for (const TFormatToken& k : section.Tokens) {
    switch (k.Kind) {
      case TFormatTokenKind::Literal: out += k.Text; break;
      case TFormatTokenKind::DateMark: if (fs.DateMark != 0) out += fs.DateMark; break;
      case TFormatTokenKind::TimeMark: if (fs.TimeMark != 0) out += fs.TimeMark; break;
      case TFormatTokenKind::Year:
        if (k.Count <= 2) AppendPadded(out, date.year % 100, 2);
        else AppendPadded(out, date.year, 4);
        break;
      case TFormatTokenKind::Month: {
        const int m = date.month - 1;
        if (k.Count <= 2) {
          AppendPadded(out, date.month, k.Count);
        } else if (k.Count == 3) {
          out += fs.MonthNamesShort[m];
        } else if (k.Count == 5) {
          out += fs.MonthNamesLong[m].substr(0, 1);
        } else {
          const bool after_day = previous == TFormatTokenKind::Day && previous_count <= 2;
          out += after_day ? fs.MonthNamesGenitive[m] : fs.MonthNamesLong[m];
        }
        break;
      }
      case TFormatTokenKind::Minute: AppendPadded(out, minute, std::min(k.Count, 2)); break;
      case TFormatTokenKind::Day:
        if (k.Count <= 2) AppendPadded(out, date.day, k.Count);
        else if (k.Count == 3) out += fs.DayNamesShort[date.day_of_week - 1];
        else out += fs.DayNamesLong[date.day_of_week - 1];
        break;
      case TFormatTokenKind::Hour: {
        int h = hour;
        if (section.TwelveHour) {
          h %= 12;
          if (h == 0) h = 12;
        }
        AppendPadded(out, h, std::min(k.Count, 2));
        break;
      }
      case TFormatTokenKind::Second: AppendPadded(out, second, std::min(k.Count, 2)); break;
      case TFormatTokenKind::SubSecond: {
        long long fraction = t.units % t.unit_scale;
        for (int i = k.Count; i < section.SubSecondDigits; ++i) fraction /= 10;
        out += fs.DecimalMark;
        AppendPadded(out, fraction, k.Count);
        break;
      }
      case TFormatTokenKind::ElapsedHours: AppendPadded(out, elapsed / 3600, k.Count); break;
      case TFormatTokenKind::ElapsedMinutes: AppendPadded(out, elapsed / 60, k.Count); break;
      case TFormatTokenKind::ElapsedSeconds: AppendPadded(out, elapsed, k.Count); break;
      case TFormatTokenKind::AmPm: {
        const bool am = hour < 12;
        if (k.Text.size() == 5) out += std::u16string_view(k.Text).substr(am ? 0 : 3, 2);
        else out += k.Text[am ? 0 : 2];
        break;
      }
      case TFormatTokenKind::EraYear: AppendPadded(out, date.year, 1); break;
      case TFormatTokenKind::EraName: out += fs.EraName; break;
      default: break;
    }
    if (IsDateCode(k.Kind)) {
      previous = k.Kind;
      previous_count = k.Count;
    }
  }
}

std::u16string FormatDateSection(const TFormatSection& section, double date_time, double serial) {
  std::u16string out;
  AppendDateSection(out, section, date_time, serial);
  return out;
}
