#include "upload/clUploader.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/events.h"
#include "platform/thread_calls.h"
#include "platform/utf.h"
#include "tests/common/failed_thread_starts.h"
#include "tests/common/raw_http_server.h"
#include "tests/common/test_certificates.h"
#include "tests/common/tls_test_server.h"
#include "upload/clHttpRequest.h"

namespace {

using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::u16string>;

std::string Bytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 % 256);
  return bytes;
}

// A cpp-httplib server on 127.0.0.1 that takes form posts to "/upload" and answers "ok".
class TFormServer {
 public:
  TFormServer() {
    server_.Post("/upload", [this](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard guard(lock_);
      requests_.push_back(request);
      response.set_content("ok\r\n", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~TFormServer() {
    server_.stop();
    thread_.join();
  }
  std::u16string Url(const std::string& query) const {
    return Utf8ToUtf16("http://127.0.0.1:" + std::to_string(port_) + "/upload" + query);
  }
  std::vector<httplib::Request> Requests() {
    std::lock_guard guard(lock_);
    return requests_;
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex lock_;
  std::vector<httplib::Request> requests_;
};

// An uploader set up as the agent's, with short pauses, its events written to a log.
class UploaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("tarvo_uploader_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_ / "sub dir");
    u_.SetTimeOut(5000);
    u_.SetReconnectAfter(20);
    u_.InternetAgent = u"Mozilla/4.0 (compatible; Tarvo Uploader)";
    u_.SetUseHttpRequest(true);
    u_.SetHttpRequest(&request_);
    u_.SetRequestMethod(u"POST");
    const std::thread::id main = std::this_thread::get_id();
    auto on_main = [this, main] { off_main_ |= std::this_thread::get_id() != main; };
    u_.OnStatusChanged = [this, on_main](TclCustomInternetControl*, TclProcessStatus status) {
      on_main();
      log_.push_back("status " + std::to_string(status));
      if (status != psProcess) response_at_final_status_ = u_.HttpResponse();
    };
    u_.OnDataItemProceed = [this, on_main](TclCustomInternetControl*, TclResourceInfo*,
                                           TclResourceStateItem* state, const char*, int size) {
      on_main();
      log_.push_back("progress " + std::to_string(state->BytesProceed) + "/" +
                     std::to_string(state->BytesToProceed));
      block_sizes_.push_back(size);
    };
    u_.OnError = [this, on_main](TclCustomInternetControl*, const std::u16string& error, int code) {
      on_main();
      log_.push_back("error " + Utf16ToUtf8(error) + " " + std::to_string(code));
    };
    u_.OnIsBusyChanged = [this, on_main](TclCustomInternetControl* sender) {
      on_main();
      log_.push_back(std::string("busy ") + (sender->IsBusy() ? "1" : "0"));
    };
    u_.OnProcessCompleted = [this, on_main](TclCustomInternetControl* sender) {
      on_main();
      log_.push_back(std::string("completed, busy ") + (sender->IsBusy() ? "1" : "0"));
      ++completions_;
      if (then_) {
        auto next = std::move(then_);
        next();
      }
      completed_.Set();
    };
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string MakeFile(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Sets the request body to one submitted file, as the agent does before each upload.
  void Submit(const std::string& path, const std::u16string& url) {
    u_.SetLocalFile(Utf8ToUtf16(path));
    u_.SetURL(url);
    request_.Clear();
    request_.AddSubmitFile(u"filename", Utf8ToUtf16(path));
  }
  // Runs the main thread's calls until `count` transfers have completed.
  void WaitForCompletions(int count = 1) {
    TEvent* events[] = {&completed_};
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (completions_ < count && Clock::now() < deadline) WaitForAnyEventDrainingCalls(events, 100);
    ASSERT_EQ(completions_, count);
  }
  // The log without the progress entries.
  std::vector<std::string> Outline() const {
    std::vector<std::string> outline;
    for (const std::string& entry : log_)
      if (entry.rfind("progress", 0) != 0) outline.push_back(entry);
    return outline;
  }

  std::filesystem::path dir_;
  TclHttpRequest request_{nullptr};
  TclUploader u_{nullptr};
  std::vector<std::string> log_;
  std::vector<int> block_sizes_;
  Lines response_at_final_status_{u"unset"};
  std::function<void()> then_;  // run once from the next OnProcessCompleted
  int completions_ = 0;
  bool off_main_ = false;
  TEvent completed_;
};

TEST_F(UploaderTest, TheAgentsUploadReachesTheServerIntact) {
  TFormServer server;
  const std::string bytes = Bytes(20000);
  const std::string path = MakeFile("sub dir/output.html", bytes);
  Submit(path, server.Url("?user=u&pass=p&price=1"));
  const std::int64_t total = request_.TotalSize();
  u_.Start(true);
  EXPECT_TRUE(u_.IsBusy());
  WaitForCompletions();

  const std::vector<httplib::Request> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const httplib::Request& r = requests[0];
  EXPECT_EQ(r.get_param_value("price"), "1");
  EXPECT_EQ(r.get_header_value("Content-Length"), std::to_string(total));
  EXPECT_EQ(r.get_header_value("Accept"), "*/*");
  EXPECT_EQ(r.get_header_value("User-Agent"), "Mozilla/4.0 (compatible; Tarvo Uploader)");
  const std::string type = r.get_header_value("Content-Type");
  const std::string prefix = "multipart/form-data; boundary=";
  ASSERT_EQ(type.substr(0, prefix.size()), prefix);
  EXPECT_EQ(type.size() - prefix.size(), 39u);
  EXPECT_EQ(type.substr(prefix.size(), 27), std::string(27, '-'));
  ASSERT_EQ(r.files.size(), 1u);
  ASSERT_TRUE(r.has_file("filename"));
  const httplib::MultipartFormData file = r.get_file_value("filename");
  EXPECT_EQ(file.filename, "output.html");
  EXPECT_EQ(file.content_type, "application/octet-stream");
  EXPECT_EQ(file.content.size(), bytes.size());
  EXPECT_TRUE(file.content == bytes);

  // Events: busy, psProcess, a block at a time, psSuccess, idle, completion.
  const std::string t = "/" + std::to_string(total);
  std::vector<std::string> expected = {"busy 1", "status 4"};
  for (std::int64_t done = 8192; done < total; done += 8192)
    expected.push_back("progress " + std::to_string(done) + t);
  expected.insert(expected.end(), {"progress " + std::to_string(total) + t, "status 1", "busy 0",
                                   "completed, busy 0"});
  EXPECT_EQ(log_, expected);
  EXPECT_FALSE(off_main_);
  EXPECT_TRUE(response_at_final_status_.empty());  // filled only after the final status
  EXPECT_EQ(u_.HttpResponse(), Lines{u"ok"});
  ASSERT_FALSE(u_.HttpResponseHeader().empty());
  EXPECT_EQ(u_.HttpResponseHeader()[0], u"HTTP/1.1 200 OK");
  EXPECT_EQ(u_.Errors().Count(), 0);
  EXPECT_EQ(u_.ResourceState().BytesProceed(), total);
  EXPECT_EQ(u_.ResourceConnectionCount(), 0);
}

TEST_F(UploaderTest, AZeroByteFileMakesTheSmallestBody) {
  TFormServer server;
  const std::string path = MakeFile("empty.html", "");
  Submit(path, server.Url("?price=2"));
  const std::string part_header =
      "Content-Disposition: form-data; name=\"filename\"; filename=\"empty.html\"\r\n"
      "Content-Type: application/octet-stream\r\n\r\n";
  EXPECT_EQ(request_.TotalSize(), static_cast<std::int64_t>(45 + part_header.size() + 45));
  u_.Start(true);
  WaitForCompletions();
  const std::vector<httplib::Request> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].get_header_value("Content-Length"), std::to_string(45 + part_header.size() + 45));
  ASSERT_TRUE(requests[0].has_file("filename"));
  EXPECT_EQ(requests[0].get_file_value("filename").filename, "empty.html");
  EXPECT_EQ(requests[0].get_file_value("filename").content, "");
  EXPECT_EQ(block_sizes_, (std::vector<int>{static_cast<int>(90 + part_header.size())}));
}

TEST_F(UploaderTest, AServerErrorEndsFailedWithOneError) {
  TRawHttpServer server(TRawHttpServer::Answer("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n"));
  Submit(MakeFile("output.html", "<table></table>"), Utf8ToUtf16(server.Url("/upload?price=1")));
  u_.Start(true);
  WaitForCompletions();
  EXPECT_EQ(server.Connections(), 5);
  EXPECT_EQ(Outline(), (std::vector<std::string>{
                           "busy 1", "status 4", "error HTTP resource access error occured, code = 500 500",
                           "status 2", "busy 0", "completed, busy 0"}));
  ASSERT_EQ(u_.Errors().Count(), 1);
  EXPECT_EQ(u_.Errors().Items(0).Code, 500);
}

TEST_F(UploaderTest, AServerThatNeverAnswersTimesOut) {
  TRawHttpServer server([](TRawConnection& c) {
    c.ReadRequest();
    c.WaitForClose();
  });
  u_.SetTimeOut(100);
  u_.SetTryCount(1);
  Submit(MakeFile("output.html", "x"), Utf8ToUtf16(server.Url("/upload")));
  u_.Start(true);
  WaitForCompletions();
  EXPECT_EQ(Outline(), (std::vector<std::string>{"busy 1", "status 4", "error Request timeout 258",
                                                 "status 2", "busy 0", "completed, busy 0"}));
}

TEST_F(UploaderTest, AStopDuringThePauseEndsTerminatedAndCompletes) {
  TEvent answered;
  TRawHttpServer server([&](TRawConnection& c) {
    c.ReadRequest();
    c.Send("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n");
    c.WaitForClose();  // the attempt is over: the worker pauses now
    answered.Set();
  });
  u_.SetReconnectAfter(60000);
  Submit(MakeFile("output.html", "x"), Utf8ToUtf16(server.Url("/upload")));
  const auto start = Clock::now();
  u_.Start(true);
  TEvent* events[] = {&answered};
  ASSERT_EQ(WaitForAnyEventDrainingCalls(events, 30000), 0);
  u_.Stop();
  WaitForCompletions();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(Outline(), (std::vector<std::string>{"busy 1", "status 4", "status 5", "busy 0",
                                                 "completed, busy 0"}));
  EXPECT_EQ(server.Connections(), 1);
}

TEST_F(UploaderTest, StartWhileBusyRaisesAndStartFromCompletionWorks) {
  TFormServer server;
  const std::string first = MakeFile("output.html", "first");
  const std::string second = MakeFile("output2.html", "second");
  Submit(first, server.Url("?price=1"));
  u_.Start(true);
  try {
    u_.Start(true);
    ADD_FAILURE() << "a second start while busy";
  } catch (const EclInternetError& e) {
    EXPECT_EQ(e.Message(), u"Operation is in progress");
    EXPECT_EQ(e.ErrorCode(), -1);
  }
  then_ = [&] {
    Submit(second, server.Url("?price=2"));
    u_.Start(true);
  };
  WaitForCompletions(2);
  const std::vector<httplib::Request> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].get_file_value("filename").content, "first");
  EXPECT_EQ(requests[1].get_file_value("filename").content, "second");
  EXPECT_EQ(requests[1].get_param_value("price"), "2");
  EXPECT_EQ(Outline(), (std::vector<std::string>{"busy 1", "status 4", "status 1", "busy 0",
                                                 "completed, busy 0", "busy 1", "status 4",
                                                 "status 1", "busy 0", "completed, busy 0"}));
}

TEST_F(UploaderTest, ABodyOverTheLimitIsRefusedSilentlyAndNotKept) {
  TFormServer server;
  Submit(MakeFile("output.html", std::string(100, 'a')), server.Url("?price=1"));
  u_.SetMaxResourceSize(50);
  u_.Start(true);
  EXPECT_FALSE(u_.IsBusy());
  EXPECT_EQ(u_.ResourceConnectionCount(), 0);
  EXPECT_TRUE(log_.empty());
  // The refused body is not sent later: the next start builds the edited request anew.
  u_.SetMaxResourceSize(0);
  request_.Clear();
  request_.AddSubmitFile(u"filename", Utf8ToUtf16(MakeFile("output2.html", "new")));
  u_.Start(true);
  WaitForCompletions();
  const std::vector<httplib::Request> requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].get_file_value("filename").content, "new");
  EXPECT_EQ(requests[0].get_file_value("filename").filename, "output2.html");
}

TEST_F(UploaderTest, ABodyThatCannotBeBuiltRaisesFromStart) {
  Submit((dir_ / "missing.html").string(), u"http://127.0.0.1:1/upload");
  EXPECT_THROW(u_.Start(true), EFOpenError);
  EXPECT_FALSE(u_.IsBusy());
  DrainThreadCalls();
  EXPECT_TRUE(log_.empty());
}

TEST_F(UploaderTest, AThreadThatCannotStartLeavesTheUploaderIdle) {
  TFormServer server;
  Submit(MakeFile("output.html", "list"), server.Url("?price=1"));
  {
    TFailedThreadStarts no_threads;
    EXPECT_THROW(u_.Start(true), std::system_error);
  }
  EXPECT_FALSE(u_.IsBusy());
  DrainThreadCalls();
  EXPECT_TRUE(log_.empty());
  u_.Start(true);  // not "in progress"
  WaitForCompletions();
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].get_file_value("filename").content, "list");
}

TEST_F(UploaderTest, ControlBytesOfTheResponseShowAsTheDefaultChar) {
  const std::string response = std::string("a\0\1\2\3\4\5\6\7\x08\tb\r\nc\xC0", 16);
  TRawHttpServer server(TRawHttpServer::Answer(
      "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(response.size()) + "\r\n\r\n" + response));
  Submit(MakeFile("output.html", "x"), Utf8ToUtf16(server.Url("/upload")));
  u_.Start(false);  // returns when the transfer has ended
  EXPECT_EQ(completions_, 1);
  EXPECT_EQ(u_.HttpResponse(), (Lines{u"a" + std::u16string(9, u'\u0402') + u"\tb", u"cА"}));
  EXPECT_EQ(TclResponseText(std::string("x\0y", 3), '?'), Lines{u"x?y"});
}

TEST_F(UploaderTest, DefaultsAndSettersThatIgnoreBadValues) {
  TclUploader u(nullptr);
  EXPECT_EQ(u.TryCount(), 5);
  EXPECT_EQ(u.BatchSize(), 8192);
  EXPECT_EQ(u.TimeOut(), 5000);
  EXPECT_EQ(u.ReconnectAfter(), 5000);
  EXPECT_EQ(u.MinResourceSize(), 0);
  EXPECT_EQ(u.MaxResourceSize(), 0);
  EXPECT_EQ(u.DefaultChar(), '\x80');
  EXPECT_EQ(u.InternetAgent, u"Mozilla/4.0 (compatible; Tarvo Uploader 7.1)");
  EXPECT_EQ(u.HttpProxySettings.AuthenticationType, atAutoDetect);
  EXPECT_EQ(u.HttpProxySettings.Port, 8080);
  EXPECT_EQ(u.ThreadCount(), 1);
  EXPECT_EQ(u.Priority(), ppNormal);
  EXPECT_EQ(u.RequestMethod(), u"PUT");
  EXPECT_FALSE(u.UseHttpRequest());
  EXPECT_FALSE(u.IsBusy());
  for (int bad : {0, -1}) {
    u.SetTryCount(bad);
    u.SetBatchSize(bad);
    u.SetTimeOut(bad);
    u.SetReconnectAfter(bad);
  }
  u.SetMinResourceSize(-1);
  u.SetDefaultChar('\x1F');
  u.SetThreadCount(11);
  EXPECT_EQ(u.TryCount(), 5);
  EXPECT_EQ(u.BatchSize(), 8192);
  EXPECT_EQ(u.TimeOut(), 5000);
  EXPECT_EQ(u.ReconnectAfter(), 5000);
  EXPECT_EQ(u.MinResourceSize(), 0);
  EXPECT_EQ(u.DefaultChar(), '\x80');
  EXPECT_EQ(u.ThreadCount(), 1);
  u.SetUseHttpRequest(true);
  EXPECT_EQ(u.RequestMethod(), u"POST");
  u.SetUseHttpRequest(false);
  EXPECT_EQ(u.RequestMethod(), u"PUT");

  int changes = 0;
  u.OnChanged = [&](TclCustomInternetControl*) { ++changes; };
  u.SetURL(u"http://me:pw@shop.example/upload?price=1");
  EXPECT_EQ(u.UserName(), u"me");
  EXPECT_EQ(u.Password(), u"pw");
  u.SetURL(u"http://me:pw@shop.example/upload?price=1");  // unchanged: no change step
  EXPECT_EQ(changes, 1);
}

TEST_F(UploaderTest, DestroyingARunningUploaderStopsItQuietly) {
  TEvent received;
  TRawHttpServer server([&](TRawConnection& c) {
    c.ReadRequest();
    received.Set();
    c.WaitForClose();
  });
  auto u = std::make_unique<TclUploader>(nullptr);
  int events = 0;
  u->OnProcessCompleted = [&](TclCustomInternetControl*) { ++events; };
  u->SetTimeOut(60000);
  u->SetDataStream(nullptr);
  TMemoryStream body(std::string("abc"));
  u->SetDataStream(&body);
  u->SetURL(Utf8ToUtf16(server.Url("/upload")));
  u->Start(true);
  TEvent* wait[] = {&received};
  ASSERT_EQ(WaitForAnyEventDrainingCalls(wait, 30000), 0);
  const auto start = Clock::now();
  u.reset();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(events, 0);
}

// The agent's upload to an HTTPS service that an authority of the test's own vouches for.
class UploaderTlsTest : public UploaderTest {
 protected:
  // Runs the main thread's calls until the server has taken a connection.
  void WaitForConnection(const TTlsTestServer& server) {
    TEvent never;
    TEvent* events[] = {&never};
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (server.Connections() == 0 && Clock::now() < deadline) WaitForAnyEventDrainingCalls(events, 10);
    ASSERT_GT(server.Connections(), 0);
  }

  TTestAuthority authority_;
  TTrustedAuthority trusted_{authority_};
};

TEST_F(UploaderTlsTest, ALargeUploadArrivesIntactOverHttps) {
  std::vector<std::string> requests;
  std::mutex lock;
  TTlsTestServer server(authority_.Issue(kLoopbackNames),
                        TTlsTestServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nok\r\n", &requests, &lock));
  const std::string bytes = Bytes(5 * 1024 * 1024 + 3);
  Submit(MakeFile("output.html", bytes), Utf8ToUtf16(server.Url("/upload?user=u&pass=p&price=1")));
  const std::int64_t total = request_.TotalSize();
  u_.Start(true);
  WaitForCompletions();
  EXPECT_EQ(Outline(), (std::vector<std::string>{"busy 1", "status 4", "status 1", "busy 0", "completed, busy 0"}));
  EXPECT_EQ(u_.HttpResponse(), Lines{u"ok"});
  ASSERT_EQ(requests.size(), 1u);
  const std::string& sent = requests[0];
  EXPECT_EQ(sent.substr(0, sent.find("\r\n")), "POST /upload?user=u&pass=p&price=1 HTTP/1.1");
  EXPECT_NE(sent.find("\r\nContent-Length: " + std::to_string(total) + "\r\n"), std::string::npos);
  const size_t body = sent.find("\r\n\r\n") + 4;
  ASSERT_EQ(sent.size() - body, static_cast<size_t>(total));
  const size_t at = sent.find(bytes, body);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(sent.size() - at - bytes.size(), 47u);  // then only "\r\n--<boundary>--\r\n"
}

TEST_F(UploaderTlsTest, ARefusedCertificateFailsTheUploadWithNothingSent) {
  const struct {
    const char* name;
    TServerIdentity identity;
    const char* error;
  } cases[] = {
      {"another host name", authority_.Issue("DNS:shop.example"),
       "error The server's certificate was issued for another host name 12038"},
      {"self-signed", TTestAuthority::SelfSigned(kLoopbackNames),
       "error The server's certificate was issued by an authority that is not trusted 12045"},
      {"expired", authority_.Issue(kLoopbackNames, -30, -1),
       "error The server's certificate has expired or is not yet valid 12037"},
  };
  // Certificate flags that would ignore each fault change nothing either.
  for (TclCertificateFlags flags : {0u, cfIgnoreCommonNameInvalid | cfIgnoreDateInvalid | cfIgnoreUnknownAuthority |
                                            cfIgnoreRevocation | cfIgnoreWrongUsage}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", flags " + std::to_string(flags));
      TTlsTestServer server(c.identity, TTlsTestServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
      log_.clear();
      completions_ = 0;
      u_.SetCertificateFlags(flags);
      u_.SetTryCount(2);
      Submit(MakeFile("output.html", "x"), Utf8ToUtf16(server.Url("/upload?user=u&pass=p")));
      u_.Start(true);
      WaitForCompletions();
      EXPECT_EQ(Outline(), (std::vector<std::string>{"busy 1", "status 4", c.error, "status 2", "busy 0",
                                                     "completed, busy 0"}));
      EXPECT_GT(server.Connections(), 0);
      EXPECT_EQ(server.Handshakes(), 0);
    }
  }
}

TEST_F(UploaderTlsTest, AStalledHandshakeTimesOutOrEndsWithStop) {
  TTlsTestServer server(authority_.Issue(kLoopbackNames), nullptr, TTlsTestServer::Mode::kStallInHandshake);
  u_.SetTimeOut(100);
  u_.SetTryCount(1);
  Submit(MakeFile("output.html", "x"), Utf8ToUtf16(server.Url("/upload")));
  u_.Start(true);
  WaitForCompletions();
  EXPECT_EQ(Outline(), (std::vector<std::string>{"busy 1", "status 4", "error Request timeout 258", "status 2",
                                                 "busy 0", "completed, busy 0"}));

  log_.clear();
  completions_ = 0;
  u_.SetTimeOut(60000);
  u_.SetTryCount(5);  // the agent's: the stopped attempt is not the last one
  TTlsTestServer stalled(authority_.Issue(kLoopbackNames), nullptr, TTlsTestServer::Mode::kStallInHandshake);
  Submit(MakeFile("output.html", "x"), Utf8ToUtf16(stalled.Url("/upload")));
  const auto start = Clock::now();
  u_.Start(true);
  WaitForConnection(stalled);
  u_.Stop();
  WaitForCompletions();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(Outline(), (std::vector<std::string>{"busy 1", "status 4", "status 5", "busy 0", "completed, busy 0"}));
}

}  // namespace
