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
// When |value| is the short decimal of an integer below 10^15 over 10^k (0 <= k <= 8), sets
// `d` to its digits, which are those of ExpandTo15 rounded to k decimals, and returns true.
bool ScaledDecimal(double value, int k, TDecimalDigits& d);
// Drops the zero digits at the end.
void Trim(TDecimalDigits& d);
// Keeps the first `keep` digits, rounding half away from zero on the digit after them; a carry
// past the first digit raises the exponent. Trailing zeros are dropped.
void RoundTo(TDecimalDigits& d, int keep);
