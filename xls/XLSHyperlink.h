#pragma once
// The HLINK record: the cells a hyperlink covers, its kind and its link text ([MS-XLS] HLink
// with the [MS-OSHARED] hyperlink object). The location part of URL, file and UNC links (after
// "#") is not read; a link within the workbook gives its location.

#include <cstdint>
#include <string>
#include <string_view>

#include "xls/XLSCells.h"

struct THyperlinkRecord {
  std::uint16_t RowFrom = 0, RowTo = 0, ColumnFrom = 0, ColumnTo = 0;
  TCellHyperlinkType Type = hltCurrentWorkbook;
  std::u16string Text;  // empty when the record names no target
};

// Raises EXLSError EXLS_INVALIDHLINK for a record shorter than its fields say and for a
// moniker that is neither a URL nor a file moniker.
THyperlinkRecord ParseHyperlinkRecord(std::string_view AData);
