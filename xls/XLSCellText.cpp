#include "xls/XLSCellText.h"

#include <cmath>
#include <limits>
#include <type_traits>

#include "platform/date_time.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "platform/format_settings.h"
#include "xls/XLSDatePattern.h"
#include "xls/XLSFormatClass.h"
#include "xls/XLSNumberPattern.h"
#include "xls/XLSPatternText.h"

namespace {

// Replaces every occurrence of `from`, left to right; replaced text is not searched again.
void ReplaceAll(std::u16string& s, std::u16string_view from, std::u16string_view to) {
  size_t at = s.find(from);
  if (at == std::u16string::npos) return;
  std::u16string result(s, 0, at);
  size_t done = at;
  while (at != std::u16string::npos) {
    result.append(s, done, at - done);
    result.append(to);
    done = at + from.size();
    at = s.find(from, done);
  }
  result.append(s, done);
  s = std::move(result);
}

void RemoveAll(std::u16string& s, std::u16string_view what) { ReplaceAll(s, what, {}); }

bool Contains(std::u16string_view s, std::u16string_view what) {
  return s.find(what) != std::u16string_view::npos;
}

// `text` between double quotes: a literal for both pattern engines.
std::u16string Quoted(std::u16string_view text) {
  std::u16string q = u"\"";
  q += text;
  q += u'"';
  return q;
}

std::u16string QuotedNumber(long long n) {
  std::u16string q = u"\"";
  AppendPadded(q, n, 1);
  q += u'"';
  return q;
}

// Whether a number section writes a minus sign of its own: a '-' that is not the sign of an
// exponent code (quoted ones count: the engine writes them too).
bool WritesOwnMinus(std::u16string_view f) {
  for (size_t i = 0; i < f.size(); ++i) {
    if (IsPatternQuote(f[i])) {
      const size_t end = SkipQuoted(f, i);
      if (f.substr(i + 1, end - i - 1).find(u'-') != std::u16string_view::npos) return true;
      i = end - 1;
    } else if (f[i] == u'-' && (i == 0 || (f[i - 1] != u'E' && f[i - 1] != u'e'))) {
      return true;
    }
  }
  return false;
}

// Whether a number section has a digit placeholder outside its quoted literals.
bool HasDigitPlaceholder(std::u16string_view f) {
  for (size_t i = 0; i < f.size(); ++i) {
    if (IsPatternQuote(f[i])) i = SkipQuoted(f, i) - 1;
    else if (f[i] == u'0' || f[i] == u'#') return true;
  }
  return false;
}

// A denominator text read as a decimal integer, as the runtime's integer conversion reads it.
int ParseDenominator(std::u16string_view r) {
  size_t i = r.size() > 0 && (r[0] == u'-' || r[0] == u'+') ? 1 : 0;
  long long value = 0;
  bool valid = i < r.size();
  for (; valid && i < r.size(); ++i) {
    if (r[i] < u'0' || r[i] > u'9') {
      valid = false;
    } else {
      value = value * 10 + (r[i] - u'0');
      valid = value <= std::numeric_limits<int>::max();
    }
  }
  if (!valid)
    throw EConvertError(Format(u"'%s' is not a valid integer value", {std::u16string(r)}));
  return static_cast<int>(r[0] == u'-' ? -value : value);
}

std::u16string FormatNumberOrDate(double x, bool is_date, std::uint16_t ifmt,
                                  std::u16string_view text) {
  std::u16string default_text;
  if (text.empty()) default_text = DefaultFormatForIfmt(ifmt);
  std::u16string_view f = DropCurrencyTag(text.empty() ? default_text : text);
  TFormatClass c = ClassifyFormat(f);
  if (c == TFormatClass::General || c == TFormatClass::Text) f = {};
  if (is_date && c != TFormatClass::Date) {
    f = FormatSettings.ShortDatePattern;
    c = TFormatClass::Date;
  }
  return c == TFormatClass::Date ? FormatDateValue(f, x) : FormatNumberValue(f, x);
}

}  // namespace

std::u16string FormatCellValue(const TDisplayValue& value, std::uint16_t ifmt,
                               std::u16string_view f, int code_page) {
  return std::visit(
      [&](const auto& v) -> std::u16string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return {};
        } else if constexpr (std::is_same_v<T, std::u16string_view>) {
          return std::u16string(v);
        } else if constexpr (std::is_same_v<T, std::string_view>) {
          return MultiByteToWide(v.substr(0, v.find('\0')), code_page);
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? u"TRUE" : u"FALSE";
        } else if constexpr (std::is_same_v<T, TDisplayDate>) {
          return FormatNumberOrDate(v.value, true, ifmt, f);
        } else {
          return FormatNumberOrDate(v, false, ifmt, f);
        }
      },
      value);
}

std::u16string CellValueText(const TDisplayValue& value, const TNumberFormat& entry,
                             bool data_from_file, int code_page) {
  const bool own_text = data_from_file || entry.ifmt > 163;
  return FormatCellValue(value, entry.ifmt, own_text ? entry.FormatString : std::u16string_view(),
                         code_page);
}

std::u16string FormatDateValue(std::u16string_view f, double x) {
  std::u16string p(f.substr(0, f.find(u';')));
  ReplaceAll(p, u"_-", u" ");
  ReplaceAll(p, u"_", u" ");
  RemoveAll(p, u"\\");
  RemoveAll(p, u"-*");
  RemoveAll(p, u"*");
  ReplaceAll(p, u":mm", u":nn");
  ReplaceAll(p, u".0", u".z");
  if (!IsDateTimeInRange(x)) return FormatDateTimePattern(p, x);
  const DecodedDateTime t = DecodeDateTime(x);
  // The whole days of x; a time of day that rounds up to midnight counts as the next day, as
  // it does for the date.
  double date = 0;
  const long long days = static_cast<long long>(
      TryEncodeDate(t.year, t.month, t.day, date) ? date : std::trunc(x));
  if (Contains(p, u"mmmmm"))
    ReplaceAll(p, u"mmmmm", Quoted(FormatSettings.MonthNamesLong[t.month - 1].substr(0, 1)));
  const long long hours = days * 24 + t.hour;
  const long long minutes = hours * 60 + t.minute;
  const long long seconds = minutes * 60 + t.second;
  if (Contains(p, u"[h]")) ReplaceAll(p, u"[h]", QuotedNumber(hours));
  if (Contains(p, u"[mm]")) ReplaceAll(p, u"[mm]", QuotedNumber(minutes));
  if (Contains(p, u"[ss]")) ReplaceAll(p, u"[ss]", QuotedNumber(seconds));
  return FormatDateTimePattern(p, x);
}

std::u16string FormatNumberValue(std::u16string_view text, double x) {
  if (text.empty()) return FormatGeneralNumber(x);
  std::u16string f(text);
  if (f.back() == u'%') {
    ReplaceAll(f, u"%", u"\"%\"");
    x *= 100;
  }
  bool negative_section = false;  // f is the negative section of a longer format
  if (x >= 0) {
    f.resize(std::min(f.size(), f.find(u';')));
  } else {
    const size_t first = f.find(u';');
    if (first != std::u16string::npos) {
      const size_t next = f.find(u';', first + 1);
      f = f.substr(first + 1, next == std::u16string::npos ? next : next - first - 1);
      negative_section = true;
    }
    if (Contains(f, u"(") && Contains(f, u")")) x = -x;
  }

  std::u16string currency_padding;
  for (char16_t c : FormatSettings.CurrencySymbol) {
    currency_padding += u'_';
    currency_padding += c;
  }
  if (!currency_padding.empty()) ReplaceAll(f, currency_padding, u" ");
  RemoveAll(f, u"_-");
  RemoveAll(f, u"_(");
  RemoveAll(f, u"_)");
  ReplaceAll(f, u"_", u"   ");
  RemoveAll(f, u"\\");
  RemoveAll(f, u"-*");
  RemoveAll(f, u"*");
  ReplaceAll(f, u"( (", u"(");
  const bool open = Contains(f, u"("), close = Contains(f, u")");
  if (open && !close) RemoveAll(f, u"(");
  if (close && !open) RemoveAll(f, u")");
  size_t blocks_end = 0;  // leading "[...]" blocks; one that never closes is kept
  while (blocks_end < f.size() && f[blocks_end] == u'[') {
    const size_t close = f.find(u']', blocks_end);
    if (close == std::u16string::npos) break;
    blocks_end = close + 1;
  }
  f.erase(0, blocks_end);
  // A negative section that writes its own minus shows the amount like one in parentheses.
  if (negative_section && x < 0 && WritesOwnMinus(f)) x = -x;
  // A negative value that its own section shows as zero is shown as a zero, without the sign
  // that section writes.
  if (negative_section && f.find(u"?/") == std::u16string::npos && HasDigitPlaceholder(f) &&
      FormatDecimalPattern(f, std::fabs(x)) == FormatDecimalPattern(f, 0.0))
    return FormatNumberValue(text, 0.0);

  const size_t fraction = f.find(u"?/");
  if (fraction != std::u16string::npos) {
    const size_t start = fraction + 2;
    const std::u16string r = f.substr(start, f.find(u' ', start) - start);
    const std::u16string text_of_fraction = FormatFraction(r, x);
    ReplaceAll(f, u"?/" + r, Quoted(text_of_fraction));
    RemoveAll(f, u"?");
    // The whole part in front of the fraction, truncated; the sign once, in front: the
    // engine's minus for a whole part, a written one for a fraction alone.
    const double whole = std::trunc(std::fabs(x));
    if (x < 0 && whole < 1 && !text_of_fraction.empty()) f.insert(0, u"\"-\"");
    x = x < 0 && whole >= 1 ? -whole : whole;
  }
  return FormatDecimalPattern(f, x);
}

std::u16string FormatFraction(std::u16string_view R, double x) {
  if (!std::isfinite(x)) return {};
  const double g = std::fabs(x - std::trunc(x));
  if (g == 0) return {};
  int denominator;
  if (R.find(u'?') != std::u16string_view::npos) {
    const int largest = R == u"??" ? 99 : R == u"???" ? 999 : 9;
    denominator = 2;
    double best = 2 * g;
    for (int d = largest; d >= 1; --d) {
      const double error = std::fabs(g - std::nearbyint(g * d) / d);
      if (error <= best) {
        denominator = d;
        best = error;
      }
    }
  } else {
    denominator = ParseDenominator(R);
  }
  const long long k = static_cast<long long>(std::nearbyint(g * denominator));
  if (k == 0) return {};
  return Format(u"%d/%d", {k, denominator});
}
