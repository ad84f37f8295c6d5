#include "platform/internet_client.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <optional>
#include <thread>

#include "platform/internet_proxy.h"
#include "tests/common/raw_http_server.h"

namespace {

// A root, connection and request handle for one request to 127.0.0.1:port; closes the root.
struct Request {
  Request(int port, const char* verb, const char* object, const char* version = "") {
    root = InternetOpen("TestAgent", INTERNET_OPEN_TYPE_PRECONFIG, "", "", 0);
    connect = InternetConnect(root, "127.0.0.1", static_cast<INTERNET_PORT>(port), "", "",
                              INTERNET_SERVICE_HTTP, 0, 0);
    request = HttpOpenRequest(connect, verb, object, version, "", nullptr, INTERNET_FLAG_RELOAD, 0);
  }
  ~Request() { InternetCloseHandle(root); }
  void SetReceiveTimeout(DWORD ms) {
    ASSERT_TRUE(InternetSetOption(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms));
  }
  DWORD Status() {
    DWORD status = 0, length = sizeof status;
    EXPECT_TRUE(HttpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                              &length, nullptr));
    return status;
  }
  // Reads the body to its end; `*error` is the failure that stopped it, 0 for the end.
  std::string Body(DWORD* error = nullptr, DWORD chunk = 7) {
    std::string body;
    char buffer[64];
    for (;;) {
      DWORD read = 0;
      if (!InternetReadFile(request, buffer, chunk, &read)) {
        if (error != nullptr) *error = GetLastError();
        return body;
      }
      if (read == 0) break;
      body.append(buffer, read);
    }
    if (error != nullptr) *error = 0;
    return body;
  }
  HINTERNET root = 0, connect = 0, request = 0;
};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(InternetClientTest, GetReadsStatusHeadersAndBodyFromAServer) {
  httplib::Server server;
  server.Get("/hello", [](const httplib::Request& request, httplib::Response& response) {
    response.set_content("ok\r\n" + request.get_header_value("User-Agent"), "text/plain");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::yield();
  {
    Request r(port, "GET", "/hello");
    ASSERT_TRUE(HttpSendRequest(r.request, "", nullptr, 0)) << GetLastError();
    EXPECT_EQ(r.Status(), 200u);
    char text[1024];
    DWORD length = sizeof text;
    ASSERT_TRUE(HttpQueryInfo(r.request, HTTP_QUERY_CONTENT_LENGTH, text, &length, nullptr));
    EXPECT_STREQ(text, "13");
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(r.Body(), "ok\r\nTestAgent");
    DWORD read = 1;
    EXPECT_TRUE(InternetReadFile(r.request, text, sizeof text, &read));  // the end stays the end
    EXPECT_EQ(read, 0u);
  }
  server.stop();
  thread.join();
}

TEST(InternetClientTest, RequestHeadCarriesOneHostAgentAndLength) {
  std::vector<std::string> requests;
  std::mutex lock;
  TRawHttpServer server(TRawHttpServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", &requests, &lock));
  {
    Request r(server.Port(), "POST", "/upload?user=a b&price=1");
    ASSERT_TRUE(HttpAddRequestHeaders(r.request,
                                      "Accept: */*\r\nContent-Length: 999\r\nContent-Type: text/plain\r\n"
                                      "Host: elsewhere\r\n",
                                      HTTP_ADDREQ_FLAG_ADD_IF_NEW));
    const char body[] = "hello";
    ASSERT_TRUE(HttpSendRequest(r.request, "X-Extra: 1", body, 5)) << GetLastError();
    EXPECT_EQ(r.Status(), 200u);
  }
  ASSERT_EQ(requests.size(), 1u);
  const std::string& sent = requests[0];
  EXPECT_EQ(sent.substr(0, sent.find("\r\n")), "POST /upload?user=a%20b&price=1 HTTP/1.1");
  EXPECT_EQ(Count(sent, "\r\nHost: "), 1);
  EXPECT_NE(sent.find("\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"), std::string::npos);
  EXPECT_EQ(Count(sent, "\r\nUser-Agent: TestAgent\r\n"), 1);
  EXPECT_EQ(Count(sent, "Content-Length"), 1);
  EXPECT_NE(sent.find("\r\nContent-Length: 5\r\n"), std::string::npos);
  EXPECT_NE(sent.find("\r\nAccept: */*\r\n"), std::string::npos);
  EXPECT_NE(sent.find("\r\nX-Extra: 1\r\n"), std::string::npos);
  EXPECT_EQ(sent.substr(sent.size() - 9), "\r\n\r\nhello");
}

TEST(InternetClientTest, SendRequestExStreamsTheAnnouncedBody) {
  std::vector<std::string> requests;
  std::mutex lock;
  TRawHttpServer server(TRawHttpServer::Answer(
      "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 4\r\nX-A: 1\r\n\r\nfail", &requests, &lock));
  Request r(server.Port(), "POST", "/upload");
  INTERNET_BUFFERS in;
  in.dwBufferTotal = 10;
  ASSERT_TRUE(HttpSendRequestEx(r.request, &in, nullptr, HSR_INITIATE, 0)) << GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(InternetWriteFile(r.request, "01234", 5, &written));
  EXPECT_EQ(written, 5u);
  EXPECT_FALSE(InternetWriteFile(r.request, "0123456", 6, &written));  // beyond the total
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  ASSERT_TRUE(InternetWriteFile(r.request, "56789", 5, &written));
  ASSERT_TRUE(HttpEndRequest(r.request, nullptr, 0, 0)) << GetLastError();
  EXPECT_EQ(r.Status(), 500u);

  DWORD length = 0;
  EXPECT_FALSE(HttpQueryInfo(r.request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &length, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  std::string raw(length, '\0');
  ASSERT_TRUE(HttpQueryInfo(r.request, HTTP_QUERY_RAW_HEADERS_CRLF, raw.data(), &length, nullptr));
  raw.resize(length);
  EXPECT_EQ(raw, "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 4\r\nX-A: 1\r\n\r\n");
  EXPECT_EQ(r.Body(), "fail");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].find("\r\nContent-Length: 10\r\n"), std::string::npos);
  EXPECT_EQ(requests[0].substr(requests[0].size() - 10), "0123456789");

  // Ending a request with less body than announced would leave the server waiting: refused.
  ASSERT_TRUE(HttpSendRequestEx(r.request, &in, nullptr, HSR_INITIATE, 0));
  ASSERT_TRUE(InternetWriteFile(r.request, "01", 2, &written));
  EXPECT_FALSE(HttpEndRequest(r.request, nullptr, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  EXPECT_FALSE(InternetReadFile(r.request, raw.data(), 1, &written));
}

TEST(InternetClientTest, BodiesAreDecodedByTheirFraming) {
  struct Case {
    const char* name;
    std::string response;
    std::string body;
    DWORD error;
  } cases[] = {
      {"chunked", std::string("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n"
                  "9\r\n, world!\0\r\n0\r\nTrailer: t\r\n\r\n", 92),
       std::string("hello, world!\0", 14), 0},
      {"until close", std::string("HTTP/1.0 200 OK\r\n\r\nno length\0here", 33),
       std::string("no length\0here", 14), 0},
      {"bare LF head", "HTTP/1.1 200 OK\nContent-Length: 3\n\nabcdef", "abc", 0},
      {"interim answer", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\npage", "page", 0},
      {"cut short", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this", "only this",
       ERROR_INTERNET_CONNECTION_ABORTED},
      {"bad chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", "",
       ERROR_HTTP_INVALID_SERVER_RESPONSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRawHttpServer server(TRawHttpServer::Answer(c.response));
    Request r(server.Port(), "GET", "/");
    ASSERT_TRUE(HttpSendRequest(r.request, "", nullptr, 0)) << GetLastError();
    DWORD error = 99;
    EXPECT_EQ(r.Body(&error), c.body);
    EXPECT_EQ(error, c.error);
  }
}

TEST(InternetClientTest, MisbehavingServersFailTheSendWithTheirErrorNumbers) {
  struct Case {
    const char* name;
    TRawHttpServer::Handler handler;
    DWORD error;
  } cases[] = {
      {"garbage", TRawHttpServer::Answer("SSH-2.0-OpenSSH\r\n\r\n"), ERROR_HTTP_INVALID_SERVER_RESPONSE},
      {"closes at once", [](TRawConnection& c) { c.ReadRequest(); }, ERROR_INTERNET_CONNECTION_ABORTED},
      {"closes inside the head", TRawHttpServer::Answer("HTTP/1.1 200 OK\r\nConte"),
       ERROR_HTTP_INVALID_SERVER_RESPONSE},
      {"endless head", [](TRawConnection& c) {
         c.ReadRequest();
         c.Send("HTTP/1.1 200 OK\r\n");
         const std::string line = "X-Filler: " + std::string(1000, 'x') + "\r\n";
         for (int i = 0; i < 100; ++i) c.Send(line);
       }, ERROR_HTTP_INVALID_SERVER_RESPONSE},
      {"never answers", [](TRawConnection& c) { c.WaitForClose(); }, ERROR_INTERNET_TIMEOUT},
      {"bad length", TRawHttpServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n"),
       ERROR_HTTP_INVALID_SERVER_RESPONSE},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    TRawHttpServer server(c.handler);
    Request r(server.Port(), "GET", "/");
    r.SetReceiveTimeout(200);
    EXPECT_FALSE(HttpSendRequest(r.request, "", nullptr, 0));
    EXPECT_EQ(GetLastError(), c.error);
    DWORD length = 0;
    EXPECT_FALSE(HttpQueryInfo(r.request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &length, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  }
  Request refused(TRawHttpServer::UnusedPort(), "GET", "/");
  EXPECT_FALSE(HttpSendRequest(refused.request, "", nullptr, 0));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
}

TEST(InternetClientTest, ClosingTheRootFromAnotherThreadEndsABlockedCallAtOnce) {
  std::promise<void> accepted;
  TRawHttpServer server([&](TRawConnection& c) {
    c.ReadRequest();
    accepted.set_value();
    c.WaitForClose();
  });
  Request r(server.Port(), "GET", "/");
  std::thread closer([&] {
    accepted.get_future().wait();
    InternetCloseHandle(r.root);
  });
  EXPECT_FALSE(HttpSendRequest(r.request, "", nullptr, 0));  // default 30-second receive wait
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_OPERATION_CANCELLED);
  closer.join();
  // Every handle under the root is closed with it; a later use fails safely.
  EXPECT_FALSE(HttpSendRequest(r.request, "", nullptr, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(InternetCloseHandle(r.connect));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(HttpOpenRequest(r.connect, "GET", "/", "", "", nullptr, 0, 0), 0u);
}

TEST(InternetClientTest, HeaderRulesAndQueriesFollowTheLibrary) {
  TRawHttpServer server(TRawHttpServer::Answer(
      "HTTP/1.1 200 Fine\r\nSet-Cookie: a=1\r\nSet-Cookie: b=2\r\nX-Count: x\r\n"
      "Transfer-Encoding: identity\r\n\r\n"));
  Request r(server.Port(), "GET", "/");
  EXPECT_TRUE(HttpAddRequestHeaders(r.request, "X-One: 1\r\n\r\nX-Two: 2", 0));
  EXPECT_FALSE(HttpAddRequestHeaders(r.request, "X-One: again\r\nX-Three: 3", HTTP_ADDREQ_FLAG_ADD_IF_NEW));
  EXPECT_EQ(GetLastError(), ERROR_HTTP_HEADER_ALREADY_EXISTS);
  EXPECT_FALSE(HttpAddRequestHeaders(r.request, "no colon here", HTTP_ADDREQ_FLAG_ADD));
  EXPECT_EQ(GetLastError(), ERROR_HTTP_INVALID_HEADER);
  EXPECT_TRUE(HttpAddRequestHeaders(r.request, "X-Two: 22", HTTP_ADDREQ_FLAG_REPLACE));
  EXPECT_TRUE(HttpAddRequestHeaders(r.request, "X-One: 11", HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA));
  char text[256];
  DWORD length = sizeof text;
  std::strcpy(text, "X-One");
  ASSERT_TRUE(HttpQueryInfo(r.request, HTTP_QUERY_CUSTOM | HTTP_QUERY_FLAG_REQUEST_HEADERS, text, &length, nullptr));
  EXPECT_STREQ(text, "1, 11");
  length = sizeof text;
  std::strcpy(text, "X-Three");
  ASSERT_TRUE(HttpQueryInfo(r.request, HTTP_QUERY_CUSTOM | HTTP_QUERY_FLAG_REQUEST_HEADERS, text, &length, nullptr));
  EXPECT_STREQ(text, "3");

  ASSERT_TRUE(HttpSendRequest(r.request, "", nullptr, 0)) << GetLastError();
  DWORD index = 0;
  length = sizeof text;
  std::strcpy(text, "set-cookie");
  ASSERT_TRUE(HttpQueryInfo(r.request, HTTP_QUERY_CUSTOM, text, &length, &index));
  EXPECT_STREQ(text, "a=1");
  length = sizeof text;
  std::strcpy(text, "Set-Cookie");
  ASSERT_TRUE(HttpQueryInfo(r.request, HTTP_QUERY_CUSTOM, text, &length, &index));
  EXPECT_STREQ(text, "b=2");
  EXPECT_EQ(index, 2u);
  length = sizeof text;
  ASSERT_TRUE(HttpQueryInfo(r.request, HTTP_QUERY_STATUS_TEXT, text, &length, nullptr));
  EXPECT_STREQ(text, "Fine");
  char number[16] = "X-Count";
  length = sizeof number;
  EXPECT_FALSE(HttpQueryInfo(r.request, HTTP_QUERY_CUSTOM | HTTP_QUERY_FLAG_NUMBER, number, &length, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_HTTP_INVALID_HEADER);
  length = sizeof text;
  EXPECT_FALSE(HttpQueryInfo(r.request, HTTP_QUERY_LOCATION, text, &length, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_HTTP_HEADER_NOT_FOUND);
}

TEST(InternetClientTest, OptionsAreInheritedQueriedAndChecked) {
  DWORD ms = 1234, length = sizeof ms;
  const HINTERNET root = InternetOpen("A", INTERNET_OPEN_TYPE_DIRECT, "", "", 0);
  ASSERT_TRUE(InternetSetOption(root, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms));
  const HINTERNET connect = InternetConnect(root, "127.0.0.1", 1, "", "", INTERNET_SERVICE_HTTP, 0, 0);
  const HINTERNET request = HttpOpenRequest(connect, "GET", "/", "", "", nullptr, 0, 0);
  ms = 0;
  ASSERT_TRUE(InternetQueryOption(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, &length));
  EXPECT_EQ(ms, 1234u);
  DWORD type = 0;
  length = sizeof type;
  ASSERT_TRUE(InternetQueryOption(request, INTERNET_OPTION_HANDLE_TYPE, &type, &length));
  EXPECT_EQ(type, INTERNET_HANDLE_TYPE_HTTP_REQUEST);
  EXPECT_FALSE(InternetSetOption(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, 2));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_BAD_OPTION_LENGTH);
  EXPECT_FALSE(InternetSetOption(request, 9999, &ms, sizeof ms));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_INVALID_OPTION);
  ASSERT_TRUE(InternetSetOption(request, INTERNET_OPTION_USERNAME, "user", 4));
  char text[8];
  length = 2;
  EXPECT_FALSE(InternetQueryOption(request, INTERNET_OPTION_USERNAME, text, &length));
  EXPECT_EQ(length, 5u);
  ASSERT_TRUE(InternetQueryOption(request, INTERNET_OPTION_USERNAME, text, &length));
  EXPECT_STREQ(text, "user");

  DWORD limit = 10;
  ASSERT_TRUE(InternetSetOption(0, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &limit, sizeof limit));
  limit = 0;
  length = sizeof limit;
  ASSERT_TRUE(InternetQueryOption(0, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &limit, &length));
  EXPECT_EQ(limit, 10u);

  // Offline until connected again.
  INTERNET_CONNECTED_INFO offline{INTERNET_STATE_DISCONNECTED_BY_USER, 0};
  ASSERT_TRUE(InternetSetOption(0, INTERNET_OPTION_CONNECTED_STATE, &offline, sizeof offline));
  EXPECT_FALSE(HttpSendRequest(request, "", nullptr, 0));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_DISCONNECTED);
  INTERNET_CONNECTED_INFO online{INTERNET_STATE_CONNECTED, 0};
  ASSERT_TRUE(InternetSetOption(0, INTERNET_OPTION_CONNECTED_STATE, &online, sizeof online));
  EXPECT_TRUE(InternetGetConnectedState(nullptr, 0));

  EXPECT_EQ(InternetErrorDlg(nullptr, request, 12045, 7, nullptr), ERROR_CANCELLED);
  EXPECT_TRUE(InternetCloseHandle(root));
  EXPECT_FALSE(InternetCloseHandle(root));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(InternetClientTest, StatusCallbackReportsTheStepsOfASend) {
  TRawHttpServer server(TRawHttpServer::Answer("HTTP/1.1 204 No Content\r\n\r\n"));
  std::vector<DWORD> statuses;
  Request r(server.Port(), "GET", "/");
  InternetSetStatusCallback(r.request, [&](HINTERNET, DWORD_PTR, DWORD status, const void*, DWORD) {
    statuses.push_back(status);
  });
  ASSERT_TRUE(HttpSendRequest(r.request, "", nullptr, 0));
  EXPECT_EQ(r.Body(), "");
  InternetCloseHandle(r.request);
  EXPECT_EQ(statuses, (std::vector<DWORD>{INTERNET_STATUS_CONNECTING_TO_SERVER, INTERNET_STATUS_CONNECTED_TO_SERVER,
                                          INTERNET_STATUS_REQUEST_SENT, INTERNET_STATUS_RESPONSE_RECEIVED,
                                          INTERNET_STATUS_HANDLE_CLOSING}));
}

TEST(InternetClientTest, ProxyRequestsGoToTheProxyWithTheAbsoluteTarget) {
  std::vector<std::string> requests;
  std::mutex lock;
  TRawHttpServer proxy(TRawHttpServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", &requests, &lock));
  const std::string address = "u:p@127.0.0.1:" + std::to_string(proxy.Port());
  const HINTERNET root = InternetOpen("A", INTERNET_OPEN_TYPE_PROXY, "ftp=other:1 http=" + address, "", 0);
  const HINTERNET connect = InternetConnect(root, "shop.example", 8080, "", "", INTERNET_SERVICE_HTTP, 0, 0);
  const HINTERNET request = HttpOpenRequest(connect, "GET", "/upload?x=1", "", "", nullptr, 0, 0);
  ASSERT_TRUE(HttpSendRequest(request, "", nullptr, 0)) << GetLastError();
  InternetCloseHandle(root);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET http://shop.example:8080/upload?x=1 HTTP/1.1");
  EXPECT_NE(requests[0].find("\r\nHost: shop.example:8080\r\n"), std::string::npos);
  EXPECT_NE(requests[0].find("\r\nProxy-Authorization: Basic dTpw\r\n"), std::string::npos);

  // The environment's settings for pre-configured access, and who bypasses the proxy.
  const std::pair<const char*, const char*> variables[] = {
      {"http_proxy", "http://proxy.lan:3128/"}, {"HTTP_PROXY", nullptr},
      {"no_proxy", "internal.example,.corp"}, {"NO_PROXY", nullptr}};
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
  for (const auto& [name, value] : variables) {
    const char* old = std::getenv(name);
    saved.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  const TProxyConfig config = MakeProxyConfig(INTERNET_OPEN_TYPE_PRECONFIG, "", "");
  for (const auto& [name, value] : saved) value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
  EXPECT_EQ(config.host, "proxy.lan");
  EXPECT_EQ(config.port, 3128);
  EXPECT_TRUE(UsesProxy(config, "shop.example"));
  EXPECT_FALSE(UsesProxy(config, "internal.example"));
  EXPECT_FALSE(UsesProxy(config, "a.b.corp"));
  EXPECT_FALSE(UsesProxy(config, "127.0.0.1"));
  EXPECT_FALSE(UsesProxy(MakeProxyConfig(INTERNET_OPEN_TYPE_DIRECT, "x:1", ""), "shop.example"));
  const TProxyConfig listed = MakeProxyConfig(INTERNET_OPEN_TYPE_PROXY, "p:1", "<local>;*.lan");
  EXPECT_FALSE(UsesProxy(listed, "printer"));
  EXPECT_FALSE(UsesProxy(listed, "nas.lan"));
  EXPECT_TRUE(UsesProxy(listed, "shop.example"));
}

}  // namespace
