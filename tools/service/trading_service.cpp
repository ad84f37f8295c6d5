#include "tools/service/trading_service.h"

#include <memory>
#include <optional>

#include "tools/service/multipart_reader.h"
#include "tools/service/service_pages.h"
#include "tools/service/service_query.h"

namespace {

THttpLimits Limits(const TServiceOptions& options) {
  THttpLimits limits;
  limits.max_body = options.max_body;
  limits.head_timeout = options.head_timeout;
  limits.body_timeout = options.body_timeout;
  limits.max_connections = options.max_connections;
  return limits;
}

bool IsRead(const THttpRequest& request) {
  return request.method == "GET" || request.method == "HEAD";
}

THttpAnswer NotAllowed() { return Refusal(405, "Этот метод здесь не поддерживается"); }

}  // namespace

TradingService::TradingService(TServiceOptions options)
    : options_(std::move(options)),
      store_(options_.data),
      server_(Limits(options_), [this](HttpExchange& exchange) { return Answer(exchange); }) {
  for (const ServiceAccount& account : options_.accounts) {
    accounts_.Add(account);
    store_.ShopFolder(account.user);
  }
}

TradingService::~TradingService() { Stop(); }

int TradingService::Start() {
  const int port = server_.Listen(options_.host, options_.port);
  server_.Start();
  return port;
}

void TradingService::Stop() { server_.Stop(); }

THttpAnswer TradingService::Answer(HttpExchange& exchange) {
  const THttpRequest& request = exchange.Request();
  const std::string_view path = request.Path();
  if (path == "/upload") {
    if (request.method == "POST") return Upload(exchange);
    return IsRead(request) ? CheckLogin(request) : NotAllowed();
  }
  if (path != "/" && path != "/list" && path != "/remember" && path != "/newuser") {
    return Refusal(404, "Нет такой страницы");
  }
  if (!IsRead(request)) return NotAllowed();
  if (path == "/list") return ShowList(request);
  if (path == "/remember") return HtmlAnswer(RememberPage());
  if (path == "/newuser") return HtmlAnswer(NewUserPage());
  return Index();
}

THttpAnswer TradingService::CheckLogin(const THttpRequest& request) const {
  THttpAnswer refusal;
  const std::optional<TCredentialQuery> login = ReadCredentials(request.target, accounts_, refusal);
  if (!login) return refusal;
  if (login->price != kCheckPrice) return Refusal(400, "Прайс-лист передаётся методом POST");
  return TextAnswer(200, "ok");
}

THttpAnswer TradingService::Upload(HttpExchange& exchange) {
  // Everything that can be refused from the head is, before a byte of the body is read.
  const THttpRequest& request = exchange.Request();
  THttpAnswer refusal;
  const std::optional<TCredentialQuery> login = ReadCredentials(request.target, accounts_, refusal);
  if (!login) return refusal;
  if (login->price == kCheckPrice) return Refusal(400, "Неверный номер прайс-листа price=4");
  const std::optional<std::string> boundary = FormDataBoundary(request.Header("Content-Type"));
  if (!boundary) {
    return Refusal(400, "Прайс-лист передаётся как поле filename формы multipart/form-data");
  }

  // Only the first part "filename" goes to the store.
  std::unique_ptr<PriceStore::Upload> upload;
  bool in_field = false;
  std::uint64_t size = 0;
  MultipartReader parts(*boundary, {
      [&](std::string_view field) {
        in_field = !upload && field == "filename";
        if (in_field) upload = store_.BeginUpload(login->user, login->price);
      },
      [&](const char* data, std::size_t count) {
        if (!in_field) return;
        upload->Append(data, count);
        size += count;
      }});
  const TBodyRead read =
      exchange.ReadBody([&](const char* data, std::size_t count) { return parts.Feed(data, count); });
  if (read == TBodyRead::Late) return Refusal(408, "Тело запроса не пришло вовремя");
  if (read != TBodyRead::Complete || !parts.Finished()) {
    return Refusal(400, "Тело запроса повреждено или передано не полностью");
  }
  if (!upload) return Refusal(400, "Нет поля filename с файлом прайс-листа (multipart/form-data)");
  if (size == 0) return Refusal(400, "Прайс-лист пуст");
  upload->Commit();
  return TextAnswer(200, "ok");
}

THttpAnswer TradingService::ShowList(const THttpRequest& request) const {
  THttpAnswer refusal;
  const std::optional<QueryPairs> query = ReadQuery(request.target, refusal);
  if (!query) return refusal;
  const std::string* user = QueryValue(*query, "user");
  const int price = ReadPrice(*query, 3, refusal);
  if (price == 0) return refusal;
  if (user == nullptr) return Refusal(400, "Не указан параметр user");
  const ServiceAccount* account = accounts_.Find(*user);
  if (account == nullptr) return Refusal(404, "Нет такого магазина");
  std::optional<FileHandle> list = store_.Open(account->user, price);
  if (!list) return Refusal(404, "Этот прайс-лист ещё не загружен");
  // The list is the shop's markup: shown in a sandbox of its own, it runs no script and
  // reaches nothing of the service's origin.
  THttpAnswer answer = HtmlAnswer({});
  answer.file = std::move(*list);
  answer.headers.push_back({"Content-Security-Policy", "sandbox"});
  return answer;
}

THttpAnswer TradingService::Index() const {
  std::vector<TShopLists> shops;
  for (const ServiceAccount& account : accounts_.Accounts()) {
    TShopLists& shop = shops.emplace_back();
    shop.user = account.user;
    for (int price = 1; price <= 3; ++price) {
      shop.lists[price - 1] = store_.Find(account.user, price);
    }
  }
  return HtmlAnswer(IndexPage(shops));
}
