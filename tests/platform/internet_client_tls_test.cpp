#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/internet_client.h"
#include "tests/common/raw_http_server.h"
#include "tests/common/test_certificates.h"
#include "tests/common/tls_test_server.h"

namespace {

using Clock = std::chrono::steady_clock;

// A secure GET of "/" from `host`:`port` under a root handle of its own; closes the root.
struct SecureRequest {
  SecureRequest(const std::string& host, int port, DWORD connect_flags = 0, DWORD request_flags = INTERNET_FLAG_SECURE) {
    root = InternetOpen("TestAgent", INTERNET_OPEN_TYPE_PRECONFIG, "", "", 0);
    connect = InternetConnect(root, host, static_cast<INTERNET_PORT>(port), "", "", INTERNET_SERVICE_HTTP,
                              connect_flags, 0);
    request = HttpOpenRequest(connect, "GET", "/prices?user=shop&pass=secret", "", "", nullptr,
                              INTERNET_FLAG_RELOAD | request_flags, 0);
  }
  ~SecureRequest() { InternetCloseHandle(root); }
  std::string Body() {
    std::string body;
    char buffer[10000];
    DWORD read = 0;
    while (InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0) body.append(buffer, read);
    return body;
  }
  HINTERNET root = 0, connect = 0, request = 0;
};

// Each test trusts an authority of its own.
class InternetClientTlsTest : public ::testing::Test {
 protected:
  TTestAuthority authority_;
  TTrustedAuthority trusted_{authority_};
};

TEST_F(InternetClientTlsTest, ASecureRequestTravelsEncryptedToAServerWithAValidCertificate) {
  std::string large(1500000, '\0');
  for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 31 % 251);
  std::vector<std::string> requests;
  std::mutex lock;
  TTlsTestServer server(authority_.Issue(kLoopbackNames),
                        TTlsTestServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: " +
                                                   std::to_string(large.size()) + "\r\n\r\n" + large,
                                               &requests, &lock));
  // By address and by name; the secure flag on the request or on its connection.
  const struct {
    const char* host;
    DWORD connect_flags, request_flags;
  } cases[] = {{"127.0.0.1", 0, INTERNET_FLAG_SECURE}, {"localhost", INTERNET_FLAG_SECURE, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host);
    SecureRequest r(c.host, server.Port(), c.connect_flags, c.request_flags);
    ASSERT_TRUE(HttpSendRequest(r.request, "", nullptr, 0)) << GetLastError();
    DWORD status = 0, length = sizeof status;
    ASSERT_TRUE(HttpQueryInfo(r.request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr));
    EXPECT_EQ(status, 200u);
    EXPECT_TRUE(r.Body() == large);
  }
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET /prices?user=shop&pass=secret HTTP/1.1");
  EXPECT_NE(requests[0].find("\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"), std::string::npos);
  EXPECT_NE(requests[1].find("\r\nHost: localhost:" + std::to_string(server.Port()) + "\r\n"), std::string::npos);
}

TEST_F(InternetClientTlsTest, CertificatesThatFailVerificationAreRefusedBeforeAnyRequestByte) {
  TTestAuthority stranger;  // not trusted
  const struct {
    const char* name;
    TServerIdentity identity;
    const char* host;
    DWORD error;
  } cases[] = {
      {"another host name, by address", authority_.Issue("DNS:shop.example,IP:10.1.2.3"), "127.0.0.1",
       ERROR_INTERNET_SEC_CERT_CN_INVALID},
      {"another host name, by name", authority_.Issue("DNS:shop.example"), "localhost",
       ERROR_INTERNET_SEC_CERT_CN_INVALID},
      {"a partial wildcard", authority_.Issue("DNS:local*"), "localhost", ERROR_INTERNET_SEC_CERT_CN_INVALID},
      {"self-signed", TTestAuthority::SelfSigned(kLoopbackNames), "127.0.0.1", ERROR_INTERNET_INVALID_CA},
      {"an unknown authority", stranger.Issue(kLoopbackNames), "127.0.0.1", ERROR_INTERNET_INVALID_CA},
      {"expired", authority_.Issue(kLoopbackNames, -30, -1), "127.0.0.1", ERROR_INTERNET_SEC_CERT_DATE_INVALID},
      {"not yet valid", authority_.Issue(kLoopbackNames, 1, 30), "localhost", ERROR_INTERNET_SEC_CERT_DATE_INVALID},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TTlsTestServer server(c.identity, TTlsTestServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    SecureRequest r(c.host, server.Port());
    EXPECT_FALSE(HttpSendRequest(r.request, "", nullptr, 0));
    EXPECT_EQ(GetLastError(), c.error);
    char reason[256];
    DWORD error = 0, length = sizeof reason;
    ASSERT_TRUE(InternetGetLastResponseInfo(&error, reason, &length));
    EXPECT_EQ(error, c.error);
    EXPECT_GT(length, 0u) << "no reason given";
    // Flags that would ignore the fault change nothing.
    const DWORD ignore_all = 0x80 | 0x100 | 0x200 | 0x1000 | 0x2000;
    ASSERT_TRUE(InternetSetOption(r.request, INTERNET_OPTION_SECURITY_FLAGS, &ignore_all, sizeof ignore_all));
    EXPECT_FALSE(HttpSendRequest(r.request, "", nullptr, 0));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(server.Connections(), 2);
    EXPECT_EQ(server.Handshakes(), 0);
  }
}

TEST_F(InternetClientTlsTest, AServerThatDropsTheConnectionFailsTheWriteAndNothingElse) {
  // The server ends the session right after the handshake; the client keeps writing its body.
  TTlsTestServer server(authority_.Issue(kLoopbackNames), [](TTlsConnection&) {});
  SecureRequest r("127.0.0.1", server.Port());
  INTERNET_BUFFERS in;
  in.dwBufferTotal = 64 * 1024 * 1024;
  ASSERT_TRUE(HttpSendRequestEx(r.request, &in, nullptr, 0, 0)) << GetLastError();
  const std::string block(64 * 1024, 'x');
  DWORD written = 0, total = 0;
  while (total < in.dwBufferTotal &&
         InternetWriteFile(r.request, block.data(), static_cast<DWORD>(block.size()), &written))
    total += written;
  EXPECT_LT(total, in.dwBufferTotal);
  const DWORD error = GetLastError();
  EXPECT_TRUE(error == ERROR_INTERNET_CONNECTION_RESET || error == ERROR_INTERNET_CONNECTION_ABORTED) << error;
}

TEST_F(InternetClientTlsTest, APlainServerIsNeverSpokenToInClear) {
  std::promise<std::string> seen;  // every byte the server received
  TRawHttpServer plain([&](TRawConnection& c) {
    std::string received;
    c.ReadSome(&received);
    c.Send("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
    while (c.ReadSome(&received)) {
    }
    seen.set_value(received);
  });
  SecureRequest r("127.0.0.1", plain.Port());
  EXPECT_FALSE(HttpSendRequest(r.request, "", nullptr, 0));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_SECURITY_CHANNEL_ERROR);
  const std::string received = seen.get_future().get();
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received[0], '\x16');  // a handshake record
  EXPECT_EQ(received.find("secret"), std::string::npos);
  EXPECT_EQ(received.find("GET"), std::string::npos);
}

TEST_F(InternetClientTlsTest, AHandshakeThatStallsTimesOutOrEndsWhenTheRootIsClosed) {
  TTlsTestServer server(authority_.Issue(kLoopbackNames), nullptr, TTlsTestServer::Mode::kStallInHandshake);
  {
    SecureRequest r("127.0.0.1", server.Port());
    const DWORD ms = 200;
    ASSERT_TRUE(InternetSetOption(r.request, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms));
    const auto start = Clock::now();
    EXPECT_FALSE(HttpSendRequest(r.request, "", nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_TIMEOUT);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  }
  SecureRequest r("127.0.0.1", server.Port());  // the default 30-second wait
  std::thread closer([&] {
    while (server.Connections() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    InternetCloseHandle(r.root);
  });
  const auto start = Clock::now();
  EXPECT_FALSE(HttpSendRequest(r.request, "", nullptr, 0));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_OPERATION_CANCELLED);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  closer.join();
  EXPECT_EQ(server.Handshakes(), 0);
}

}  // namespace
