#pragma once
// The text a cell shows: its value through its number format, as the spreadsheet shows it
// under the regional settings of FormatSettings. The format is parsed once (XLSFormatCode);
// each value takes the section its sign or a condition chooses and is written by that section
// (XLSNumberText, XLSDateText).

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "xls/XLSDisplayValue.h"
#include "xls/XLSFormatCode.h"
#include "xls/XLSFormatStr.h"

// The displayed text of a value by a parsed format: texts show as they are (8-bit text
// converted through `code_page` up to its first zero byte), Booleans as "TRUE" and "FALSE".
// A number takes the first section when the format has one; with two, the second for
// negatives; with three, the third for zero; conditions choose instead when the format has
// them. A section chosen for negatives shows the amount without the minus (writing its own
// when it has one); a negative value that its section shows as zero takes the section of zero.
// An empty section shows nothing. A date whose format does not show dates shows by the short
// date pattern; elapsed time counts from the serial the spreadsheet stores, one day less than
// the date-time below 61.
std::u16string FormatValue(const TDisplayValue& value, const TFormatCode& code, int code_page = CP_ACP);

// The same for format number `ifmt` and format text `f` (an empty `f` stands for
// DefaultFormatForIfmt), parsed for this one call. The built-in numbers 14 and 22 always show
// the regional short date (and time), whatever their text.
std::u16string FormatCellValue(const TDisplayValue& value, std::uint16_t ifmt,
                               std::u16string_view f, int code_page = CP_ACP);

// A cell's text from its format entry: a workbook read from a file (`data_from_file`) shows
// every entry's own parsed text (14 and 22 excepted, as above); one built in memory shows the
// built-in numbers (0 to 163) through DefaultFormatForIfmt, under the regional settings.
std::u16string CellValueText(const TDisplayValue& value, const TNumberFormat& entry,
                             bool data_from_file, int code_page = CP_ACP);
// CellValueText appended to `out`; what `out` held stays. Reusing one buffer for many cells
// spares an allocation per text.
void AppendCellValueText(std::u16string& out, const TDisplayValue& value, const TNumberFormat& entry,
                         bool data_from_file, int code_page = CP_ACP);
