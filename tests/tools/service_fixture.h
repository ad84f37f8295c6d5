#pragma once
// A trading service running in-process on an ephemeral port of 127.0.0.1 over a fresh data
// folder, with a client for it and helpers that send what the agent sends.

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tools/service/trading_service.h"

// The boundary the agent's request body uses: 27 hyphens and 12 hex digits, never quoted.
inline constexpr std::string_view kAgentBoundary = "---------------------------0C081535077B";

// The multipart body the agent posts: one part "filename" named "output.html" with `html`.
std::string AgentBody(std::string_view html, std::string_view field = "filename");
// Its content type.
std::string AgentContentType();

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest();
  ~ServiceTest() override;

  // Starts a service over the fixture's data folder with the accounts "shop:secret" and
  // those given; `max_body` 0 keeps the default limit.
  void StartService(std::vector<ServiceAccount> more_accounts = {}, std::size_t max_body = 0);
  // The options StartService uses by default: any free port, the fixture's data folder, the
  // account "shop:secret".
  TServiceOptions Options() const;
  // Starts a service with `options`.
  void StartServiceWith(TServiceOptions options);
  // Stops the service, keeping its data folder.
  void StopService();

  // A client of the running service that sends targets exactly as written.
  httplib::Client& Client();
  // Posts an agent body to "/upload?" + query.
  httplib::Result Upload(std::string_view query, std::string_view html);
  // The stored bytes of a shop's list as "/list" serves them, or "(status N)".
  std::string ListOf(std::string_view user_query, int price);
  // Names of the files in the data folder of user "shop".
  std::vector<std::string> ShopFiles();

  std::filesystem::path data_;               // the data folder, removed afterwards
  std::unique_ptr<TradingService> service_;  // the running service
  int port_ = 0;                             // its port
  std::unique_ptr<httplib::Client> client_;  // its client
};
