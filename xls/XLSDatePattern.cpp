#include "xls/XLSDatePattern.h"

#include <cmath>

#include "platform/date_time.h"
#include "platform/format_settings.h"
#include "xls/XLSNumberPattern.h"
#include "xls/XLSPatternText.h"

namespace {

// The first and past the last date-time value of the years 1 to 9999.
constexpr double kFirstDateTime = -693593.0;
constexpr double kEndDateTime = 2958466.0;

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

// The length of the am/pm code starting at `i`: 5 for "am/pm", 3 for "a/p", 4 for "ampm";
// 0 when none starts there.
size_t AmPmLength(std::u16string_view s, size_t i) {
  if (StartsWithWord(s, i, u"am/pm")) return 5;
  if (StartsWithWord(s, i, u"a/p")) return 3;
  if (StartsWithWord(s, i, u"ampm")) return 4;
  return 0;
}

// Whether an hour code ending before `i` shows the 12-hour clock: looking on, past quoted
// text, the first 'a' starts an am/pm code and no 'h' comes first.
bool TwelveHourClock(std::u16string_view s, size_t i) {
  while (i < s.size()) {
    const char16_t c = Lower(s[i]);
    if (IsPatternQuote(c)) {
      i = SkipQuoted(s, i);
      continue;
    }
    if (c == u'h') return false;
    if (c == u'a') return AmPmLength(s, i) != 0;
    ++i;
  }
  return false;
}

void AppendMark(std::u16string& out, char16_t mark) {
  if (mark != 0) out += mark;
}

// Writes `pattern` for the decoded value; `nested` while expanding a named pattern, where
// named codes write nothing.
void WritePattern(std::u16string& out, std::u16string_view pattern, const DecodedDateTime& t,
                  bool nested) {
  const TFormatSettings& fs = FormatSettings;
  const auto named = [&](const std::u16string& inner) {
    if (!nested) WritePattern(out, inner, t, true);
  };
  char16_t previous = 0;  // letter of the previous code
  size_t previous_length = 0;  // its length
  size_t i = 0;
  while (i < pattern.size()) {
    const char16_t c = pattern[i];
    const char16_t letter = Lower(c);
    if (IsPatternQuote(c)) {
      i = AppendQuoted(out, pattern, i);
      continue;
    }
    if (letter == u'a') {
      if (const size_t length = AmPmLength(pattern, i)) {
        const bool am = t.hour < 12;
        if (length == 5) {
          out.append(pattern.substr(am ? i : i + 3, 2));
        } else if (length == 3) {
          out += pattern[am ? i : i + 2];
        } else {
          out += am ? fs.AmText : fs.PmText;
        }
        i += length;
      } else if (StartsWithWord(pattern, i, u"aaaa")) {
        out += fs.DayNamesLong[t.day_of_week - 1];
        i += 4;
      } else if (StartsWithWord(pattern, i, u"aaa")) {
        out += fs.DayNamesShort[t.day_of_week - 1];
        i += 3;
      } else {
        out += c;
        ++i;
        continue;
      }
      previous = u'a';
      continue;
    }
    if (std::u16string_view(u"ymdhnsztceg").find(letter) == std::u16string_view::npos) {
      if (c == u'/') {
        AppendMark(out, fs.DateMark);
      } else if (c == u':') {
        AppendMark(out, fs.TimeMark);
      } else {
        out += c;
      }
      ++i;
      continue;
    }
    size_t run = i + 1;
    while (run < pattern.size() && Lower(pattern[run]) == letter) ++run;
    const size_t length = run - i;
    switch (letter) {
      case u'y':
        if (length <= 2) {
          AppendPadded(out, t.year % 100, 2);
        } else {
          AppendPadded(out, t.year, 4);
        }
        break;
      case u'm':
        if (length <= 2) {
          AppendPadded(out, previous == u'h' ? t.minute : t.month, static_cast<int>(length));
        } else {
          const bool after_day = previous == u'd' && previous_length <= 2;  // "15 марта"
          out += length == 3   ? fs.MonthNamesShort[t.month - 1]
                 : after_day ? fs.MonthNamesGenitive[t.month - 1]
                             : fs.MonthNamesLong[t.month - 1];
        }
        break;
      case u'd':
        if (length <= 2) {
          AppendPadded(out, t.day, static_cast<int>(length));
        } else if (length == 3) {
          out += fs.DayNamesShort[t.day_of_week - 1];
        } else if (length == 4) {
          out += fs.DayNamesLong[t.day_of_week - 1];
        } else {
          named(length == 5 ? fs.ShortDatePattern : fs.LongDatePattern);
        }
        break;
      case u'h': {
        int hour = t.hour;
        if (TwelveHourClock(pattern, run)) {
          hour %= 12;
          if (hour == 0) hour = 12;
        }
        AppendPadded(out, hour, length == 1 ? 1 : 2);
        break;
      }
      case u'n':
        AppendPadded(out, t.minute, length == 1 ? 1 : 2);
        break;
      case u's':
        AppendPadded(out, t.second, length == 1 ? 1 : 2);
        break;
      case u'z':
        AppendPadded(out, t.millisecond, length < 3 ? static_cast<int>(length) : 3);
        break;
      case u't':
        named(length == 1 ? fs.ShortTimePattern : fs.LongTimePattern);
        break;
      case u'c':
        if (!nested) {
          WritePattern(out, fs.ShortDatePattern, t, true);
          if (t.hour != 0 || t.minute != 0 || t.second != 0) {
            out += u' ';
            WritePattern(out, fs.LongTimePattern, t, true);
          }
        }
        break;
      case u'e':
        AppendPadded(out, t.year, 1);
        break;
      case u'g':
        out += fs.EraName;
        break;
    }
    previous = letter;
    previous_length = length;
    i = run;
  }
}

}  // namespace

bool IsDateTimeInRange(double value) { return value >= kFirstDateTime && value < kEndDateTime; }

std::u16string FormatDateTimePattern(std::u16string_view pattern, double value) {
  if (!IsDateTimeInRange(value)) return FormatGeneralNumber(value);
  std::u16string out;
  out.reserve(pattern.size() + 8);
  WritePattern(out, pattern, DecodeDateTime(value), false);
  return out;
}
