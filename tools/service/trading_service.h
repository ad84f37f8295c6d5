#pragma once
// The demo trading service the agent publishes to: the credential check and the price upload
// at "/upload", the index page "/" listing every shop's lists, "/list" showing one, and the
// pages "/remember" and "/newuser". Requests are served by HttpServer, which bounds everything
// a client controls; a list is stored only when its upload arrived complete, so a failed one
// changes nothing, and it is shown sandboxed, so that no markup in it runs as the service's.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/service/accounts.h"
#include "tools/service/http_server.h"
#include "tools/service/price_store.h"

struct TServiceOptions {
  std::string host = "127.0.0.1";                     // address to listen on
  int port = 8080;                                    // 0: any free port
  std::filesystem::path data = "tarvo-service-data";  // the data folder
  std::vector<ServiceAccount> accounts;               // the shops that may log in
  std::size_t max_body = 64 * 1024 * 1024;            // larger request bodies are refused (413)
  std::chrono::milliseconds head_timeout{10000};      // a request head must arrive within this
  std::chrono::milliseconds body_timeout{120000};     // so must a list, and an answer be taken
  std::size_t max_connections = 128;                  // connections served at once
};

class TradingService {
 public:
  // Checks the accounts and opens the data folder; raises Exception when one is unusable.
  explicit TradingService(TServiceOptions options);
  ~TradingService();
  TradingService(const TradingService&) = delete;
  TradingService& operator=(const TradingService&) = delete;

  // Binds the address and serves on threads of its own; returns the port bound (useful with
  // port 0). Raises Exception when the address cannot be bound.
  int Start();
  // Stops serving at once: requests under way end unanswered, uploads under way are
  // discarded. Safe to call twice.
  void Stop();

 private:
  THttpAnswer Answer(HttpExchange& exchange);
  // GET /upload: the credential check.
  THttpAnswer CheckLogin(const THttpRequest& request) const;
  // POST /upload: a list.
  THttpAnswer Upload(HttpExchange& exchange);
  // GET /list: one stored list.
  THttpAnswer ShowList(const THttpRequest& request) const;
  // GET /: every shop's lists.
  THttpAnswer Index() const;

  TServiceOptions options_;  // as given
  AccountList accounts_;     // the shops that may log in
  PriceStore store_;         // their lists
  HttpServer server_;        // serves the requests
};
