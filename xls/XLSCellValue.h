#pragma once
// The value of a cell: one of the kinds a workbook cell can hold.

#include <cstdint>
#include <string>
#include <variant>

#include "xls/XLSDisplayValue.h"

// The Null value; it can never be assigned to a cell.
struct TCellNull {
  bool operator==(const TCellNull&) const = default;
};

// A currency amount: 64-bit fixed point with four decimals (12.5 is 125000).
struct TCellCurrency {
  std::int64_t Value;
  bool operator==(const TCellCurrency&) const = default;
};

// A date-time: days since 1899-12-30, the fraction being the time of day.
struct TCellDate {
  double Value;
  bool operator==(const TCellDate&) const = default;
};

// Empty (std::monostate), Null, the integer kinds, single and double floats, currency, date,
// Boolean, UTF-16 text and 8-bit text (bytes of the system code page, converted when shown).
using TCellValue =
    std::variant<std::monostate, TCellNull, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t,
                 std::int32_t, std::uint32_t, std::int64_t, float, double, TCellCurrency,
                 TCellDate, bool, std::u16string, std::string>;

// The value as the cell text engine sees it: every number kind and currency as a double, the
// date kind apart, Null as empty; texts are viewed, not copied.
TDisplayValue ToDisplayValue(const TCellValue& AValue);

inline bool IsEmptyValue(const TCellValue& AValue) {
  return std::holds_alternative<std::monostate>(AValue);
}
