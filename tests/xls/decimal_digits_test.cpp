// ExpandTo15 takes a short cut for short decimals; whatever the value, it must give the digits
// that the full expansion rounded to 15 digits gives.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "xls/XLSDecimalDigits.h"

namespace {

std::string Shown(const TDecimalDigits& d) {
  return "0." + std::string(d.digits.data(), static_cast<std::size_t>(d.count)) + "e" + std::to_string(d.exponent);
}

void ExpectSameAsFullExpansion(double value) {
  TDecimalDigits full = Expand(value);
  RoundTo(full, 15);
  EXPECT_EQ(Shown(ExpandTo15(value)), Shown(full)) << value;
}

TEST(DecimalDigits, ShortCutAgreesWithTheFullExpansion) {
  for (double v : {0.0, -0.0, 1.0, 0.1, 0.3, 0.30000000000000004, 10.37, -10.37, 1.0 / 3, 2.0 / 3,
                   9.9999999999999995, 99.995, 0.00000001, 0.000000015, 123456789.12345678,
                   999999999999999.0, 999999999999999.9, 1E15, 1E15 + 2, 4503599627370497.0,
                   1E-300, 1.7976931348623157E308, 46023.0, 46023.5, 1234.5678, 1E13, 1E13 + 1,
                   12345678901234.5, 99999999999999.9, 0.5, 0.05, 1E-8, 1.5E-8})
    ExpectSameAsFullExpansion(v);
  for (int i = 0; i < 100000; ++i) {  // the prices of the benchmark's price list
    ExpectSameAsFullExpansion(10 + (i * 37 % 100000) / 100.0);
    ExpectSameAsFullExpansion(i / 1000.0 - 7);
  }
  std::mt19937_64 random(18);
  std::uniform_real_distribution<double> uniform(-1E6, 1E6);
  for (int i = 0; i < 100000; ++i) {
    const double v = uniform(random);
    ExpectSameAsFullExpansion(v);
    ExpectSameAsFullExpansion(std::round(v * 1000) / 1000);
  }
}

}  // namespace
