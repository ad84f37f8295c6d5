#include "platform/percent_encoding.h"

#include <gtest/gtest.h>

TEST(PercentDecode, TurnsEscapesIntoBytesAndLeavesTheRest) {
  const std::pair<const char*, std::string> good[] = {
      {"abc", "abc"},
      {"%41%4a%4A", "AJJ"},
      {"a+b", "a+b"},  // a plus is a plus
      {"%00%FF", std::string("\0\xFF", 2)},
      {"%CF%E0%F0%EE%EB%FC", "\xCF\xE0\xF0\xEE\xEB\xFC"},
      {"", ""},
  };
  for (const auto& [text, bytes] : good) EXPECT_EQ(PercentDecode(text), bytes) << text;
  for (const char* bad : {"%", "%4", "a%G1", "%%41", "%4 "}) {
    EXPECT_EQ(PercentDecode(bad), std::nullopt) << bad;
  }
}

TEST(PercentEncode, KeepsUnreservedAndEscapesEveryOtherByte) {
  EXPECT_EQ(PercentEncode("Az09-_.~"), "Az09-_.~");
  EXPECT_EQ(PercentEncode(std::string("p&s# w+%\0\xCC", 10)), "p%26s%23%20w%2B%25%00%CC");
  EXPECT_EQ(PercentEncode("a-b.c~", "-"), "a-b%2Ec%7E");
  const std::string all = [] {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
  }();
  EXPECT_EQ(PercentDecode(PercentEncode(all)), all);
}
