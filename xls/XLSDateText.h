#pragma once
// A date-time written by one parsed date section as the spreadsheet shows it under
// FormatSettings: the time rounded to the seconds (or the decimals of a second) shown, months
// or minutes for "m", month names in the genitive right after a day number, elapsed hours,
// minutes and seconds counted from the serial, and the regional long date or time for the
// system tags.

#include <string>

#include "xls/XLSFormatCode.h"

// The text of the date-time `date_time` (days since 1899-12-30); elapsed codes count from
// `serial`, the number the spreadsheet stores. A value outside the years 1 to 9999 gives the
// general rendering of `date_time`.
std::u16string FormatDateSection(const TFormatSection& section, double date_time, double serial);
// The same text appended to `out`.
void AppendDateSection(std::u16string& out, const TFormatSection& section, double date_time, double serial);
