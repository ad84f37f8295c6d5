#pragma once
// The workbook's number-format table: format numbers (0 to 163 built in, 164 and up defined by
// the workbook) with their format codes. Cells refer to a position in the table, not to a
// number. Entries are replaced and appended, never removed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/XLSFormatCode.h"

struct TNumberFormat {
  std::uint16_t ifmt;          // the format number of the file format
  std::u16string FormatString; // the format code
  TFormatCodePtr Code = {};    // FormatString parsed; set by the table, null elsewhere
};

// The built-in format code of a format number as the table starts with it, or an empty view
// when the number is not one of the 36 built-in entries.
std::u16string_view BuiltInFormatString(int ifmt);

class TFormatStrings {
 public:
  // The 36 built-in entries in their fixed order; FMaxIfmt 49.
  TFormatStrings();

  // Appends `AFmt` under the number after the highest one (at least 164); returns its
  // position. Raises Exception when the numbers are used up.
  int AddFormat(std::u16string_view AFmt);
  // Replaces the text of the entry numbered `AIfmt` and returns its position; appends a new
  // entry when there is none.
  int AddFormatAndIfmt(std::u16string_view AFmt, std::uint16_t AIfmt);
  // The first position of the number `AIfmt`, or -1.
  int IndexOfIfmt(std::uint16_t AIfmt) const;
  // A copy of the entry at `AIndex`; raises EListError "List index out of bounds (%d)"
  // outside the table.
  TNumberFormat GetFormat(int AIndex) const;
  // The entry itself, with the same check.
  const TNumberFormat& Format(int AIndex) const;
  int FormatsCount() const { return static_cast<int>(FFormats.size()); }
  std::uint16_t MaxIfmt() const { return FMaxIfmt; }

 private:
  std::uint16_t FMaxIfmt;               // the highest format number present
  std::vector<TNumberFormat> FFormats;  // the entries by position
};
