#pragma once
// The two number engines behind cell texts: the general rendering (15 significant digits) and
// the decimal pattern engine ("#,##0.00", "0.00E+00", "0;(0);'zero'", ...). Both read the
// decimal and group marks of FormatSettings at every call and keep no state.

#include <string>
#include <string_view>

// 15 significant digits, half away from zero, trailing zeros dropped; fixed notation from
// 0.0001 up to below 1E15, else "1,5E20" / "1E-5". Infinite values and not-a-number give
// "INF", "-INF" and "NAN".
std::u16string FormatGeneralNumber(double value);

// The value by a pattern of up to three sections (positive; negative; zero) made of digit
// placeholders '0' and '#', a decimal point '.', grouping ',', an exponent "E+0" / "E-0",
// quoted literals and any other literal characters. An empty pattern, or an empty first
// section, gives FormatGeneralNumber. A negative value that rounds to zero shows no minus.
std::u16string FormatDecimalPattern(std::u16string_view pattern, double value);
