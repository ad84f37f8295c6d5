#include "tools/service/trading_service.h"

#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <set>

#include "platform/exception.h"
#include "tools/service/service_pages.h"
#include "tools/service/url_text.h"

namespace {

// The price slot of the credential check.
constexpr int kCheckPrice = 4;
constexpr const char* kPlainText = "text/plain; charset=utf-8";
constexpr const char* kHtml = "text/html; charset=utf-8";
// How long a connection may stay silent; the agent gives up on a transfer after 30 seconds.
constexpr std::chrono::seconds kTransferTimeout(30);

// The answer a request gets.
struct TReply {
  int status = 200;        // the HTTP status
  std::string text = "ok";  // the body, plain text
};

// A refusal: its first line "error" is anything but the agent's "ok", the second says why.
TReply Refusal(int status, std::string_view why) {
  return {status, "error\n" + std::string(why) + "\n"};
}

void Send(httplib::Response& res, const TReply& reply) {
  res.status = reply.status;
  res.set_content(reply.text, kPlainText);
}

// The query of a request, or a 400 refusal when it is malformed or names a key twice.
std::optional<QueryPairs> ReadQuery(const httplib::Request& req, TReply& reply) {
  std::optional<QueryPairs> query = ParseQuery(QueryOfTarget(req.target));
  if (!query) {
    reply = Refusal(400, "Неверная запись параметров адреса (ошибочная %-последовательность)");
    return std::nullopt;
  }
  std::set<std::string_view> keys;
  for (const auto& pair : *query) {
    if (!keys.insert(pair.first).second) {
      reply = Refusal(400, "Параметр " + Cp1251ToUtf8(pair.first) + " указан дважды");
      return std::nullopt;
    }
  }
  return query;
}

const std::string* Value(const QueryPairs& query, std::string_view key) {
  for (const auto& [name, value] : query) {
    if (name == key) return &value;
  }
  return nullptr;
}

// The price slot, 1 to `highest`, or 0 after a 400 refusal.
int ReadPrice(const QueryPairs& query, int highest, TReply& reply) {
  const std::string* price = Value(query, "price");
  if (price == nullptr) {
    reply = Refusal(400, "Не указан параметр price");
    return 0;
  }
  if (price->size() != 1 || (*price)[0] < '1' || (*price)[0] > '0' + highest) {
    reply = Refusal(400, "Неверный номер прайс-листа price=" + Cp1251ToUtf8(*price));
    return 0;
  }
  return (*price)[0] - '0';
}

// An upload or credential check whose user name and password are accepted.
struct TCredentialQuery {
  std::string user;  // the shop's user name, UTF-8
  int price = 0;     // 1 to 3: upload of that list; 4: credential check
};

// Reads and checks user, pass and price; on failure `reply` holds the refusal (400 for a
// malformed query, 403 for an unknown shop or a wrong password).
std::optional<TCredentialQuery> ReadCredentials(const httplib::Request& req,
                                                const AccountList& accounts, TReply& reply) {
  const std::optional<QueryPairs> query = ReadQuery(req, reply);
  if (!query) return std::nullopt;
  const std::string* user = Value(*query, "user");
  const std::string* password = Value(*query, "pass");
  if (user == nullptr || password == nullptr) {
    reply = Refusal(400, "Не указаны параметры user и pass");
    return std::nullopt;
  }
  const int price = ReadPrice(*query, kCheckPrice, reply);
  if (price == 0) return std::nullopt;
  if (accounts.Check(*user, *password) != TCredentials::Accepted) {
    reply = Refusal(403, "Имя пользователя или пароль введены неверно");
    return std::nullopt;
  }
  return TCredentialQuery{Cp1251ToUtf8(*user), price};
}

}  // namespace

TradingService::TradingService(TServiceOptions options)
    : options_(std::move(options)), store_(options_.data), server_(new httplib::Server) {
  for (const ServiceAccount& account : options_.accounts) {
    accounts_.Add(account);
    store_.ShopFolder(account.user);
  }
  Route();
}

TradingService::~TradingService() { Stop(); }

void TradingService::Route() {
  httplib::Server& server = *server_;
  server.set_payload_max_length(options_.max_body);
  // Only SO_REUSEADDR (a restart may bind at once): with the library's default SO_REUSEPORT as
  // well, a second service on the same port would quietly share it instead of failing.
  server.set_socket_options([](int socket) {
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.set_read_timeout(kTransferTimeout);
  server.set_write_timeout(kTransferTimeout);

  // Errors the server finds itself (no such page, a malformed request) get a text as well.
  server.set_error_handler(httplib::Server::HandlerWithResponse(
      [](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        Send(res, Refusal(res.status, res.status == 404 ? "Нет такой страницы" : "Неверный запрос"));
        return httplib::Server::HandlerResponse::Handled;
      }));
  server.set_exception_handler(
      [](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
        std::string why = "Внутренняя ошибка сервиса";
        try {
          std::rethrow_exception(error);
        } catch (const std::exception& e) {
          why += std::string(": ") + e.what();
        } catch (...) {
        }
        Send(res, Refusal(500, why));
      });

  server.Get("/upload", [this](const httplib::Request& req, httplib::Response& res) {
    TReply reply;
    const std::optional<TCredentialQuery> query = ReadCredentials(req, accounts_, reply);
    if (query && query->price != kCheckPrice) {
      reply = Refusal(400, "Прайс-лист передаётся методом POST");
    }
    Send(res, reply);
  });

  server.Post("/upload", [this](const httplib::Request& req, httplib::Response& res,
                                const httplib::ContentReader& reader) {
    TReply reply;
    const std::optional<TCredentialQuery> query = ReadCredentials(req, accounts_, reply);
    if (query && query->price == kCheckPrice) {
      reply = Refusal(400, "Неверный номер прайс-листа price=4");
    }
    const bool accept = reply.status == 200;

    // The body is read in any case, so that the client hears the answer instead of a reset
    // connection; only the part "filename" of an accepted upload goes to the store.
    std::unique_ptr<PriceStore::Upload> upload;
    std::uint64_t received = 0;
    bool too_large = false;
    bool found = false;
    bool in_field = false;
    std::string store_error;
    const auto receive = [&](const char* data, std::size_t size) {
      received += size;
      if (received > options_.max_body) {
        too_large = true;
        return false;
      }
      if (!in_field || !upload) return true;
      try {
        upload->Append(data, size);
        return true;
      } catch (const std::exception& e) {
        store_error = e.what();
        return false;
      }
    };
    const auto part = [&](const httplib::MultipartFormData& file) {
      in_field = !found && file.name == "filename";
      if (!in_field) return true;
      found = true;
      if (!accept) return true;
      try {
        upload = store_.BeginUpload(query->user, query->price);
        return true;
      } catch (const std::exception& e) {
        store_error = e.what();
        return false;
      }
    };

    const bool multipart = req.is_multipart_form_data();
    const bool read = multipart ? reader(part, receive) : reader(receive);
    if (!read) {
      if (too_large || res.status == 413) {
        reply = Refusal(413, "Запрос больше допустимых " + std::to_string(options_.max_body) +
                                 " байт");
      } else if (!store_error.empty()) {
        reply = Refusal(500, "Не удалось сохранить прайс-лист: " + store_error);
      } else {
        reply = Refusal(400, "Тело запроса повреждено или передано не полностью");
      }
    } else if (accept && !found) {
      reply = Refusal(400, "Нет поля filename с файлом прайс-листа (multipart/form-data)");
    } else if (accept) {
      try {
        upload->Commit();
      } catch (const std::exception& e) {
        reply = Refusal(500, std::string("Не удалось сохранить прайс-лист: ") + e.what());
      }
    }
    upload.reset();
    Send(res, reply);
  });

  server.Get("/list", [this](const httplib::Request& req, httplib::Response& res) {
    TReply reply;
    const std::optional<QueryPairs> query = ReadQuery(req, reply);
    const std::string* user = query ? Value(*query, "user") : nullptr;
    const int price = query ? ReadPrice(*query, 3, reply) : 0;
    if (query && user == nullptr) reply = Refusal(400, "Не указан параметр user");
    if (reply.status != 200) return Send(res, reply);
    const ServiceAccount* account = accounts_.Find(*user);
    if (account == nullptr) return Send(res, Refusal(404, "Нет такого магазина"));
    const std::optional<std::string> list = store_.Read(account->user, price);
    if (!list) return Send(res, Refusal(404, "Этот прайс-лист ещё не загружен"));
    res.set_content(*list, kHtml);
  });

  server.Get("/", [this](const httplib::Request&, httplib::Response& res) {
    std::vector<TShopLists> shops;
    for (const ServiceAccount& account : accounts_.Accounts()) {
      TShopLists& shop = shops.emplace_back();
      shop.user = account.user;
      for (int price = 1; price <= 3; ++price) {
        shop.lists[price - 1] = store_.Find(account.user, price);
      }
    }
    res.set_content(IndexPage(shops), kHtml);
  });
  server.Get("/remember", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(RememberPage(), kHtml);
  });
  server.Get("/newuser", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(NewUserPage(), kHtml);
  });
}

int TradingService::Start() {
  if (listener_.joinable()) throw Exception("the service is already running");
  int port = options_.port;
  if (port == 0) {
    port = server_->bind_to_any_port(options_.host);
  } else if (!server_->bind_to_port(options_.host, port)) {
    port = -1;
  }
  if (port < 0) {
    throw Exception("cannot listen on " + options_.host + ":" + std::to_string(options_.port));
  }
  // stop() has no effect before the accept loop runs, so Start returns only once it does.
  auto ended = std::make_shared<std::atomic<bool>>(false);
  listener_ = std::thread([this, ended] {
    server_->listen_after_bind();
    *ended = true;
  });
  while (!server_->is_running() && !*ended) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return port;
}

void TradingService::Stop() {
  if (!listener_.joinable()) return;
  server_->stop();
  listener_.join();
}
