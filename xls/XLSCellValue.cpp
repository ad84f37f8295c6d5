#include "xls/XLSCellValue.h"

#include <type_traits>

TDisplayValue ToDisplayValue(const TCellValue& AValue) {
  return std::visit(
      [](const auto& v) -> TDisplayValue {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, TCellNull>) {
          return std::monostate{};
        } else if constexpr (std::is_same_v<T, TCellCurrency>) {
          return static_cast<double>(v.Value) / 10000.0;
        } else if constexpr (std::is_same_v<T, TCellDate>) {
          return TDisplayDate{v.Value};
        } else if constexpr (std::is_same_v<T, bool>) {
          return v;
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          return std::u16string_view(v);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return std::string_view(v);
        } else {
          return static_cast<double>(v);
        }
      },
      AValue);
}
