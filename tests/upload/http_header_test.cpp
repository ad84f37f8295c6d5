#include "upload/clHttpHeader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::u16string>;

TEST(HttpHeaderTest, WritesNonEmptyFieldsInTheirOrderThenExtraFields) {
  TclHttpRequestHeader header;
  EXPECT_EQ(header.HeaderLines(), Lines{u"Accept: */*"});

  // Every field set, the setters called in an order unlike the written one.
  header.SetTransferEncoding(u"te");
  header.SetProxyConnection(u"pc");
  header.SetConnection(u"cn");
  header.SetCacheControl(u"cc");
  header.SetLastModified(u"lm");
  header.SetExpires(u"ex");
  header.SetDate(u"dt");
  header.SetContentVersion(u"cv");
  header.SetContentType(u"ct");
  header.SetContentLength(u"12");
  header.SetContentLanguage(u"cl");
  header.SetContentEncoding(u"ce");
  header.SetUserAgent(u"ua");
  header.SetReferer(u"rf");
  header.SetRange(u"rg");
  header.SetProxyAuthorization(u"pa");
  header.SetHost(u"ho");
  header.SetAuthorization(u"au");
  header.SetAcceptLanguage(u"al");
  header.SetAcceptEncoding(u"ae");
  header.SetAcceptCharSet(u"ac");
  header.SetAccept(u"a");
  header.SetExtraFields({u"X-One: 1", u"X-Two: 2"});
  EXPECT_EQ(header.HeaderLines(),
            (Lines{u"Accept: a", u"Accept-Charset: ac", u"Accept-Encoding: ae",
                   u"Accept-Language: al", u"Range: rg", u"Referer: rf", u"Host: ho",
                   u"User-Agent: ua", u"Authorization: au", u"Proxy-Authorization: pa",
                   u"Content-Encoding: ce", u"Content-Language: cl", u"Content-Length: 12",
                   u"Content-Version: cv", u"Content-Type: ct", u"Date: dt", u"Expires: ex",
                   u"Last-Modified: lm", u"Transfer-Encoding: te", u"Cache-Control: cc",
                   u"Connection: cn", u"Proxy-Connection: pc", u"X-One: 1", u"X-Two: 2"}));

  // Boundary and character set qualify the content type, unquoted.
  header.SetBoundary(u"--b");
  header.SetCharSet(u"utf-8");
  EXPECT_EQ(header.HeaderLines()[14], u"Content-Type: ct; boundary=--b; charset=utf-8");

  header.Clear();
  EXPECT_EQ(header.HeaderLines(), Lines{u"Accept: */*"});
  EXPECT_EQ(header.Boundary(), u"");
  EXPECT_EQ(header.CharSet(), u"");
  EXPECT_TRUE(header.ExtraFields().empty());
}

TEST(HttpHeaderTest, ParametersWithoutAContentTypeAreLeftOut) {
  TclHttpRequestHeader header;
  header.SetBoundary(u"b");
  header.SetCharSet(u"utf-8");
  EXPECT_EQ(header.HeaderLines(), Lines{u"Accept: */*"});
}

TEST(HttpHeaderTest, FoldsLineBreaksOfAValue) {
  struct Case {
    std::u16string value;
    Lines lines;
  };
  const Case cases[] = {
      {u"a\r\nb", {u"Referer: a", u"\tb"}},
      {u"a\r\n", {u"Referer: a"}},  // the tab left at the very end is dropped
      {u"a\r\n\r\nb\r\n", {u"Referer: a", u"\t", u"\tb"}},
      {u"a\r\n\tb", {u"Referer: a", u"\t\tb"}},
      {u"a\nb\rc", {u"Referer: a", u"\tb", u"\tc"}},  // a bare break never starts a new field
  };
  for (const Case& c : cases) {
    TclHttpRequestHeader header;
    header.SetAccept(u"");
    header.SetReferer(c.value);
    EXPECT_EQ(header.HeaderLines(), c.lines);
  }
}

TEST(HttpHeaderTest, NotifiesChangedFieldsOnceABracket) {
  TclHttpRequestHeader header;
  int changes = 0;
  header.OnChanged = [&](TclHttpEntityHeader* sender) {
    EXPECT_EQ(sender, &header);
    ++changes;
  };
  header.SetHost(u"h");
  header.SetHost(u"h");  // the same value is no change
  EXPECT_EQ(changes, 1);

  header.BeginUpdate();
  header.BeginUpdate();
  header.SetHost(u"i");
  header.SetRange(u"r");
  header.EndUpdate();
  EXPECT_EQ(changes, 1);
  header.EndUpdate();
  EXPECT_EQ(changes, 2);
  header.EndUpdate();  // without an open bracket: nothing
  EXPECT_EQ(changes, 2);

  header.BeginUpdate();
  header.SetHost(u"i");
  header.EndUpdate();  // nothing changed inside
  EXPECT_EQ(changes, 2);

  header.Clear();
  EXPECT_EQ(changes, 3);
  header.SetExtraFields({u"X: y"});
  EXPECT_EQ(changes, 4);
}

}  // namespace
