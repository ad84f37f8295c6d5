#include <gtest/gtest.h>

#include "service_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

std::string AgentBody(std::string_view html, std::string_view field) {
  std::string body = "--" + std::string(kAgentBoundary) + "\r\n";
  body += "Content-Disposition: form-data; name=\"" + std::string(field) +
          "\"; filename=\"output.html\"\r\nContent-Type: application/octet-stream\r\n\r\n";
  body += html;
  body += "\r\n--" + std::string(kAgentBoundary) + "--\r\n";
  return body;
}

std::string AgentContentType() {
  return "multipart/form-data; boundary=" + std::string(kAgentBoundary);
}

ServiceTest::ServiceTest() {
  std::string folder = (std::filesystem::temp_directory_path() / "tarvo-service-test-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  data_ = folder;
}

ServiceTest::~ServiceTest() {
  StopService();
  std::error_code error;
  std::filesystem::remove_all(data_, error);
}

TServiceOptions ServiceTest::Options() const {
  TServiceOptions options;
  options.port = 0;
  options.data = data_;
  options.accounts = {{"shop", "secret"}};
  return options;
}

void ServiceTest::StartService(std::vector<ServiceAccount> more_accounts, std::size_t max_body) {
  TServiceOptions options = Options();
  for (ServiceAccount& account : more_accounts) options.accounts.push_back(std::move(account));
  if (max_body != 0) options.max_body = max_body;
  StartServiceWith(std::move(options));
}

void ServiceTest::StartServiceWith(TServiceOptions options) {
  service_ = std::make_unique<TradingService>(std::move(options));
  port_ = service_->Start();
  client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
  client_->set_url_encode(false);
}

void ServiceTest::StopService() {
  client_.reset();
  service_.reset();
}

httplib::Client& ServiceTest::Client() { return *client_; }

httplib::Result ServiceTest::Upload(std::string_view query, std::string_view html) {
  return client_->Post(("/upload?" + std::string(query)).c_str(), AgentBody(html),
                       AgentContentType().c_str());
}

std::string ServiceTest::ListOf(std::string_view user_query, int price) {
  auto res = client_->Get(
      ("/list?user=" + std::string(user_query) + "&price=" + std::to_string(price)).c_str());
  if (!res) return "(no answer)";
  if (res->status != 200) return "(status " + std::to_string(res->status) + ")";
  return res->body;
}

std::vector<std::string> ServiceTest::ShopFiles() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& file : std::filesystem::directory_iterator(data_ / "shop", error)) {
    names.push_back(file.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}
