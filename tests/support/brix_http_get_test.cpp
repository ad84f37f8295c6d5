#include "support/brix_http_get.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <unistd.h>

#include "platform/thread_calls.h"
#include "platform/utf.h"
#include "tests/common/failed_thread_starts.h"
#include "tests/common/raw_http_server.h"
#include "tests/common/reported_errors.h"
#include "tests/common/test_certificates.h"
#include "tests/common/tls_test_server.h"

namespace {

// Runs this thread's calls until the fetch has raised its event.
void WaitForCompletion(const TBrix_HTTPGet& get) {
  TEvent never;
  TEvent* events[] = {&never};
  while (get.InUse()) WaitForAnyEventDrainingCalls(events, 20);
}

// A fetcher that records its events.
struct Recorder {
  Recorder() : get(nullptr) {
    get.OnDoneString = [this](TBrix_HTTPGet* sender, const std::u16string& result) {
      EXPECT_EQ(sender, &get);
      EXPECT_TRUE(get.InUse());
      strings.push_back(result);
    };
    get.OnDoneFile = [this](TBrix_HTTPGet*, const std::u16string& name, int size) {
      files.emplace_back(name, size);
    };
    get.OnError = [this](TBrix_HTTPGet*) { ++errors; };
  }
  // Fetches `url` as a text and waits for the event.
  void Fetch(const std::string& url) {
    get.URL = Utf8ToUtf16(url);
    get.GetString();
    EXPECT_TRUE(get.InUse());
    WaitForCompletion(get);
  }
  int Events() const { return static_cast<int>(strings.size() + files.size()) + errors; }

  TBrix_HTTPGet get;
  std::vector<std::u16string> strings;
  std::vector<std::pair<std::u16string, int>> files;
  int errors = 0;
};

TEST(BrixHttpGetTest, TextFetchDeliversTheBodyBytesDecoded) {
  httplib::Server server;
  server.Get("/upload", [](const httplib::Request& request, httplib::Response& response) {
    response.set_content(request.get_param_value("user") == "shop" ? "ok\r\n" : "bad", "text/plain");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread thread([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::yield();
  Recorder r;
  r.Fetch("http://127.0.0.1:" + std::to_string(port) + "/upload?user=shop&pass=x&price=4");
  server.stop();
  thread.join();
  ASSERT_EQ(r.strings.size(), 1u);
  EXPECT_EQ(r.strings[0], u"ok\r\n");
  EXPECT_EQ(r.Events(), 1);
}

TEST(BrixHttpGetTest, TheRequestLineAndHeadersAreThoseOfTheFetcher) {
  std::vector<std::string> requests;
  std::mutex lock;
  const std::string body("a\0b\xC6\0", 5);  // zero bytes and a Cyrillic letter in code page 1251
  TRawHttpServer server(TRawHttpServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n" + body, &requests, &lock));
  const std::string host_port = "LocalHost:" + std::to_string(server.Port());
  for (const char* prefix : {"HtTp://", ""}) {
    Recorder r;
    r.Fetch(std::string(prefix) + host_port + "/upload?user=a&price=4");
    ASSERT_EQ(r.strings.size(), 1u);
    EXPECT_EQ(r.strings[0], std::u16string(u"a\0bЖ\0", 5));
  }
  ASSERT_EQ(requests.size(), 2u);
  for (const std::string& request : requests) {
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /upload?user=a&price=4 HTTP/1.0");
    EXPECT_NE(request.find("\r\nHost: " + host_port + "\r\n"), std::string::npos);  // capitals kept
    EXPECT_NE(request.find("\r\nAccept: */*\r\n"), std::string::npos);
    EXPECT_NE(request.find("\r\nUser-Agent: BrixDownloadManager\r\n"), std::string::npos);
    EXPECT_EQ(request.find("Content-Length"), std::string::npos);
  }
}

TEST(BrixHttpGetTest, FailedFetchesRaiseOnErrorAndErrorPagesCountAsResults) {
  const std::string refused = "http://127.0.0.1:" + std::to_string(TRawHttpServer::UnusedPort()) + "/x";
  TRawHttpServer empty(TRawHttpServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
  TRawHttpServer garbage(TRawHttpServer::Answer("\x16\x03\x01 not http at all\r\n\r\n"));
  TRawHttpServer not_found(TRawHttpServer::Answer(
      "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n<h1>Not here</h1>"));
  for (const std::string& url : {refused, empty.Url("/x"), garbage.Url("/x"),
                                 std::string("http://127.0.0.1:99999/x"), std::string("http:///x")}) {
    SCOPED_TRACE(url);
    Recorder r;
    r.Fetch(url);
    EXPECT_EQ(r.errors, 1);
    EXPECT_EQ(r.Events(), 1);
  }
  Recorder r;
  r.Fetch(not_found.Url("/x"));
  ASSERT_EQ(r.strings.size(), 1u);
  EXPECT_EQ(r.strings[0], u"<h1>Not here</h1>");
}

TEST(BrixHttpGetTest, ASecondStartWhileRunningDoesNothing) {
  TEvent release;
  TRawHttpServer server([&](TRawConnection& c) {
    c.ReadRequest();
    while (!release.Wait(10) && c.Pause(0)) {
    }
    c.Send("HTTP/1.0 200 OK\r\n\r\nfirst");
  });
  Recorder r;
  r.get.URL = Utf8ToUtf16(server.Url("/1"));
  r.get.GetString();
  r.get.URL = u"http://127.0.0.1:1/changed";  // a running fetch keeps its own copy
  r.get.GetString();
  r.get.GetFile();
  EXPECT_TRUE(r.get.InUse());
  release.Set();
  WaitForCompletion(r.get);
  EXPECT_EQ(r.strings, std::vector<std::u16string>{u"first"});
  EXPECT_EQ(r.Events(), 1);
  EXPECT_EQ(server.Connections(), 1);
}

TEST(BrixHttpGetTest, AbortDuringASlowDownloadRaisesOnErrorOnce) {
  TRawHttpServer trickle([](TRawConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
    while (c.Pause(5)) c.Send("x");
  });
  Recorder r;
  std::vector<int> progress;
  r.get.OnProgress = [&](TBrix_HTTPGetThread* sender, int total, int readed) {
    EXPECT_NE(sender, nullptr);
    EXPECT_EQ(total, 100000);
    progress.push_back(readed);
    if (progress.size() == 3) r.get.Abort();
  };
  r.Fetch(trickle.Url("/slow"));
  EXPECT_EQ(r.errors, 1);
  EXPECT_EQ(r.Events(), 1);
  ASSERT_GE(progress.size(), 3u);
  EXPECT_LT(progress.back(), 100000);
}

TEST(BrixHttpGetTest, FileFetchNeedsAMatchingContentLength) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                       ("brix_http_get_test_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string target = (folder / "price.bin").string();
  const std::string data(3000, '\x7f');
  TRawHttpServer sized(TRawHttpServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 3000\r\n\r\n" + data));
  TRawHttpServer unsized(TRawHttpServer::Answer("HTTP/1.0 200 OK\r\n\r\n" + data));
  TRawHttpServer short_body(TRawHttpServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 3001\r\n\r\n" + data));
  {
    Recorder r;
    r.get.URL = Utf8ToUtf16(sized.Url("/f"));
    r.get.FileName = Utf8ToUtf16(target);
    r.get.WaitThread = true;  // GetFile returns after the event
    r.get.GetFile();
    EXPECT_FALSE(r.get.InUse());
    ASSERT_EQ(r.files.size(), 1u);
    EXPECT_EQ(r.files[0], std::make_pair(Utf8ToUtf16(target), 3000));
    std::ifstream in(target, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == data);
  }
  for (const std::string& url : {unsized.Url("/f"), short_body.Url("/f")}) {
    Recorder r;
    r.get.URL = Utf8ToUtf16(url);
    r.get.FileName = Utf8ToUtf16(target);
    r.get.WaitThread = true;
    r.get.GetFile();
    EXPECT_EQ(r.errors, 1);
    EXPECT_EQ(r.Events(), 1);
  }
  {
    Recorder r;  // a text fetch that demands a Content-Length
    r.get.BinaryData = true;
    r.Fetch(unsized.Url("/f"));
    EXPECT_EQ(r.errors, 1);
  }
  {
    Recorder r;  // a target that cannot be created
    r.get.URL = Utf8ToUtf16(sized.Url("/f"));
    r.get.FileName = Utf8ToUtf16((folder / "missing" / "x.bin").string());
    r.get.WaitThread = true;
    r.get.GetFile();
    EXPECT_EQ(r.errors, 1);
  }
  std::filesystem::remove_all(folder);
}

TEST(BrixHttpGetTest, PostQueryIsSentFormEncodedInTheCodePage) {
  std::vector<std::string> requests;
  std::mutex lock;
  TRawHttpServer server(TRawHttpServer::Answer("HTTP/1.0 200 OK\r\n\r\nposted", &requests, &lock));
  Recorder r;
  r.get.PostQuery = u"name=Ж&x=1";
  r.get.Referer = u"http://shop/";
  r.Fetch(server.Url("/form"));
  EXPECT_EQ(r.strings, std::vector<std::u16string>{u"posted"});
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].substr(0, 21), "POST /form HTTP/1.0\r\n");
  EXPECT_NE(requests[0].find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"), std::string::npos);
  EXPECT_NE(requests[0].find("\r\nReferer: http://shop/\r\n"), std::string::npos);
  EXPECT_NE(requests[0].find("\r\nContent-Length: 10\r\n"), std::string::npos);
  EXPECT_EQ(requests[0].substr(requests[0].size() - 10), "name=\xC6&x=1");
}

TEST(BrixHttpGetTest, DropOfflineGoesOnlineBeforeTheRequest) {
  TRawHttpServer server(TRawHttpServer::Answer("HTTP/1.0 200 OK\r\n\r\nonline"));
  INTERNET_CONNECTED_INFO offline{INTERNET_STATE_DISCONNECTED_BY_USER, 0};
  ASSERT_TRUE(InternetSetOption(0, INTERNET_OPTION_CONNECTED_STATE, &offline, sizeof offline));
  Recorder stays_offline;
  stays_offline.Fetch(server.Url("/"));
  EXPECT_EQ(stays_offline.errors, 1);
  Recorder r;
  r.get.DropOffline = true;
  r.Fetch(server.Url("/"));
  EXPECT_EQ(r.strings, std::vector<std::u16string>{u"online"});
  EXPECT_TRUE(InternetGetConnectedState(nullptr, 0));
}

TEST(BrixHttpGetTest, DestroyingARunningFetchRaisesNoEventAndDoesNotHang) {
  TRawHttpServer silent([](TRawConnection& c) { c.WaitForClose(); });
  auto* get = new TBrix_HTTPGet(nullptr);
  int events = 0;
  get->OnDoneString = [&](TBrix_HTTPGet*, const std::u16string&) { ++events; };
  get->OnError = [&](TBrix_HTTPGet*) { ++events; };
  get->URL = Utf8ToUtf16(silent.Url("/"));
  get->GetString();
  delete get;  // the 30-second receive wait is cut short by the closed session
  DrainThreadCalls();
  EXPECT_EQ(events, 0);
}

TEST(BrixHttpGetTest, AHandlersExceptionGoesToTheErrorReportAndTheFetcherIsFreeAgain) {
  TRawHttpServer server(TRawHttpServer::Answer("HTTP/1.0 200 OK\r\n\r\nok"));
  TReportedErrors reported;
  TBrix_HTTPGet get(nullptr);
  get.OnDoneString = [](TBrix_HTTPGet*, const std::u16string&) { throw std::runtime_error("handler failed"); };
  get.URL = Utf8ToUtf16(server.Url("/"));
  get.GetString();
  WaitForCompletion(get);
  EXPECT_EQ(reported.texts, std::vector<std::string>{"handler failed"});
  EXPECT_FALSE(get.InUse());
}

TEST(BrixHttpGetTest, PropertiesStartWithTheirDefaultsAndAgentKindSetsTheAgent) {
  TBrix_HTTPGet get(nullptr);
  EXPECT_EQ(get.AcceptTypes, u"*/*");
  EXPECT_EQ(get.Agent, u"BrixDownloadManager");
  EXPECT_EQ(get.AgentKind(), akIE5);
  EXPECT_FALSE(get.BinaryData || get.UseCache || get.WaitThread || get.DropOffline || get.InUse());
  EXPECT_EQ(get.Port, hpDefault);
  get.SetAgentKind(akIE4);
  EXPECT_EQ(get.Agent, u"Mozilla/4.0 (compatible; MSIE 4.01; Windows NT 5.0)");
  get.SetAgentKind(akIE6);
  EXPECT_EQ(get.Agent, u"Mozilla/4.0 (compatible; MSIE 6.01; Windows NT 5.0)");
  get.SetAgentKind(akBrix);
  EXPECT_EQ(get.Agent, u"BrixDownloadManager");
  get.Agent = u"Own";
  EXPECT_EQ(get.Agent, u"Own");
  EXPECT_EQ(get.AgentKind(), akBrix);
}

TEST(BrixHttpGetTest, AThreadThatCannotStartLeavesTheFetcherIdle) {
  TRawHttpServer server([](TRawConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.0 200 OK\r\n\r\nok");
  });
  Recorder r;
  r.get.URL = Utf8ToUtf16("http://127.0.0.1:" + std::to_string(server.Port()) + "/upload");
  {
    TFailedThreadStarts no_threads;
    EXPECT_THROW(r.get.GetString(), std::system_error);
  }
  EXPECT_FALSE(r.get.InUse());
  r.Fetch("http://127.0.0.1:" + std::to_string(server.Port()) + "/upload");
  EXPECT_EQ(r.strings, std::vector<std::u16string>{u"ok"});
  EXPECT_EQ(r.errors, 0);
}

// The fetcher over HTTPS, trusting an authority of the test's own.
class BrixHttpGetTlsTest : public ::testing::Test {
 protected:
  TTestAuthority authority_;
  TTrustedAuthority trusted_{authority_};
};

TEST_F(BrixHttpGetTlsTest, AnHttpsUrlIsFetchedOverTls) {
  std::vector<std::string> requests;
  std::mutex lock;
  TTlsTestServer server(authority_.Issue(kLoopbackNames),
                        TTlsTestServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nok\r\n", &requests, &lock));
  for (const std::string& url : {server.Url("/upload?user=shop&pass=x"), server.Url("/upload?user=shop&pass=x", "LOCALHOST")}) {
    SCOPED_TRACE(url);
    for (const char* prefix : {"https", "HTTPS"}) {
      Recorder r;
      r.get.Port = hpBrix;  // the URL's port counts
      r.Fetch(prefix + url.substr(5));
      EXPECT_EQ(r.strings, std::vector<std::u16string>{u"ok\r\n"});
      EXPECT_EQ(r.Events(), 1);
    }
  }
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET /upload?user=shop&pass=x HTTP/1.0");
  EXPECT_NE(requests[0].find("\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"), std::string::npos);
}

TEST_F(BrixHttpGetTlsTest, ARefusedCertificateEndsInOnErrorWithNothingSent) {
  const TServerIdentity identities[] = {authority_.Issue("DNS:shop.example"),
                                        TTestAuthority::SelfSigned(kLoopbackNames),
                                        authority_.Issue(kLoopbackNames, -30, -1)};
  for (const TServerIdentity& identity : identities) {
    TTlsTestServer server(identity, TTlsTestServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    Recorder r;
    r.Fetch(server.Url("/upload?user=shop&pass=x"));
    EXPECT_EQ(r.errors, 1);
    EXPECT_EQ(r.Events(), 1);
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_EQ(server.Handshakes(), 0);
  }
}

TEST_F(BrixHttpGetTlsTest, AbortEndsAFetchWhoseHandshakeStalls) {
  TTlsTestServer server(authority_.Issue(kLoopbackNames), nullptr, TTlsTestServer::Mode::kStallInHandshake);
  Recorder r;
  r.get.URL = Utf8ToUtf16(server.Url("/upload"));
  const auto start = std::chrono::steady_clock::now();
  r.get.GetString();
  while (server.Connections() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  r.get.Abort();  // well before the 30-second wait would end
  WaitForCompletion(r.get);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(r.errors, 1);
  EXPECT_EQ(r.Events(), 1);
}

}  // namespace
