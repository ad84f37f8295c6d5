#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tools/service/url_text.h"

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(ParseQuery, SplitsPairsAndDecodesBoth) {
  EXPECT_THAT(*ParseQuery("user=a%26b&&flag&x%3D=1=2&"),
              ElementsAre(Pair("user", "a&b"), Pair("flag", ""), Pair("x=", "1=2")));
  EXPECT_THAT(*ParseQuery(""), ElementsAre());
  // "+" is a blank, as forms and browsers write it; a "+" itself comes as "%2B".
  EXPECT_THAT(*ParseQuery("a+b=c+%2B+d&e=%2b"), ElementsAre(Pair("a b", "c + d"), Pair("e", "+")));
  EXPECT_EQ(ParseQuery("a=1&b=%zz"), std::nullopt);
}

TEST(QueryOfTarget, IsTheTextAfterTheQuestionMarkUpToAFragment) {
  EXPECT_EQ(QueryOfTarget("/upload?user=a&price=4"), "user=a&price=4");
  EXPECT_EQ(QueryOfTarget("/upload?pass=p&s#x&price=4"), "pass=p&s");
  EXPECT_EQ(QueryOfTarget("/upload?a=?b"), "a=?b");
  EXPECT_EQ(QueryOfTarget("/upload"), "");
}
