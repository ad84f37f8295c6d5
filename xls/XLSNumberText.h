#pragma once
// A number written by one parsed number section as the spreadsheet shows it under
// FormatSettings: percent and thousands scaling, 15 significant digits, digit placeholders
// ('0' a digit or zero, '#' a digit or nothing, '?' a digit or a blank), grouping, the decimal
// mark wherever the section has a point, exponents (engineering when the mantissa has '#'
// places), fractions with their whole part or improper, and General.

#include <string>

#include "xls/XLSFormatCode.h"

// The text of `x` by `section`; `x` keeps its sign, and a minus is written in front of
// everything when `x` is negative and shows as something other than zero. `shows_zero`, when
// given, tells whether every digit shown is zero. An invalid section, a value that is not
// finite or one of more than 18 integer digits gives the general rendering.
std::u16string FormatNumberSection(const TFormatSection& section, double x, bool* shows_zero = nullptr);
// The same text appended to `out`.
void AppendNumberSection(std::u16string& out, const TFormatSection& section, double x,
                         bool* shows_zero = nullptr);
