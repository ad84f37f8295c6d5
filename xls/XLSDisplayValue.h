#pragma once
// What the cell text engine needs to know of a cell value: its kind and its payload. A cell's
// value maps onto it without copying its text: every integer kind, single, double and currency
// become a double; a date stays apart from the other numbers.

#include <string_view>
#include <variant>

// A value of the date kind: days since 1899-12-30, the fraction being the time of day.
struct TDisplayDate {
  double value;  // the date-time
};

// Empty, a number, a date, a Boolean, UTF-16 text or 8-bit text (bytes of a code page).
using TDisplayValue = std::variant<std::monostate, double, TDisplayDate, bool,
                                   std::u16string_view, std::string_view>;
