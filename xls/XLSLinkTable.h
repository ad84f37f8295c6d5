#pragma once
// The link table of a workbook: the supporting documents (SUPBOOK) with their sheet and external
// names, the external-sheet references (EXTERNSHEET) that formulas name sheets by, and the
// local document, which holds the workbook's own sheet names and its defined names (NAME) with
// their formula data. Inconsistent records raise EXLSError EXLS_INVALIDLINKTABLE.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/XLSRects.h"

enum TXLSSupbookKind : std::uint8_t { sbLocal, sbAddIn, sbExternal };

// A supporting document.
struct TXLSSupbook {
  TXLSSupbookKind Kind = sbExternal;
  std::u16string FileName;                 // encoded path of an external document
  std::vector<std::u16string> SheetNames;  // its sheets
  std::vector<std::u16string> ExternNames; // its names that formulas use
};

// One external-sheet reference: a supporting document and a range of its sheets.
struct TXLSExternSheet {
  std::uint16_t Supbook = 0;     // position in the supporting documents
  std::int16_t FirstSheet = 0;   // sheet positions in that document; negative: none
  std::int16_t LastSheet = 0;
};

// A defined name of the local document.
struct TXLSDefinedName {
  std::uint16_t Options = 0;    // the record's option flags
  bool BuiltIn = false;         // a built-in name: Code says which
  std::uint8_t Code = 0;        // built-in code (6 print area, 7 print titles)
  std::u16string Name;          // the name of a name that is not built-in
  std::uint16_t SheetTab = 0;   // 0 for a workbook name, else the sheet's position + 1
  std::string Formula;          // formula tokens
};

// The cells a defined name refers to on one sheet of the workbook.
struct TXLSNameArea {
  int SheetIndex = -1;       // -1 when the name refers to no sheet of the workbook
  TRangeRects Rects;         // in formula order
};

class TXLSLinkTable {
 public:
  static constexpr std::uint8_t kPrintArea = 6;
  static constexpr std::uint8_t kPrintTitles = 7;

  // Each takes a record's data, whole.
  void AddSupbook(std::string_view AData);
  // Raises EXLS_INVALIDLINKTABLE when the data is shorter than its count of references says.
  void AddExternsheet(std::string_view AData);
  // An external name of the last supporting document; raises EXLS_INVALIDLINKTABLE before any.
  void AddExternname(std::string_view AData);
  void AddName(std::string_view AData);
  // A sheet of the workbook, in sheet order.
  void AddLocalSheetName(const std::u16string& AName);

  const std::vector<TXLSSupbook>& Supbooks() const { return FSupbooks; }
  const std::vector<TXLSExternSheet>& ExternSheets() const { return FExternSheets; }
  const std::vector<std::u16string>& LocalSheetNames() const { return FLocalSheetNames; }
  const std::vector<TXLSDefinedName>& Names() const { return FNames; }

  // The sheet and rectangles a name's formula refers to: a name of a sheet belongs to that sheet,
  // a workbook name to the sheet of its first reference. A formula that is anything else than
  // references (combined by unions) yields no rectangles. Raises EXLS_INVALIDLINKTABLE for a
  // reference to an external-sheet reference that does not exist.
  TXLSNameArea NameArea(const TXLSDefinedName& AName) const;

  // Forgets the local document: sheet names and defined names.
  void ClearLocalDocument();
  void Clear();

 private:
  std::vector<TXLSSupbook> FSupbooks;           // supporting documents, in file order
  std::vector<TXLSExternSheet> FExternSheets;   // external-sheet references
  std::vector<std::u16string> FLocalSheetNames; // the workbook's sheets
  std::vector<TXLSDefinedName> FNames;          // the workbook's defined names
};
