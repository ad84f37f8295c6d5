#include "xls/XLSDecimalDigits.h"

#include <charconv>
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
