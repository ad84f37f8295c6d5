#pragma once
// Comparing a first sheet with the facts an independent reader recorded about it (JSON).

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "json_lite.h"
#include "xls/XLSWorkbook.h"

using Findings = std::vector<std::string>;  // what differs, one line each

// The merged areas of `sheet` against `merged`: a list of [first row, row past the last,
// first column, column past the last].
inline Findings CompareMerged(TSheet& sheet, const JsonValue& merged) {
  std::set<std::vector<int>> ours, theirs;
  for (int i = 0; i < sheet.Ranges().RangesCount(); ++i) {
    const TRange* range = sheet.Ranges().Item(i);
    if (!range->Merged()) continue;
    for (int r = 0; r < range->RectsCount(); ++r) {
      const TRangeRect& rect = range->Rect(r);
      ours.insert({rect.RowFrom, rect.RowTo + 1, rect.ColumnFrom, rect.ColumnTo + 1});
    }
  }
  for (const JsonValue& m : merged.items)
    theirs.insert({static_cast<int>(m.items[0].number), static_cast<int>(m.items[1].number),
                   static_cast<int>(m.items[2].number), static_cast<int>(m.items[3].number)});
  return ours == theirs ? Findings{} : Findings{"merged areas differ"};
}

// Fails the test with every finding about `aspect` of `file` listed (the first 2000 characters).
inline void ExpectNoFindings(const std::string& file, const std::string& aspect,
                             const Findings& findings) {
  std::string all;
  for (const std::string& f : findings) all += "\n  " + f;
  EXPECT_TRUE(findings.empty()) << file << " " << aspect << ":" << all.substr(0, 2000);
}
