#pragma once
// The text a cell shows: its value through its number format, as the spreadsheet shows it,
// under FormatSettings. The spreadsheet format code is reduced (colours, conditions, locale
// tags, padding and fill codes removed; one section kept) and handed to the decimal and
// date-time pattern engines. Nothing is cached: every call translates the format again.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "xls/XLSDisplayValue.h"
#include "xls/XLSFormatStr.h"

// The displayed text of a value with format number `ifmt` and format text `f` (an empty `f`
// stands for DefaultFormatForIfmt). Texts show as they are (8-bit text converted through
// `code_page` up to its first zero byte), Booleans as "TRUE" and "FALSE", numbers and dates
// through FormatNumberValue or FormatDateValue as the class of the format decides; a date
// whose format is not a date format shows by the short date pattern.
std::u16string FormatCellValue(const TDisplayValue& value, std::uint16_t ifmt,
                               std::u16string_view f, int code_page = CP_ACP);

// A cell's text from its format entry: a workbook read from a file (`data_from_file`) shows
// every entry's own text; one built in memory shows the built-in numbers (0 to 163) through
// DefaultFormatForIfmt, under the regional settings.
std::u16string CellValueText(const TDisplayValue& value, const TNumberFormat& entry,
                             bool data_from_file, int code_page = CP_ACP);

// A date-time by a date format code: the first section, with padding and fill codes removed,
// ":mm" read as minutes, ".0" as milliseconds, "mmmmm" as the month's initial and the elapsed
// time codes "[h]", "[mm]" and "[ss]" (letter case counts) resolved.
std::u16string FormatDateValue(std::u16string_view f, double x);

// A number by a number format code: "%" scales by 100, the section of the sign is kept (a
// negative section in parentheses or with its own minus shows the amount without the engine's
// minus), padding, fill, currency padding and leading "[...]" blocks are removed, and "?/"
// fractions show the whole part truncated toward zero and one sign; empty `f` gives the
// general rendering.
std::u16string FormatNumberValue(std::u16string_view f, double x);

// The fraction part of |x| as "k/d": with `R` of '?'s the denominator up to 9, 99 or 999 (9
// for other texts with '?') that comes nearest, the smallest of equal ones; otherwise `R` read
// as a decimal denominator. Empty when the fraction part is zero or rounds to zero. Raises
// EConvertError "'R' is not a valid integer value" for a denominator text that is not one.
std::u16string FormatFraction(std::u16string_view R, double x);
