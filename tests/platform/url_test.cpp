#include "platform/url.h"

#include <gtest/gtest.h>

#include "platform/internet_client.h"

namespace {

URL_COMPONENTS Wanted() {
  URL_COMPONENTS c;
  c.dwSchemeLength = 32;
  c.dwHostNameLength = 256;
  c.dwUserNameLength = 128;
  c.dwPasswordLength = 128;
  c.dwUrlPathLength = 2048;
  c.dwExtraInfoLength = 4096;
  return c;
}

TEST(UrlTest, CrackSplitsEveryPart) {
  struct Case {
    const char* url;
    INTERNET_SCHEME scheme;
    const char *host, *user, *password, *path, *extra;
    INTERNET_PORT port;
  } cases[] = {
      {"http://example.com/upload?user=a&price=4", INTERNET_SCHEME_HTTP, "example.com", "", "",
       "/upload", "?user=a&price=4", 80},
      {"HTTP://Shop.Example:8080", INTERNET_SCHEME_HTTP, "Shop.Example", "", "", "", "", 8080},
      {"https://u:p@h/x#frag", INTERNET_SCHEME_HTTPS, "h", "u", "p", "/x", "#frag", 443},
      {"ftp://files/pub/", INTERNET_SCHEME_FTP, "files", "", "", "/pub/", "", 21},
      {"http://[::1]:81/a", INTERNET_SCHEME_HTTP, "[::1]", "", "", "/a", "", 81},
      {"mailto:shop@example.com", INTERNET_SCHEME_MAILTO, "", "", "", "shop@example.com", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    URL_COMPONENTS parts = Wanted();
    ASSERT_TRUE(InternetCrackUrl(c.url, 0, &parts));
    EXPECT_EQ(parts.nScheme, c.scheme);
    EXPECT_EQ(parts.lpszHostName, c.host);
    EXPECT_EQ(parts.dwHostNameLength, std::string(c.host).size());
    EXPECT_EQ(parts.lpszUserName, c.user);
    EXPECT_EQ(parts.lpszPassword, c.password);
    EXPECT_EQ(parts.lpszUrlPath, c.path);
    EXPECT_EQ(parts.lpszExtraInfo, c.extra);
    EXPECT_EQ(parts.nPort, c.port);
  }
}

TEST(UrlTest, CrackFailuresCarryTheirErrorNumbers) {
  const std::pair<const char*, DWORD> cases[] = {
      {"example.com/upload", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {"127.0.0.1:8080/upload", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {"gizmo://host/", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {"", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {"http://host:99999/", ERROR_INTERNET_INVALID_URL},
      {"http://host:8a/", ERROR_INTERNET_INVALID_URL},
      {"http:///path", ERROR_INTERNET_INVALID_URL},
  };
  for (const auto& [url, error] : cases) {
    SCOPED_TRACE(url);
    URL_COMPONENTS parts = Wanted();
    EXPECT_FALSE(InternetCrackUrl(url, 0, &parts));
    EXPECT_EQ(GetLastError(), error);
  }
  URL_COMPONENTS small = Wanted();
  small.dwHostNameLength = 4;  // "host" needs 5 with its terminator
  EXPECT_FALSE(InternetCrackUrl("http://host/", 0, &small));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  URL_COMPONENTS none;  // no part wanted: only scheme and port
  ASSERT_TRUE(InternetCrackUrl("http://host:81/", 0, &none));
  EXPECT_EQ(none.lpszHostName, "");
  EXPECT_EQ(none.nPort, 81);
}

TEST(UrlTest, CreateJoinsPartsAndReportsTheSizeNeeded) {
  URL_COMPONENTS parts = Wanted();
  ASSERT_TRUE(InternetCrackUrl("http://host:80/upload?price=1", 0, &parts));
  DWORD length = 0;
  EXPECT_FALSE(InternetCreateUrl(&parts, 0, nullptr, &length));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(length, sizeof("http://host/upload?price=1"));
  char buffer[2055];
  length = sizeof buffer;
  ASSERT_TRUE(InternetCreateUrl(&parts, 0, buffer, &length));
  EXPECT_STREQ(buffer, "http://host/upload?price=1");  // the default port is left out
  EXPECT_EQ(length, std::string(buffer).size());

  parts.nPort = 8080;
  parts.lpszUserName = "u";
  parts.lpszPassword = "p";
  length = sizeof buffer;
  ASSERT_TRUE(InternetCreateUrl(&parts, 0, buffer, &length));
  EXPECT_STREQ(buffer, "http://u:p@host:8080/upload?price=1");
}

}  // namespace
