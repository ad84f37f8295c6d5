#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tools/service/url_text.h"

using ::testing::ElementsAre;
using ::testing::Pair;

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
  const std::string all = [] {
    std::string bytes;
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
    return bytes;
  }();
  EXPECT_EQ(PercentDecode(PercentEncode(all)), all);
}

TEST(ParseQuery, SplitsPairsAndDecodesBoth) {
  EXPECT_THAT(*ParseQuery("user=a%26b&&flag&x%3D=1=2&"),
              ElementsAre(Pair("user", "a&b"), Pair("flag", ""), Pair("x=", "1=2")));
  EXPECT_THAT(*ParseQuery(""), ElementsAre());
  EXPECT_EQ(ParseQuery("a=1&b=%zz"), std::nullopt);
}

TEST(QueryOfTarget, IsTheTextAfterTheQuestionMarkUpToAFragment) {
  EXPECT_EQ(QueryOfTarget("/upload?user=a&price=4"), "user=a&price=4");
  EXPECT_EQ(QueryOfTarget("/upload?pass=p&s#x&price=4"), "pass=p&s");
  EXPECT_EQ(QueryOfTarget("/upload?a=?b"), "a=?b");
  EXPECT_EQ(QueryOfTarget("/upload"), "");
}
