#pragma once
// The date-time pattern engine behind date cell texts: "dd.mm.yyyy", "h:nn AM/PM", "dddd",
// "c" ... with the marks, patterns and names of FormatSettings. Keeps no state.

#include <string>
#include <string_view>

// The date-time value (days since 1899-12-30, the fraction being the time of day) by the
// pattern. Codes are matched without regard to case; a run of one letter is one code; quoted
// text is written without its quotes; "/" and ":" write the date and time marks; a full month
// name right after a day number is in the genitive ("d MMMM": "15 марта"); the named
// patterns ("ddddd", "dddddd", "t", "tt", "c") expand one level deep. A value outside the years
// 1 to 9999 (or not finite) has no date and is written by FormatGeneralNumber.
std::u16string FormatDateTimePattern(std::u16string_view pattern, double value);

// True for a date-time value within the years 1 to 9999.
bool IsDateTimeInRange(double value);
