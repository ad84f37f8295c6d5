#pragma once
// An HTTPS server on 127.0.0.1 with an ephemeral port for network tests: a TRawHttpServer whose
// connections are secured with the given certificate (TLS 1.2 or newer) before the test's
// handler gets them. A connection whose handshake fails never reaches the handler. On request
// the server stalls in the middle of the handshake instead: it answers the client's first
// message with half of its own and then waits. Every wait ends when the server is destroyed.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/common/raw_http_server.h"
#include "tests/common/test_certificates.h"

struct ssl_ctx_st;
struct ssl_st;

// One secured connection, as the handler sees it.
class TTlsConnection {
 public:
  TTlsConnection(TRawConnection& raw, ssl_st* ssl) : raw_(raw), ssl_(ssl) {}

  // Reads one request: its head and, by its Content-Length, its body.
  std::string ReadRequest();
  void Send(const std::string& bytes);
  // Waits until the client closes the connection or the server stops.
  void WaitForClose();
  // Runs an OpenSSL call on the session until it no longer asks to wait: its positive result,
  // or 0 when it failed, the client closed or the server stops.
  int Run(const std::function<int()>& call);

 private:
  bool ReadSome(std::string* data);

  TRawConnection& raw_;  // the connection's socket and the server's stop signal
  ssl_st* ssl_;          // the session over it
};

class TTlsTestServer {
 public:
  using Handler = std::function<void(TTlsConnection&)>;
  enum class Mode { kServe, kStallInHandshake };

  TTlsTestServer(const TServerIdentity& identity, Handler handler, Mode mode = Mode::kServe);
  ~TTlsTestServer();

  int Port() const { return server_->Port(); }
  // "https://host:port/path".
  std::string Url(const std::string& path = "/", const std::string& host = "127.0.0.1") const {
    return "https://" + host + ":" + std::to_string(Port()) + path;
  }
  int Connections() const { return server_->Connections(); }
  // Connections whose handshake succeeded, each handed to the handler.
  int Handshakes() const { return handshakes_.load(); }

  // A handler that reads the request, records it and answers with `response`.
  static Handler Answer(std::string response, std::vector<std::string>* requests = nullptr,
                        std::mutex* lock = nullptr) {
    return TRawHttpServer::AnswerOn<TTlsConnection>(std::move(response), requests, lock);
  }

 private:
  void Serve(TRawConnection& raw);
  void Stall(TRawConnection& raw);

  ssl_ctx_st* context_ = nullptr;  // the server's certificate, key and protocol settings
  Handler handler_;
  Mode mode_;
  std::atomic<int> handshakes_{0};
  std::unique_ptr<TRawHttpServer> server_;  // accepts the connections; ended first
};
