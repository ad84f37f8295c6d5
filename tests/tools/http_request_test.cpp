#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <variant>

#include "tools/service/http_request.h"

namespace {

constexpr std::uint64_t kMaxBody = 1000;

// The status a head is refused with, or 0 when it is taken.
int RefusalOf(std::string_view head) {
  const auto parsed = ParseRequestHead(head, kMaxBody);
  const THttpRefusal* refusal = std::get_if<THttpRefusal>(&parsed);
  return refusal == nullptr ? 0 : refusal->status;
}

// What HeadScanner says after the bytes arrive in pieces of `step`: the head's length, 0 while
// incomplete, or minus the refusal's status.
long ScanInSteps(std::string_view bytes, std::size_t step, THeadLimits limits = {}) {
  HeadScanner scanner(limits);
  for (std::size_t size = step;; size += step) {
    const auto scan = scanner.Scan(bytes.substr(0, std::min(size, bytes.size())));
    if (const THttpRefusal* refusal = std::get_if<THttpRefusal>(&scan)) return -refusal->status;
    if (std::get<std::size_t>(scan) != 0 || size >= bytes.size()) {
      return static_cast<long>(std::get<std::size_t>(scan));
    }
  }
}

}  // namespace

TEST(HeadScanner, FindsTheEndOfAHeadHoweverItArrives) {
  const std::string head = "POST /upload?a=1 HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\n";
  for (const std::size_t step : {1u, 2u, 5u, 1000u}) {
    SCOPED_TRACE(step);
    EXPECT_EQ(ScanInSteps(head + "abc", step), static_cast<long>(head.size()));
    EXPECT_EQ(ScanInSteps(head.substr(0, head.size() - 1), step), 0);
  }
}

TEST(HeadScanner, RefusesHeadsPastTheLimitsBeforeTheyEnd) {
  const THeadLimits limits{1024, 8};
  std::string lines = "GET / HTTP/1.1\r\n";
  for (int i = 0; i < 8; ++i) lines += "X-A: b\r\n";
  EXPECT_GT(ScanInSteps(lines + "\r\n", 7, limits), 0);    // eight header lines fit
  EXPECT_EQ(ScanInSteps(lines + "X-A: b\r\n", 7, limits), -431);  // a ninth does not
  // A line without end is refused once it passes the size, as is a long request line.
  EXPECT_EQ(ScanInSteps("GET / HTTP/1.1\r\nX-A: " + std::string(2000, 'b'), 100, limits), -431);
  EXPECT_EQ(ScanInSteps("GET /" + std::string(2000, 'a'), 100, limits), -414);
  // A complete head one byte over the size is refused too.
  const std::string exact = "GET / HTTP/1.1\r\nX: " + std::string(1024 - 23, 'b') + "\r\n\r\n";
  ASSERT_EQ(exact.size(), 1024u);
  EXPECT_EQ(ScanInSteps(exact, 1024, limits), 1024);
  std::string over = exact;
  over.insert(20, "b");
  EXPECT_EQ(ScanInSteps(over, 2000, limits), -431);
}

TEST(ParseRequestHead, ReadsTheRequestLineHeadersAndLength) {
  const auto parsed = ParseRequestHead(
      "POST /upload?user=a&price=1 HTTP/1.1\r\nHost: x\r\ncontent-length:  12 \r\n"
      "Expect: 100-Continue\r\nRange: bytes=0-,0-\r\n\r\n",
      kMaxBody);
  ASSERT_TRUE(std::holds_alternative<THttpRequest>(parsed));
  const THttpRequest& request = std::get<THttpRequest>(parsed);
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "/upload?user=a&price=1");
  EXPECT_EQ(request.Path(), "/upload");
  EXPECT_EQ(request.content_length, 12u);
  EXPECT_TRUE(request.expect_continue);
  EXPECT_EQ(request.Header("HOST"), "x");
  EXPECT_EQ(request.Header("Cookie"), "");
}

TEST(ParseRequestHead, RefusesWhatCouldBeReadTwoWaysOrWithoutBound) {
  struct Case {
    const char* head;
    int status;
  };
  const Case cases[] = {
      {"GET / HTTP/1.0\r\n\r\n", 0},
      {"GET / HTTP/1.1\r\nContent-Length: 1000\r\n\r\n", 0},
      {"GET / HTTP/1.1\r\nContent-Length: 1001\r\n\r\n", 413},
      {"GET / HTTP/1.1\r\nContent-Length: 100000000000000000000000\r\n\r\n", 413},
      {"GET / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nContent-Length: +1\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nContent-Length: 1 2\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nContent-Length: \r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\n", 400},
      {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n", 411},
      {"POST / HTTP/1.1\r\nContent-Encoding: gzip\r\n\r\n", 415},
      {"POST / HTTP/1.1\r\nContent-Encoding: identity\r\n\r\n", 0},
      {"POST / HTTP/1.1\r\nExpect: something\r\n\r\n", 417},
      {"GET / HTTP/2.0\r\n\r\n", 505},
      {"GET / FTP/1.1\r\n\r\n", 400},
      {"GET /  HTTP/1.1\r\n\r\n", 400},             // two blanks
      {"GET http://x/ HTTP/1.1\r\n\r\n", 400},      // absolute form
      {"GET /a b HTTP/1.1\r\n\r\n", 400},
      {"G(T / HTTP/1.1\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nHost : x\r\n\r\n", 400},  // blank before the colon
      {"GET / HTTP/1.1\r\nHost: x\r\n folded\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nHost x\r\n\r\n", 400},
      {"GET / HTTP/1.1\r\nHost: a\x01z\r\n\r\n", 400},
      {"GET / HTTP/1.1\nHost: x\r\n\r\n", 400},    // a bare line feed
      {"GET / HTTP/1.1\r\nHost: a\rb\r\n\r\n", 400},
      {"\r\nGET / HTTP/1.1\r\n\r\n", 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.head);
    EXPECT_EQ(RefusalOf(c.head), c.status);
  }
}
