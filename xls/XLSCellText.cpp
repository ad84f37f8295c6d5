#include "xls/XLSCellText.h"

#include <cmath>
#include <map>
#include <type_traits>

#include "platform/format_settings.h"
#include "xls/XLSDatePattern.h"
#include "xls/XLSDateText.h"
#include "xls/XLSFormatClass.h"
#include "xls/XLSNumberPattern.h"
#include "xls/XLSNumberText.h"

namespace {

// The section a number takes, or -1 when none does; `for_negative` when it was chosen because
// the number is negative.
struct TChoice {
  int index = -1;             // position in the sections
  bool for_negative = false;  // shows the amount without the minus
};

TChoice ChooseAmongSections(const TFormatCode& code, double x) {
  const auto& sections = code.Sections();
  size_t n = std::min<size_t>(sections.size(), 3);
  // A last section of text alone is the text section, not one for numbers.
  if (n > 1 && n == sections.size() && sections[n - 1].Kind == TSectionKind::Text) --n;
  bool conditions = false;
  for (size_t i = 0; i < n && i < 2; ++i)
    conditions = conditions || sections[i].Condition.Op != TFormatCondition::None;
  if (conditions) {
    for (size_t i = 0; i < n; ++i) {
      const TFormatCondition& c = sections[i].Condition;
      if (c.Op != TFormatCondition::None && c.Holds(x))
        return {static_cast<int>(i), x < 0 && c.OnlyNegatives()};
    }
    for (size_t i = 0; i < n; ++i)
      if (sections[i].Condition.Op == TFormatCondition::None) return {static_cast<int>(i), false};
    return {};
  }
  if (n >= 2 && x < 0) return {1, true};
  if (n == 3 && x == 0) return {2, false};
  return {0, false};
}

// The common case, one section without a condition, is decided here; the rest above.
inline TChoice ChooseSection(const TFormatCode& code, double x) {
  const auto& sections = code.Sections();
  if (sections.size() == 1 && sections[0].Condition.Op == TFormatCondition::None) return {0, false};
  return ChooseAmongSections(code, x);
}

void AppendNumber(std::u16string& out, const TFormatCode& code, double x) {
  const size_t start = out.size();
  // A negative that its section shows as zero is written again as zero.
  for (double value = x;; value = 0.0) {
    const TChoice choice = ChooseSection(code, value);
    if (choice.index < 0) {
      out += FormatGeneralNumber(value);
      return;
    }
    const TFormatSection& section = code.Sections()[static_cast<size_t>(choice.index)];
    switch (section.Kind) {
      case TSectionKind::Empty: return;
      case TSectionKind::Text: out += FormatGeneralNumber(value); return;
      case TSectionKind::Date: AppendDateSection(out, section, value, value); return;
      case TSectionKind::Number: break;
    }
    bool zero = false;
    AppendNumberSection(out, section, choice.for_negative ? std::fabs(value) : value, &zero);
    if (!zero || value >= 0 || !choice.for_negative) return;
    out.resize(start);
  }
}

void AppendDate(std::u16string& out, const TFormatCode& code, double date_time) {
  // The reader moved serials below 60 up by one day; elapsed time counts from the serial.
  const double serial = date_time < 61 ? date_time - 1 : date_time;
  if (code.Class() == TFormatClass::Date) {
    const TChoice choice = ChooseSection(code, serial);
    if (choice.index >= 0) {
      const TFormatSection& section = code.Sections()[static_cast<size_t>(choice.index)];
      if (section.Kind == TSectionKind::Date) {
        AppendDateSection(out, section, date_time, serial);
        return;
      }
    }
  }
  out += FormatDateTimePattern(FormatSettings.ShortDatePattern, date_time);
}

// The parsed default text of a built-in number under the settings of the moment, kept for
// the texts met so far (the settings seldom change).
const TFormatCode& RegionalCode(int ifmt) {
  static std::map<std::u16string, TFormatCode> parsed;
  std::u16string key = FormatSettings.CurrencySymbol;
  key += u'\0';
  key += DefaultFormatForIfmt(ifmt);
  auto it = parsed.find(key);
  if (it == parsed.end()) it = parsed.emplace(key, TFormatCode::Parse(std::u16string_view(key).substr(key.find(u'\0') + 1))).first;
  return it->second;
}

// The built-in dates 14 and 22 always show the regional short date (and time).
bool IsRegionalDate(int ifmt) { return ifmt == 14 || ifmt == 22; }

// The text of a value by a parsed code (FormatValue) appended to `out`.
void AppendValue(std::u16string& out, const TDisplayValue& value, const TFormatCode& code, int code_page) {
  if (const double* number = std::get_if<double>(&value)) {
    if (code.Sections().empty()) out += FormatGeneralNumber(*number);
    else AppendNumber(out, code, *number);
    return;
  }
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::u16string_view>) {
          out += v;
        } else if constexpr (std::is_same_v<T, std::string_view>) {
          out += MultiByteToWide(v.substr(0, v.find('\0')), code_page);
        } else if constexpr (std::is_same_v<T, bool>) {
          out += v ? u"TRUE" : u"FALSE";
        } else if constexpr (std::is_same_v<T, TDisplayDate>) {
          AppendDate(out, code, v.value);
        }
      },
      value);
}

}  // namespace

std::u16string FormatValue(const TDisplayValue& value, const TFormatCode& code, int code_page) {
  std::u16string out;
  AppendValue(out, value, code, code_page);
  return out;
}

std::u16string FormatCellValue(const TDisplayValue& value, std::uint16_t ifmt,
                               std::u16string_view f, int code_page) {
  if (f.empty() || IsRegionalDate(ifmt)) return FormatValue(value, RegionalCode(ifmt), code_page);
  return FormatValue(value, TFormatCode::Parse(f), code_page);
}

void AppendCellValueText(std::u16string& out, const TDisplayValue& value, const TNumberFormat& entry,
                         bool data_from_file, int code_page) {
  const bool own_text = data_from_file || entry.ifmt > 163;
  if (!own_text || entry.FormatString.empty() || IsRegionalDate(entry.ifmt))
    AppendValue(out, value, RegionalCode(entry.ifmt), code_page);
  else if (entry.Code && entry.Code->Current())
    AppendValue(out, value, *entry.Code, code_page);
  else
    AppendValue(out, value, TFormatCode::Parse(entry.FormatString), code_page);
}

std::u16string CellValueText(const TDisplayValue& value, const TNumberFormat& entry,
                             bool data_from_file, int code_page) {
  std::u16string out;
  AppendCellValueText(out, value, entry, data_from_file, code_page);
  return out;
}
