#pragma once
// The service's HTTP/1.1 server: one request per connection, each connection on a thread of
// its own. Everything a client controls is bounded: the size, line count and arrival time of a
// request head, the length and arrival time of a body, the time to take an answer, and the
// number of connections. When all connections are taken, the one that has waited longest on its
// client (for a head, for room to send) is closed to make room; Stop ends every connection at
// once.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "tools/service/file_handle.h"
#include "tools/service/http_answer.h"
#include "tools/service/http_exchange.h"
#include "tools/service/http_request.h"

struct THttpLimits {
  THeadLimits head;                                // size of a request head
  std::uint64_t max_body = 64 * 1024 * 1024;       // larger bodies are refused (413)
  std::chrono::milliseconds head_timeout{10000};   // a request head must arrive within this
  std::chrono::milliseconds body_timeout{120000};  // so must a body, and an answer be taken
  std::size_t max_connections = 128;               // connections served at once
};

// Answers a request; may read its body. An exception it raises becomes a 500 answer whose
// text tells nothing of it (the server writes it to standard error).
using HttpHandler = std::function<THttpAnswer(HttpExchange&)>;

class HttpServer {
 public:
  HttpServer(THttpLimits limits, HttpHandler handler);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Binds `host` (a name or an address) and `port` (0: any free port); returns the port.
  // Raises Exception when it cannot.
  int Listen(const std::string& host, int port);
  // Accepts connections on a thread of its own until Stop.
  void Start();
  // Stops accepting, ends every connection at once and waits for their threads. Safe to call
  // twice.
  void Stop();

 private:
  struct Connection;
  // What a request gets: the answer, and whether only its head goes out (HEAD).
  struct TReply {
    THttpAnswer answer;      // the answer
    bool head_only = false;  // a HEAD request
  };

  void AcceptLoop();
  void Accept();
  // Closes the connection that has waited longest on its client; false when none waits.
  bool MakeRoom();
  // Joins the threads of the connections that have ended.
  void Reap();
  void Wake();

  void Serve(Connection& connection);
  // Reads a request and lets the handler answer it; none when the client left first.
  std::optional<TReply> Exchange(Connection& connection, HttpChannel& channel);
  void SendAnswer(HttpChannel& channel, TReply& reply);

  THttpLimits limits_;                                  // the bounds
  HttpHandler handler_;                                 // answers requests
  FileHandle listener_;                                 // the listening socket
  FileHandle wake_;                                     // an eventfd that wakes the accept loop
  std::atomic<bool> stopping_{false};                   // Stop has been called
  std::thread acceptor_;                                // runs AcceptLoop
  std::list<std::unique_ptr<Connection>> connections_;  // the accept loop's, then Stop's
};
