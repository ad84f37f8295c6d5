#pragma once
// A price list's HTML file, written from the first sheet of its workbook exactly as the
// converter writes it, within the size the service takes: the conversion behind a run's upload
// and behind a preview.

#include <cstdint>
#include <string>

#include "platform/exception.h"

// The most HTML a list may have: beyond it the table is runaway empty space (one stray cell far
// down and right makes millions of empty positions), not a price list anyone could read.
constexpr std::int64_t kMaxPriceHtmlSize = std::int64_t{64} << 20;

// The first sheet has no stored cell: there is nothing to publish.
class EEmptyPriceList : public Exception {
 public:
  using Exception::Exception;
};

// The list's HTML would pass the size limit.
class EPriceListTooLarge : public Exception {
 public:
  using Exception::Exception;
};

// Opens the workbook at `workbook` and writes its first sheet to the file `html` (both paths as
// UTF-16), which is deleted first. Raises the reading error of a workbook that cannot be
// opened (the old file is then left as it was), EEmptyPriceList when the first sheet holds no
// stored cell (the old file is left too), and EPriceListTooLarge as soon as the HTML passes
// `limit` bytes, without creating the file or after removing what was written of it.
void WritePriceHtml(const std::u16string& workbook, const std::u16string& html,
                    std::int64_t limit = kMaxPriceHtmlSize);
