// Any bytes as a server's answer: a loopback server reads the request and sends the input, and
// the internet client receives the head, answers the queries the agent makes and reads the body
// to its end, as the fetcher and the upload worker do.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/internet_client.h"
#include "tests/common/raw_http_server.h"

namespace {

std::mutex answer_lock;
std::string answer;  // what the server sends for the next request

TRawHttpServer& Server() {
  static TRawHttpServer* server = new TRawHttpServer([](TRawConnection& c) {
    c.ReadRequest();
    std::string bytes;
    {
      std::lock_guard guard(answer_lock);
      bytes = answer;
    }
    c.Send(bytes);
  });
  return *server;
}

void Query(HINTERNET request, DWORD level) {
  std::vector<char> text(64);
  DWORD length = static_cast<DWORD>(text.size());
  if (!HttpQueryInfo(request, level, text.data(), &length, nullptr) &&
      GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    text.resize(length + 1);
    length = static_cast<DWORD>(text.size());
    HttpQueryInfo(request, level, text.data(), &length, nullptr);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::lock_guard guard(answer_lock);
    answer.assign(reinterpret_cast<const char*>(data), size);
  }
  const int port = Server().Port();
  HINTERNET root = InternetOpen("FuzzAgent", INTERNET_OPEN_TYPE_DIRECT, "", "", 0);
  HINTERNET connect = InternetConnect(root, "127.0.0.1", static_cast<INTERNET_PORT>(port), "",
                                      "", INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET request =
      HttpOpenRequest(connect, "GET", "/upload", "HTTP/1.1", "", nullptr, INTERNET_FLAG_RELOAD, 0);
  const DWORD ms = 2000;  // the server closes after answering; this only bounds a fault
  InternetSetOption(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
  if (HttpSendRequest(request, "", nullptr, 0)) {
    DWORD status = 0;
    DWORD length = sizeof status;
    HttpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length,
                  nullptr);
    Query(request, HTTP_QUERY_RAW_HEADERS_CRLF);
    Query(request, HTTP_QUERY_RAW_HEADERS);
    Query(request, HTTP_QUERY_CONTENT_LENGTH);
    Query(request, HTTP_QUERY_STATUS_TEXT);
    char buffer[4096];
    DWORD read = 0;
    while (InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0) {
    }
  }
  InternetCloseHandle(request);
  InternetCloseHandle(connect);
  InternetCloseHandle(root);
  return 0;
}
