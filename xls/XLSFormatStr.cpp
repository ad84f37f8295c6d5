#include "xls/XLSFormatStr.h"

#include "xls/ListErrors.h"

#include <algorithm>
#include <iterator>

#include "platform/exception.h"
#include "platform/format.h"

namespace {

struct BuiltIn {
  std::uint16_t ifmt;
  const char16_t* text;
};

// The built-in entries in table order.
constexpr BuiltIn kBuiltIns[] = {
    {0, u"General"},
    {1, u"0"},
    {2, u"0.00"},
    {3, u"#,##0"},
    {5, u"($#,##0_);($#,##0)"},
    {6, u"($#,##0_);[Red]($#,##0)"},
    {7, u"($#,##0.00_);($#,##0.00)"},
    {8, u"($#,##0.00_);[Red]($#,##0.00)"},
    {9, u"0%"},
    {10, u"0.00%"},
    {11, u"0.00E+00"},
    {12, u"# ?/?"},
    {13, u"# ?\?/?\?"},
    {14, u"mm/dd/yy"},
    {15, u"dd-mmm-yy"},
    {16, u"dd-mmm"},
    {17, u"mmm-yy"},
    {18, u"h:mm AM/PM"},
    {19, u"h:mm:ss AM/PM"},
    {20, u"h:mm"},
    {21, u"h:mm:ss"},
    {22, u"mm/dd/yy h:mm"},
    {42, u"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)"},
    {41, u"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)"},
    {44, u"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)"},
    {43, u"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)"},
    {4, u"#,##0.00"},
    {37, u"(#,##0_);(#,##0)"},
    {38, u"(#,##0_);[Red](#,##0)"},
    {39, u"(#,##0.00_);(#,##0.00)"},
    {40, u"(#,##0.00_);[Red](#,##0.00)"},
    {45, u"mm:ss"},
    {46, u"[h]:mm:ss"},
    {47, u"mm:ss.0"},
    {48, u"##0.0E+0"},
    {49, u"@"},
};

constexpr std::uint16_t kFirstUserIfmt = 164;

}  // namespace

std::u16string_view BuiltInFormatString(int ifmt) {
  const auto it = std::find_if(std::begin(kBuiltIns), std::end(kBuiltIns),
                               [ifmt](const BuiltIn& b) { return b.ifmt == ifmt; });
  return it == std::end(kBuiltIns) ? std::u16string_view() : it->text;
}

TFormatStrings::TFormatStrings() : FMaxIfmt(49) {
  FFormats.reserve(std::size(kBuiltIns));
  for (const BuiltIn& b : kBuiltIns) FFormats.push_back({b.ifmt, b.text, ParseFormatCode(b.text)});
}

int TFormatStrings::AddFormat(std::u16string_view AFmt) {
  const int ifmt = std::max<int>(FMaxIfmt + 1, kFirstUserIfmt);
  if (ifmt > 0xFFFF) throw Exception("Too many number formats");
  FMaxIfmt = static_cast<std::uint16_t>(ifmt);
  FFormats.push_back({FMaxIfmt, std::u16string(AFmt), ParseFormatCode(AFmt)});
  return FormatsCount() - 1;
}

int TFormatStrings::AddFormatAndIfmt(std::u16string_view AFmt, std::uint16_t AIfmt) {
  const int index = IndexOfIfmt(AIfmt);
  if (index >= 0) {
    FFormats[index].FormatString = AFmt;
    FFormats[index].Code = ParseFormatCode(AFmt);
    return index;
  }
  FFormats.push_back({AIfmt, std::u16string(AFmt), ParseFormatCode(AFmt)});
  FMaxIfmt = std::max(FMaxIfmt, AIfmt);
  return FormatsCount() - 1;
}

int TFormatStrings::IndexOfIfmt(std::uint16_t AIfmt) const {
  for (size_t i = 0; i < FFormats.size(); ++i)
    if (FFormats[i].ifmt == AIfmt) return static_cast<int>(i);
  return -1;
}

TNumberFormat TFormatStrings::GetFormat(int AIndex) const { return Format(AIndex); }

const TNumberFormat& TFormatStrings::Format(int AIndex) const {
  if (AIndex < 0 || AIndex >= FormatsCount())
    throw EListError(AIndex);
  return FFormats[AIndex];
}
