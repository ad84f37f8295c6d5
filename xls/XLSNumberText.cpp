#include "xls/XLSNumberText.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "platform/format_settings.h"
#include "xls/XLSDecimalDigits.h"
#include "xls/XLSNumberPattern.h"
#include "xls/XLSPatternText.h"

namespace {

// The digits a section writes: integer (or mantissa, or whole part) digits without leading
// zeros, decimals, the exponent, and a fraction's numerator and denominator.
struct TNumberParts {
  std::u16string integer;      // empty for a zero integer part
  std::u16string decimals;     // one per decimal placeholder
  int exponent = 0;            // written by an exponent code
  std::u16string numerator;    // of a fraction
  std::u16string denominator;  // of a fraction
  bool blank_fraction = false; // a fraction of zero beside a whole part: blanks instead
  std::u16string general;      // the general rendering, for a General token
};

std::u16string DigitsOf(const TDecimalDigits& d, int from, int to) {
  std::u16string out;
  for (int i = from; i < to; ++i) out += i >= 0 && i < d.count ? static_cast<char16_t>(d.digits[i]) : u'0';
  return out;
}

std::u16string Decimal(long long n) {
  std::u16string out;
  if (n != 0) AppendPadded(out, n, 1);
  return out;
}

// The fraction k/d nearest to g (0 <= g < 1) with d up to `largest`; of equal ones the smallest
// denominator.
void NearestFraction(double g, int largest, long long& k, long long& d) {
  d = 2;
  double best = 2 * g;
  for (int n = largest; n >= 1; --n) {
    const double error = std::fabs(g - std::nearbyint(g * n) / n);
    if (error <= best) {
      d = n;
      best = error;
    }
  }
  k = static_cast<long long>(std::nearbyint(g * d));
}

class TNumberWriter {
 public:
  TNumberWriter(const TFormatSection& s, const TNumberParts& p, std::u16string& out) : s_(s), p_(p), out_(out) {
    int k = 0;
    for (const TFormatToken& t : s.Tokens) {
      if (t.Kind != TFormatTokenKind::Digit) continue;
      if (t.Role == TDigitRole::Integer) {
        if (t.Ch == u'0' && first_zero_ < 0) first_zero_ = k;
        ++k;
      } else if (t.Role == TDigitRole::Decimal && t.Ch == u'0') {
        last_zero_ = decimal_count_;
      }
      if (t.Role == TDigitRole::Decimal) ++decimal_count_;
    }
    last_significant_ = static_cast<int>(p.decimals.find_last_not_of(u'0'));
  }

  void Write() {
    for (const TFormatToken& t : s_.Tokens) {
      switch (t.Kind) {
        case TFormatTokenKind::Literal: out_ += t.Text; break;
        case TFormatTokenKind::Point: Point(); break;
        case TFormatTokenKind::General: out_ += p_.general; break;
        case TFormatTokenKind::Exponent: Exponent(t); break;
        case TFormatTokenKind::Slash: out_ += p_.blank_fraction ? u' ' : u'/'; break;
        case TFormatTokenKind::Denominator:
          if (p_.blank_fraction) out_.append(Decimal(t.Count).size(), u' ');
          else AppendPadded(out_, t.Count, 1);
          break;
        case TFormatTokenKind::Digit: Digit(t); break;
        default: break;
      }
    }
  }

 private:
  void Exponent(const TFormatToken& t) {
    out_ += t.Ch;
    if (p_.exponent < 0) out_ += u'-';
    else if (t.Sign == u'+') out_ += u'+';
    AppendPadded(out_, std::abs(p_.exponent), std::max(t.Count, 1));
  }

  // A section without integer places (".00") still shows the integer digits, in front of
  // its point.
  void Point() {
    const int length = static_cast<int>(p_.integer.size());
    if (s_.IntegerDigits == 0 && !s_.Scientific && !s_.Fraction)
      for (int p = length; p >= 1; --p) IntegerDigit(p, p_.integer[length - p]);
    out_ += FormatSettings.DecimalMark;
  }

  // A placeholder that has no digit: '0' a zero, '?' a blank, '#' nothing.
  void Pad(char16_t ch) {
    if (ch == u'0') out_ += u'0';
    else if (ch == u'?') out_ += u' ';
  }

  void IntegerDigit(int position, char16_t digit) {
    out_ += digit;
    if (s_.Grouping && FormatSettings.GroupMark != 0 && position >= 4 && position % 3 == 1)
      out_ += FormatSettings.GroupMark;
  }

  void Digit(const TFormatToken& t) {
    switch (t.Role) {
      case TDigitRole::Integer: {
        const int n = s_.IntegerDigits, length = static_cast<int>(p_.integer.size());
        const int k = integer_++;
        if (k == 0)  // the digits no placeholder has room for come out at the first one
          for (int p = length; p > n; --p) IntegerDigit(p, p_.integer[length - p]);
        const int position = n - k;
        if (position <= length) IntegerDigit(position, p_.integer[length - position]);
        else if (first_zero_ >= 0 && k >= first_zero_ && t.Ch != u'?') IntegerDigit(position, u'0');
        else Pad(t.Ch);
        break;
      }
      case TDigitRole::Decimal: {
        const int k = decimal_++;
        if (k <= last_significant_ || k <= last_zero_) out_ += p_.decimals[k];
        else Pad(t.Ch);
        break;
      }
      case TDigitRole::Numerator: {
        const int n = s_.NumeratorDigits, length = static_cast<int>(p_.numerator.size());
        const int k = numerator_++;
        if (p_.blank_fraction) {
          out_ += u' ';
          break;
        }
        for (int i = 0; k == 0 && i < length - n; ++i) out_ += p_.numerator[i];
        const int position = n - k;
        if (position <= length) out_ += p_.numerator[length - position];
        else Pad(t.Ch);
        break;
      }
      case TDigitRole::Denominator: {
        const int n = s_.DenominatorDigits, length = static_cast<int>(p_.denominator.size());
        const int k = denominator_++;
        if (p_.blank_fraction) {
          out_ += u' ';
          break;
        }
        if (k < length) out_ += p_.denominator[k];
        else Pad(t.Ch == u'0' ? u'?' : t.Ch);
        for (int i = n; k == n - 1 && i < length; ++i) out_ += p_.denominator[i];
        break;
      }
      default: break;
    }
  }

  const TFormatSection& s_;
  const TNumberParts& p_;
  std::u16string& out_;
  int first_zero_ = -1;        // index of the first '0' among the integer placeholders
  int last_zero_ = -1;         // index of the last '0' among the decimal placeholders
  int last_significant_ = -1;  // index of the last decimal digit that is not zero
  int decimal_count_ = 0;      // decimal placeholders
  int integer_ = 0, decimal_ = 0, numerator_ = 0, denominator_ = 0;  // placeholders met
};

// Fills the parts of a number with the fixed point, the exponent or the fraction of the
// section; false when the number is too long for it.
bool Split(const TFormatSection& s, double v, TNumberParts& p, bool& zero) {
  TDecimalDigits d = ExpandTo15(v);
  if (s.Fraction) {
    const double whole = std::floor(v);
    if (whole >= 1E15) return false;
    const double g = v - whole;
    long long k = 0, den = s.FixedDenominator;
    if (den > 0) {
      k = static_cast<long long>(std::nearbyint(g * den));
    } else {
      NearestFraction(g, s.DenominatorDigits == 1 ? 9 : s.DenominatorDigits == 2 ? 99 : 999, k, den);
    }
    const auto w = static_cast<long long>(whole);
    if (s.IntegerDigits > 0) {
      p.integer = Decimal(w == 0 && k == 0 ? 0 : w);
      if (w == 0 && k == 0) p.integer.push_back(u'0');
      p.blank_fraction = k == 0;
    } else {
      k += w * den;
    }
    zero = w == 0 && k == 0;
    p.numerator = k == 0 ? u"0" : Decimal(k);
    p.denominator = Decimal(den);
    return true;
  }
  if (s.Scientific) {
    const int n = std::max(s.IntegerDigits, 1);
    bool engineering = false;
    for (const TFormatToken& t : s.Tokens)
      if (t.Kind == TFormatTokenKind::Digit && t.Role == TDigitRole::Integer && t.Ch != u'0') engineering = n > 1;
    int lead = n;
    for (int pass = 0; pass < 2 && d.count > 0; ++pass) {
      const int e10 = d.exponent - 1;
      const int exponent = engineering ? static_cast<int>(std::floor(static_cast<double>(e10) / n)) * n : e10 - (n - 1);
      lead = e10 - exponent + 1;
      p.exponent = exponent;
      const int before = d.exponent;
      RoundTo(d, lead + s.DecimalDigits);
      if (d.exponent == before) break;
    }
    zero = d.count == 0;
    if (!zero) p.integer = DigitsOf(d, 0, lead);
    p.decimals = DigitsOf(d, zero ? 0 : lead, (zero ? 0 : lead) + s.DecimalDigits);
    return true;
  }
  RoundTo(d, d.exponent + s.DecimalDigits);
  zero = d.count == 0;
  if (!zero && d.exponent > 18) return false;
  if (!zero && d.exponent > 0) p.integer = DigitsOf(d, 0, d.exponent);
  p.decimals = zero ? std::u16string(s.DecimalDigits, u'0') : DigitsOf(d, d.exponent, d.exponent + s.DecimalDigits);
  if (s.HasGeneral) {
    p.general = FormatGeneralNumber(v);
    zero = v == 0;
  }
  return true;
}

// The largest plain number written directly: integer digits (19 at most, or the '0' places),
// group marks, the point and the decimals.
constexpr int kPlainIntegerZeros = 20;
constexpr int kPlainPlaces = 30;
constexpr int kPlainLength = kPlainIntegerZeros + kPlainIntegerZeros / 3 + 1 + kPlainPlaces;

// The number a plain section shows, rounded to its decimals and counted in units of the last
// one (10^-DecimalDigits); 0 when it shows as zero. False when it is too long for WritePlain
// or shows by the general rendering: the token writer writes it then.
bool PlainUnits(const TFormatSection& s, double v, unsigned long long& units) {
  const int places = s.DecimalDigits;
  if (places > kPlainPlaces || s.Plain->IntegerZeros > kPlainIntegerZeros) return false;
  if (places <= 8) {
    units = ShortDecimal(v, places);
    if (units != 0) return true;
  }
  TDecimalDigits d = ExpandTo15(v);
  RoundTo(d, d.exponent + places);
  units = 0;
  if (d.count == 0) return true;
  if (d.exponent > 18 || d.exponent + places > 19) return false;  // 10^19 still fits
  for (int i = 0; i < d.exponent + places; ++i)
    units = units * 10 + (i < d.count ? d.digits[static_cast<size_t>(i)] - '0' : 0);
  return true;
}

// A plain section from the units of its last decimal: literals, the integer digits (zeros in
// front up to the '0' places) with their group marks, the point, the decimals up to the last
// one not zero or the last '0' place, literals. The number is written backwards, from its
// last decimal.
void WritePlain(const TFormatSection& s, unsigned long long units, std::u16string& out) {
  const TPlainLayout& plain = *s.Plain;
  const auto& tokens = s.Tokens;
  for (int i = 0; i < plain.NumberFrom; ++i) out += tokens[static_cast<size_t>(i)].Text;
  char16_t text[kPlainLength];
  char16_t* at = std::end(text);
  int places = s.DecimalDigits;
  for (; places > plain.DecimalZeros && units % 10 == 0; --places) units /= 10;
  for (; places > 0; --places, units /= 10) *--at = static_cast<char16_t>(u'0' + units % 10);
  if (plain.Point) *--at = FormatSettings.DecimalMark;
  const char16_t group = s.Grouping ? FormatSettings.GroupMark : char16_t{0};
  // Integer digits from the units on, while digits or '0' places remain; a mark after every third.
  for (int position = 1, before_mark = 3; units != 0 || position <= plain.IntegerZeros; ++position, units /= 10) {
    if (before_mark-- == 0) {
      if (group != 0) *--at = group;
      before_mark = 2;
    }
    *--at = static_cast<char16_t>(u'0' + units % 10);
  }
  out.append(at, static_cast<size_t>(std::end(text) - at));
  for (size_t i = static_cast<size_t>(plain.NumberTo); i < tokens.size(); ++i) out += tokens[i].Text;
}

}  // namespace

void AppendNumberSection(std::u16string& out, const TFormatSection& section, double x, bool* shows_zero) {
  double v = x;
  for (int i = 0; i < section.Percent; ++i) v *= 100;
  for (int i = 0; i < section.Scale; ++i) v /= 1000;
  if (!section.Invalid && std::isfinite(v)) {
    unsigned long long units = 0;
    if (section.Plain && PlainUnits(section, v, units)) {
      if (shows_zero) *shows_zero = units == 0;
      if (v < 0 && units != 0) out += u'-';
      WritePlain(section, units, out);
      return;
    }
    TNumberParts parts;
    bool zero = v == 0;
    if (Split(section, std::fabs(v), parts, zero)) {
      if (shows_zero) *shows_zero = zero;
      if (v < 0 && !zero) out += u'-';
      TNumberWriter(section, parts, out).Write();
      return;
    }
  }
  if (shows_zero) *shows_zero = v == 0;
  out += FormatGeneralNumber(v);
}

std::u16string FormatNumberSection(const TFormatSection& section, double x, bool* shows_zero) {
  std::u16string out;
  AppendNumberSection(out, section, x, shows_zero);
  return out;
}
