#include "xls/XLSNumberPattern.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/format_settings.h"
#include "xls/XLSDecimalDigits.h"
#include "xls/XLSPatternText.h"

namespace {

void AppendDigits(std::u16string& out, const char* digits, int count) {
  for (int i = 0; i < count; ++i) out += static_cast<char16_t>(digits[i]);
}

bool IsExponent(std::u16string_view s, size_t i) {
  return (s[i] == u'E' || s[i] == u'e') && i + 1 < s.size() &&
         (s[i + 1] == u'+' || s[i + 1] == u'-');
}

// What one section asks for.
struct SectionScan {
  int integer_places = 0;    // digit placeholders in front of the decimal point
  int fraction_places = 0;   // digit placeholders after it
  int first_zero = -1;       // index among integer placeholders of the first '0'; -1 none
  int last_zero = -1;        // index among fraction placeholders of the last '0'; -1 none
  bool grouping = false;     // a ',' anywhere
  bool scientific = false;   // an exponent code
};

SectionScan Scan(std::u16string_view s) {
  SectionScan r;
  bool point = false;
  size_t i = 0;
  while (i < s.size()) {
    const char16_t c = s[i];
    if (IsPatternQuote(c)) {
      i = SkipQuoted(s, i);
      continue;
    }
    if (IsExponent(s, i)) {
      r.scientific = true;
      for (i += 2; i < s.size() && s[i] == u'0';) ++i;  // exponent digits, not placeholders
      continue;
    }
    if (c == u'0' || c == u'#') {
      if (point) {
        if (c == u'0') r.last_zero = r.fraction_places;
        ++r.fraction_places;
      } else {
        if (c == u'0' && r.first_zero < 0) r.first_zero = r.integer_places;
        ++r.integer_places;
      }
    } else if (c == u'.') {
      point = true;
    } else if (c == u',') {
      r.grouping = true;
    }
    ++i;
  }
  return r;
}

// Up to three sections split at ';' outside quotes; missing ones are empty.
std::array<std::u16string_view, 3> SplitSections(std::u16string_view pattern) {
  std::array<std::u16string_view, 3> sections;
  size_t start = 0, i = 0;
  int n = 0;
  while (i < pattern.size() && n < 2) {
    if (IsPatternQuote(pattern[i])) {
      i = SkipQuoted(pattern, i);
    } else if (pattern[i] == u';') {
      sections[n++] = pattern.substr(start, i - start);
      start = ++i;
    } else {
      ++i;
    }
  }
  for (i = start; i < pattern.size() && pattern[i] != u';';)
    i = IsPatternQuote(pattern[i]) ? SkipQuoted(pattern, i) : i + 1;
  sections[n] = pattern.substr(start, i - start);
  return sections;
}

// Writes one section for the rounded digits: integer digits, fraction digits (no trailing
// zeros) and, in scientific notation, the exponent to show.
class SectionWriter {
 public:
  SectionWriter(std::u16string_view section, const SectionScan& scan, std::u16string_view integer,
                std::u16string_view fraction, int exponent, std::u16string& out)
      : section_(section), scan_(scan), integer_(integer), fraction_(fraction),
        exponent_(exponent), out_(out) {}

  void Write() {
    size_t i = 0;
    while (i < section_.size()) {
      const char16_t c = section_[i];
      if (IsPatternQuote(c)) {
        i = AppendQuoted(out_, section_, i);
      } else if (IsExponent(section_, i)) {
        i = WriteExponent(i);
      } else {
        if (c == u'0' || c == u'#') {
          WritePlaceholder(placeholder_++);
        } else if (c != u'.' && c != u',') {
          out_ += c;
        }
        ++i;
      }
    }
  }

 private:
  // Writes the exponent code at `i`; returns the position after its digits.
  size_t WriteExponent(size_t i) {
    out_ += section_[i];
    const bool plus = section_[i + 1] == u'+';
    if (exponent_ < 0) {
      out_ += u'-';
    } else if (plus) {
      out_ += u'+';
    }
    int zeros = 0;
    for (i += 2; i < section_.size() && section_[i] == u'0'; ++i) ++zeros;
    AppendPadded(out_, std::abs(exponent_), std::min(zeros, 4));
    return i;
  }

  // Writes the integer digit at `position` (units = 1) and the group mark after it.
  void WriteIntegerDigit(int position, char16_t digit) {
    out_ += digit;
    if (scan_.grouping && FormatSettings.GroupMark != 0 && position >= 4 && position % 3 == 1)
      out_ += FormatSettings.GroupMark;
  }

  void WritePlaceholder(int index) {
    const int length = static_cast<int>(integer_.size());
    if (index == 0) {  // the digits no placeholder has room for come out here
      for (int p = length; p > scan_.integer_places; --p)
        WriteIntegerDigit(p, integer_[length - p]);
    }
    if (index < scan_.integer_places) {
      const int position = scan_.integer_places - index;
      if (position <= length) {
        WriteIntegerDigit(position, integer_[length - position]);
      } else if (scan_.first_zero >= 0 && index >= scan_.first_zero) {
        WriteIntegerDigit(position, u'0');
      }
      return;
    }
    const int k = index - scan_.integer_places;
    char16_t digit = 0;
    if (k < static_cast<int>(fraction_.size())) {
      digit = fraction_[k];
    } else if (k <= scan_.last_zero) {
      digit = u'0';
    }
    if (digit == 0) return;
    if (!decimal_written_) out_ += FormatSettings.DecimalMark;
    decimal_written_ = true;
    out_ += digit;
  }

  std::u16string_view section_;
  const SectionScan& scan_;
  std::u16string_view integer_;   // integer digits, none for a zero integer part
  std::u16string_view fraction_;  // fraction digits; no trailing zeros
  int exponent_;                  // the exponent written by an exponent code
  std::u16string& out_;
  int placeholder_ = 0;           // placeholders met so far
  bool decimal_written_ = false;  // the decimal mark has been written
};

}  // namespace

std::u16string FormatGeneralNumber(double value) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
  TDecimalDigits d = ExpandTo15(value);
  if (d.count == 0) return u"0";
  std::u16string out;
  if (value < 0) out += u'-';
  const int e = d.exponent;
  const char* digits = d.digits.data();
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      out += u'0';
      out += FormatSettings.DecimalMark;
      out.append(static_cast<size_t>(-e), u'0');
      AppendDigits(out, digits, d.count);
    } else {
      AppendDigits(out, digits, std::min(e, d.count));
      for (int i = d.count; i < e; ++i) out += u'0';
      if (d.count > e) {
        out += FormatSettings.DecimalMark;
        AppendDigits(out, digits + e, d.count - e);
      }
    }
  } else {
    out += static_cast<char16_t>(digits[0]);
    if (d.count > 1) {
      out += FormatSettings.DecimalMark;
      AppendDigits(out, digits + 1, d.count - 1);
    }
    out += u'E';
    if (e - 1 < 0) out += u'-';
    AppendPadded(out, std::abs(e - 1), 1);
  }
  return out;
}

std::u16string FormatDecimalPattern(std::u16string_view pattern, double value) {
  const std::array<std::u16string_view, 3> sections = SplitSections(pattern);
  if (sections[0].empty() || !std::isfinite(value)) return FormatGeneralNumber(value);
  int section = value > 0 ? 0 : value < 0 ? 1 : 2;
  if (sections[section].empty()) section = 0;
  SectionScan scan = Scan(sections[section]);

  TDecimalDigits d = Expand(value);
  if (scan.scientific) {
    RoundTo(d, scan.integer_places + scan.fraction_places);
  } else {
    RoundTo(d, d.exponent + scan.fraction_places);
    if (d.exponent > 18 && d.count > 0) return FormatGeneralNumber(value);
  }
  const bool zero = d.count == 0;
  if (zero) {
    const int zero_section = sections[2].empty() ? 0 : 2;
    if (zero_section != section) {
      section = zero_section;
      scan = Scan(sections[section]);
    }
  }

  // Integer and fraction digits of the rounded value, and the exponent to write. Scientific
  // notation gives the integer placeholders the leading digits.
  std::u16string integer, fraction;
  int exponent = 0;
  if (!zero) {
    const int split = scan.scientific ? scan.integer_places : d.exponent;
    for (int i = 0; i < split; ++i)
      integer += i < d.count ? static_cast<char16_t>(d.digits[i]) : u'0';
    for (int i = 0; i < scan.fraction_places; ++i) {
      const int at = split + i;  // digit index; negative ones are zeros after the point
      if (at >= d.count) break;
      fraction += at < 0 ? u'0' : static_cast<char16_t>(d.digits[at]);
    }
    if (scan.scientific) exponent = d.exponent - scan.integer_places;
  }

  std::u16string out;
  out.reserve(sections[section].size() + 24);
  if (value < 0 && section == 0 && !zero) out += u'-';
  SectionWriter(sections[section], scan, integer, fraction, exponent, out).Write();
  return out;
}
