#include "xls/XLSDecimalDigits.h"

#include <charconv>
#include <algorithm>
#include <bit>
#include <cmath>

TDecimalDigits Expand(double value) {
  TDecimalDigits d;
  value = std::fabs(value);
  if (value == 0) return d;
  char text[40];
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 17).ptr;
  // "d.ddddddddddddddddde+XX"
  d.digits[0] = text[0];
  for (int i = 1; i < 18; ++i) d.digits[i] = text[i + 1];
  d.count = 18;
  int exponent = 0;
  std::from_chars(text + 21, end, exponent);  // after "e" and its sign
  d.exponent = (text[20] == '-' ? -exponent : exponent) + 1;
  return d;
}

namespace {

// The powers of ten a short decimal may be scaled by; doubles hold them exactly.
constexpr double kScales[] = {1E0, 1E1, 1E2, 1E3, 1E4, 1E5, 1E6, 1E7, 1E8};
// The scales in the order they are tried: two decimals first, which also finds the integers
// below 10^13 and the values of one decimal (their digits are the same once trimmed).
constexpr int kScaleOrder[] = {2, 0, 1, 3, 4, 5, 6, 7, 8};
// 10^0 to 10^15.
constexpr unsigned long long kTens[] = {1ULL, 10ULL, 100ULL, 1000ULL, 10000ULL, 100000ULL, 1000000ULL,
                                        10000000ULL, 100000000ULL, 1000000000ULL, 10000000000ULL,
                                        100000000000ULL, 1000000000000ULL, 10000000000000ULL,
                                        100000000000000ULL, 1000000000000000ULL};

// "00" to "99", for writing two digits at a time.
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The digits of n / 10^k for 0 < n < 10^15, trailing zeros dropped.
TDecimalDigits DigitsOfScaled(unsigned long long n, int k) {
  TDecimalDigits d;
  // log10 from the binary length (1233 / 4096 just above log10(2)), one too high at most.
  const int estimate = (std::bit_width(n) * 1233) >> 12;
  d.count = estimate + (n >= kTens[estimate] ? 1 : 0);
  d.exponent = d.count - k;
  char* at = d.digits.data() + d.count;
  for (; n >= 100; n /= 100) {
    const char* pair = kPairs + 2 * (n % 100);
    *--at = pair[1];
    *--at = pair[0];
  }
  if (n >= 10) {
    *--at = kPairs[2 * n + 1];
    *--at = kPairs[2 * n];
  } else {
    *--at = static_cast<char>('0' + n);
  }
  Trim(d);
  return d;
}

}  // namespace

unsigned long long ShortDecimal(double value, int k) {
  const double magnitude = std::fabs(value);
  const double scaled = magnitude * kScales[k];
  if (!(scaled < 1E15)) return 0;
  // Any integer n that passes the test below will do, so the nearest one is found by
  // truncation; at an exact half neither neighbour passes.
  const auto n = static_cast<unsigned long long>(scaled + 0.5);
  // The division rounds correctly, so equality means `value` is the double nearest to
  // n / 10^k: its 17 digits are within an eighth of a unit of n's 15th digit.
  if (n >= 1000000000000000ULL || static_cast<double>(n) / kScales[k] != magnitude) return 0;
  return n;
}

TDecimalDigits ExpandTo15(double value) {
  for (const int k : kScaleOrder)
    if (const unsigned long long n = ShortDecimal(value, k)) return DigitsOfScaled(n, k);
  TDecimalDigits d = Expand(value);
  RoundTo(d, 15);
  return d;
}

void Trim(TDecimalDigits& d) {
  while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
}

void RoundTo(TDecimalDigits& d, int keep) {
  if (keep >= d.count) {
    Trim(d);
    return;
  }
  if (keep < 0) {
    d.count = 0;
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.count = keep;
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits[0] = '1';
      d.count = 1;
      ++d.exponent;
    }
  }
  Trim(d);
}
