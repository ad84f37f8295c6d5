#include "xls/XLSDecimalDigits.h"

#include <charconv>
#include <algorithm>
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

TDecimalDigits ExpandTo15(double value) {
  const double magnitude = std::fabs(value);
  double power = 1;
  for (int k = 0; k <= 8 && magnitude > 0 && magnitude < 1E15; ++k, power *= 10) {
    const double n = std::nearbyint(magnitude * power);
    if (n >= 1E15) break;
    // The division rounds correctly, so equality means `value` is the double nearest to
    // n / 10^k: its 17 digits are within an eighth of a unit of n's 15th digit.
    if (n == 0 || n / power != magnitude) continue;
    TDecimalDigits d;
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, static_cast<long long>(n)).ptr;
    d.count = static_cast<int>(end - text);
    std::copy(text, end, d.digits.begin());
    d.exponent = d.count - k;
    Trim(d);
    return d;
  }
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
