#pragma once
// Tests of cell texts start from the Russian regional settings and leave them so, whatever
// fields they change.

#include <gtest/gtest.h>

#include "platform/format_settings.h"

class RussianSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { FormatSettings = RussianFormatSettings(); }
  void TearDown() override { FormatSettings = RussianFormatSettings(); }
};

// A row of a case table: the pattern, the value and the text expected.
struct PatternCase {
  std::u16string_view pattern;
  double value;
  std::u16string_view expected;
};
