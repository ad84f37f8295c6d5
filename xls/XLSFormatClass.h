#pragma once
// Sorting number formats into classes, and the format texts the regional settings give the
// built-in format numbers (used when a cell's format text is empty).

#include <cstdint>
#include <string>
#include <string_view>

// How a format renders a number: General, as a date, as a number (Double and Integer differ
// only in name), or as text. None: the format number alone does not tell.
enum class TFormatClass { None, General, Date, Double, Integer, Text };

// The class of a format text, as its parsed form tells (TFormatCode::Class): a format shows
// dates when its first section has date or time codes and no digit placeholders.
TFormatClass ClassifyFormat(std::u16string_view f);
// The class of a built-in format number; None for the others.
TFormatClass ClassifyIfmt(int ifmt);

// The format text of a built-in number under FormatSettings: the built-in text (with the date
// mark for the '-' of 15 to 17), the short date and time patterns for 14 and 22, and the
// regional number and currency layouts for 37 to 40 and 5 to 8, 41 to 44; empty for others.
std::u16string DefaultFormatForIfmt(int ifmt);
// "#,##0" (39, 40: with the currency digits) laid out for negatives by the negative currency
// pattern: in parentheses for patterns 0, 4, 14 and 15, else with the minus.
std::u16string LocaleNumberFormat(int ifmt);
// The currency format of 5 to 8 and 41 to 44 by the currency symbol, placement, negative
// pattern and digits of FormatSettings (placement or pattern out of range count as 0).
std::u16string LocaleCurrencyFormat(int ifmt);
