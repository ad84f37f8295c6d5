#include "upload/clConnection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/last_error.h"
#include "tests/common/raw_http_server.h"

namespace {

using Clock = std::chrono::steady_clock;

// The handles of one attempt, opened through the connection as an upload opens them.
struct Attempt {
  Attempt(TclInternetConnection* connection, int port, int timeout = 5000) {
    open = std::make_unique<TclInternetOpenAction>(connection, u"Agent", INTERNET_OPEN_TYPE_PRECONFIG,
                                                   u"", u"", 0);
    open->FireAction(-1);
    const HINTERNET root = open->Resource();
    connect = std::make_unique<TclConnectAction>(connection, root, u"127.0.0.1",
                                                 static_cast<INTERNET_PORT>(port), u"", u"",
                                                 INTERNET_SERVICE_HTTP, 0);
    connect->FireAction(timeout);
    request = std::make_unique<TclHttpOpenRequestAction>(
        connection, root, connect->Resource(), u"POST", u"/upload", u"", u"",
        std::vector<std::u16string>{}, INTERNET_FLAG_RELOAD);
    request->FireAction(timeout);
  }
  HINTERNET Root() const { return connect->Internet(); }
  // Freed in reverse order: request, connection, root.
  std::unique_ptr<TclInternetOpenAction> open;
  std::unique_ptr<TclConnectAction> connect;
  std::unique_ptr<TclHttpOpenRequestAction> request;
};

TclHttpSendRequestAction* Send(TclInternetConnection* connection, const Attempt& a) {
  return new TclHttpSendRequestAction(connection, a.Root(), a.request->Resource(), u"", "x", 1);
}

TEST(InternetConnectionTest, ASlowCallTimesOutAndTheNextRootHandleWorks) {
  TRawHttpServer slow([&](TRawConnection& c) {
    c.ReadRequest();
    c.WaitForClose();
  });
  TRawHttpServer fine(TRawHttpServer::Answer("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
  TclInternetConnection connection;
  {
    Attempt a(&connection, slow.Port());
    std::unique_ptr<TclHttpSendRequestAction> send(Send(&connection, a));
    const auto start = Clock::now();
    try {
      send->FireAction(100);
      ADD_FAILURE() << "no time-out";
    } catch (const EclTimeoutInternetError& e) {
      EXPECT_EQ(e.ErrorCode(), 258);
      EXPECT_EQ(e.Message(), u"Request timeout");
    }
    // Far below the client's own 30-second wait: the closed root handle ended the call.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(send->Internet(), 0u);       // the root handle is closed and forgotten
    EXPECT_EQ(a.open->Resource(), 0u);     // also by the action that opened it
  }
  Attempt b(&connection, fine.Port());
  std::unique_ptr<TclHttpSendRequestAction> send(Send(&connection, b));
  EXPECT_TRUE(send->FireAction(5000));
  char body[8];
  TclInternetReadFileAction read(&connection, b.Root(), b.request->Resource());
  read.SetBuffer(body, sizeof body);
  EXPECT_TRUE(read.FireAction(5000));
  EXPECT_EQ(std::string(body, read.NumberOfBytesRead()), "ok");
  read.FireAction(5000);
  EXPECT_EQ(read.NumberOfBytesRead(), 0u);
}

TEST(InternetConnectionTest, AStopWhileIdleMakesTheNextCallReturnAtOnce) {
  TRawHttpServer silent([](TRawConnection& c) { c.WaitForClose(); });
  TclInternetConnection connection;
  Attempt a(&connection, silent.Port());
  connection.Stop();
  std::unique_ptr<TclHttpSendRequestAction> send(Send(&connection, a));
  // No time-out: only the stop ends this call, by closing its root handle.
  try {
    send->FireAction(-1);
    ADD_FAILURE() << "the cancelled call succeeded";
  } catch (const EclTimeoutInternetError&) {
    ADD_FAILURE() << "a stop is no time-out";
  } catch (const EclInternetError& e) {
    // Cancelled while running, or refused for its closed handle when cancelled before.
    EXPECT_TRUE(e.ErrorCode() == static_cast<int>(ERROR_INTERNET_OPERATION_CANCELLED) ||
                e.ErrorCode() == static_cast<int>(ERROR_INVALID_HANDLE))
        << e.ErrorCode();
  }
}

TEST(InternetConnectionTest, AStopFromAnotherThreadEndsTheCallInProgress) {
  std::promise<void> accepted;
  TRawHttpServer silent([&](TRawConnection& c) {
    c.ReadRequest();
    accepted.set_value();
    c.WaitForClose();
  });
  TclInternetConnection connection;
  Attempt a(&connection, silent.Port());
  std::thread stopper([&] {
    accepted.get_future().wait();
    connection.Stop();
  });
  std::unique_ptr<TclHttpSendRequestAction> send(Send(&connection, a));
  EXPECT_FALSE(send->FireAction(-1, /*ASilent=*/true));
  EXPECT_EQ(send->ErrorCode(), static_cast<int>(ERROR_INTERNET_OPERATION_CANCELLED));
  stopper.join();
}

TEST(InternetConnectionTest, NoLimitWaitsAsLongAsTheCallTakes) {
  TRawHttpServer late([](TRawConnection& c) {
    c.ReadRequest();
    c.Pause(300);
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  });
  TclInternetConnection connection;
  Attempt a(&connection, late.Port());
  std::unique_ptr<TclHttpSendRequestAction> send(Send(&connection, a));
  EXPECT_TRUE(send->FireAction(-1));
}

TEST(InternetConnectionTest, AFailedCallRaisesTheClientsErrorWithItsMessage) {
  TclInternetConnection connection;
  {
    Attempt a(&connection, TRawHttpServer::UnusedPort());
    std::unique_ptr<TclHttpSendRequestAction> send(Send(&connection, a));
    try {
      send->FireAction(5000);
      ADD_FAILURE() << "no error";
    } catch (const EclInternetError& e) {
      EXPECT_EQ(e.ErrorCode(), 12029);
      EXPECT_EQ(e.Message(), u"A connection with the server could not be established");
    }
    EXPECT_FALSE(send->FireAction(5000, /*ASilent=*/true));
    EXPECT_EQ(send->ErrorCode(), 12029);
  }
}

TEST(InternetConnectionTest, TheUploadCallSequenceRunsThroughTheActions) {
  std::vector<std::string> requests;
  std::mutex lock;
  TRawHttpServer server(TRawHttpServer::Answer(
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nyes\r\n0\r\n\r\n", &requests, &lock));
  TclInternetConnection connection;
  Attempt a(&connection, server.Port());
  const HINTERNET request = a.request->Resource();
  const std::string headers = "Accept: */*\r\nContent-Length: 20000\r\nContent-Type: multipart/form-data; boundary=b";
  EXPECT_TRUE(HttpAddRequestHeaders(request, headers, HTTP_ADDREQ_FLAG_ADD_IF_NEW));
  std::string body(20000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
  INTERNET_BUFFERS in;
  in.dwBufferTotal = static_cast<DWORD>(body.size());
  TclHttpSendRequestExAction send(&connection, a.Root(), request, &in, nullptr, HSR_INITIATE);
  TclHttpEndRequestAction end(&connection, a.Root(), request, nullptr, HSR_INITIATE);
  send.FireAction(5000);
  TclInternetWriteFileAction write(&connection, a.Root(), request);
  std::vector<DWORD> blocks;
  for (size_t at = 0; at < body.size(); at += 8192) {
    const DWORD size = static_cast<DWORD>(std::min<size_t>(8192, body.size() - at));
    write.SetBuffer(body.data() + at, size);
    write.FireAction(5000);
    blocks.push_back(write.NumberOfBytesWritten());
  }
  EXPECT_EQ(blocks, (std::vector<DWORD>{8192, 8192, 3616}));
  end.FireAction(5000);
  DWORD status = 0, length = sizeof status;
  ASSERT_TRUE(HttpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length, nullptr));
  EXPECT_EQ(status, 200u);
  std::string response;
  char buffer[8192];
  TclInternetReadFileAction read(&connection, a.Root(), request);
  do {
    read.SetBuffer(buffer, sizeof buffer);
    read.FireAction(5000);
    response.append(buffer, read.NumberOfBytesRead());
  } while (read.NumberOfBytesRead() > 0);
  EXPECT_EQ(response, "yes");
  ASSERT_EQ(requests.size(), 1u);
  const std::string& sent = requests[0];
  EXPECT_EQ(sent.substr(0, sent.find("\r\n")), "POST /upload HTTP/1.1");
  EXPECT_NE(sent.find("\r\nContent-Length: 20000\r\n"), std::string::npos);
  EXPECT_EQ(sent.find("Content-Length"), sent.rfind("Content-Length"));
  EXPECT_TRUE(sent.substr(sent.size() - body.size()) == body);
}

TEST(InternetConnectionTest, ActionsRegisterAndCloseFreesTheRemainingOnes) {
  TclInternetConnection connection;
  std::vector<std::string> events;
  connection.OnActionAdded = [&](TclInternetConnection*, TclInternetAction*) { events.push_back("added"); };
  connection.OnActionRemoved = [&](TclInternetConnection*, TclInternetAction*) { events.push_back("removed"); };
  EXPECT_EQ(connection.GetActionByClass<TclInternetOpenAction>(), nullptr);
  auto* open = new TclInternetOpenAction(&connection, u"Agent", INTERNET_OPEN_TYPE_DIRECT, u" ", u"", 0);
  EXPECT_TRUE(open->FireAction(-1));
  const HINTERNET root = open->Resource();
  ASSERT_NE(root, 0u);
  auto* connect = new TclConnectAction(&connection, root, u"127.0.0.1", 1, u"", u"", INTERNET_SERVICE_HTTP, 0);
  EXPECT_TRUE(connect->FireAction(1000));
  EXPECT_EQ(connection.GetActionByClass<TclInternetOpenAction>(), open);
  EXPECT_EQ(connection.GetActionByClass<TclInternetResourceAction>(), open);  // derived classes count
  EXPECT_EQ(connection.GetActionByClass<TclConnectAction>(), connect);
  connection.Close();  // frees both, closing their handles
  EXPECT_EQ(connection.GetActionByClass<TclInternetAction>(), nullptr);
  EXPECT_FALSE(InternetCloseHandle(root));
  EXPECT_EQ(events, (std::vector<std::string>{"added", "added", "removed", "removed"}));
  // The connection works again after Close.
  TclInternetOpenAction again(&connection, u"Agent", INTERNET_OPEN_TYPE_DIRECT, u"", u"", 0);
  EXPECT_TRUE(again.FireAction(-1));
}

TEST(InternetErrorTextTest, MessagesFollowTheCompositionRules) {
  EXPECT_EQ(ComposeInternetErrorText(12002, "The operation timed out.\r\n", ""), u"The operation timed out");
  EXPECT_EQ(ComposeInternetErrorText(12003, "Extended error. \r\n", "550 No such file"),
            u"Extended error; Additional info: 550 No such file");
  EXPECT_EQ(ComposeInternetErrorText(12003, "", "550 No such file"), u"550 No such file");
  EXPECT_EQ(ComposeInternetErrorText(777, "", ""), u"Unknown error, code = 777");
  EXPECT_EQ(ComposeInternetErrorText(12003, "...", ""), u"Unknown error, code = 12003");
  EXPECT_EQ(ComposeInternetErrorText(5, "\xCE\xF8\xE8\xE1\xEA\xE0.", ""), u"Ошибка");  // code page 1251

  EXPECT_EQ(GetInternetErrorText(99999), u"Unknown error, code = 99999");
  EXPECT_EQ(GetInternetErrorText(12029), u"A connection with the server could not be established");
  InternetSetLastResponseInfo(12003, "226 Transfer complete");
  EXPECT_EQ(GetInternetErrorText(12003),
            u"An extended error was returned from the server; Additional info: 226 Transfer complete");
  InternetSetLastResponseInfo(0, "");
  SetLastError(12007);
  const EclInternetError error = EclInternetError::CreateByLastError();
  EXPECT_EQ(error.ErrorCode(), 12007);
  EXPECT_EQ(error.Message(), u"The server name or address could not be resolved");
}

}  // namespace
