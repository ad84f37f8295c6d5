#pragma once
// The decimal digits of a number on which the number texts make their rounding decisions.

#include <array>

// Significant decimal digits of a magnitude: value = 0.d1d2...dk x 10^exponent. No digits
// means zero.
struct TDecimalDigits {
  std::array<char, 20> digits{};  // '0' to '9', the first one not '0'
  int count = 0;                  // digits in use; 0 for zero
  int exponent = 0;               // power of ten of the point in front of d1
};

// The decimal expansion of |value| (finite) to 18 significant digits.
TDecimalDigits Expand(double value);
// Expand, then RoundTo 15 digits: the number a spreadsheet keeps. A short decimal (the double
// nearest to an integer of up to 15 digits over a power of ten up to 10^8) gets its digits
// straight from that integer, which the rounding would give anyway.
TDecimalDigits ExpandTo15(double value);
// The integer n (0 < n < 10^15) when |value| is the double nearest to n / 10^k (0 <= k <= 8),
// else 0. ExpandTo15 gives n's digits then, and rounding them to k decimals keeps them.
unsigned long long ShortDecimal(double value, int k);
// Drops the zero digits at the end.
void Trim(TDecimalDigits& d);
// Keeps the first `keep` digits, rounding half away from zero on the digit after them; a carry
// past the first digit raises the exponent. Trailing zeros are dropped.
void RoundTo(TDecimalDigits& d, int keep);
