#pragma once
// The demo trading service the agent publishes to: the credential check and the price upload
// at "/upload", the index page "/" listing every shop's lists, "/list" showing one, and the
// pages "/remember" and "/newuser". Requests are served on threads of its own; a list is
// stored only when its upload arrived complete, so a failed one changes nothing.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tools/service/accounts.h"
#include "tools/service/price_store.h"

namespace httplib {
class Server;
}

struct TServiceOptions {
  std::string host = "127.0.0.1";                  // address to listen on
  int port = 8080;                                 // 0: any free port
  std::filesystem::path data = "tarvo-service-data";  // the data folder
  std::vector<ServiceAccount> accounts;            // the shops that may log in
  std::size_t max_body = 64 * 1024 * 1024;         // larger request bodies are refused (413)
};

class TradingService {
 public:
  // Checks the accounts and opens the data folder; raises Exception when one is unusable.
  explicit TradingService(TServiceOptions options);
  ~TradingService();
  TradingService(const TradingService&) = delete;
  TradingService& operator=(const TradingService&) = delete;

  // Binds the address and serves on a thread of its own; returns the port bound (useful with
  // port 0). Raises Exception when the address cannot be bound.
  int Start();
  // Stops serving and waits until the requests under way have ended. Safe to call twice.
  void Stop();

 private:
  void Route();

  TServiceOptions options_;                 // as given
  AccountList accounts_;                    // the shops that may log in
  PriceStore store_;                        // their lists
  std::unique_ptr<httplib::Server> server_;  // the HTTP server
  std::thread listener_;                    // runs the server's accept loop
};
