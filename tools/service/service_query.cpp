#include "tools/service/service_query.h"

#include <set>

std::optional<QueryPairs> ReadQuery(std::string_view target, THttpAnswer& refusal) {
  std::optional<QueryPairs> query = ParseQuery(QueryOfTarget(target));
  if (!query) {
    refusal = Refusal(400, "Неверная запись параметров адреса (ошибочная %-последовательность)");
    return std::nullopt;
  }
  std::set<std::string_view> keys;
  for (const auto& pair : *query) {
    if (!keys.insert(pair.first).second) {
      refusal = Refusal(400, "Параметр " + Cp1251ToUtf8(pair.first) + " указан дважды");
      return std::nullopt;
    }
  }
  return query;
}

const std::string* QueryValue(const QueryPairs& query, std::string_view key) {
  for (const auto& [name, value] : query) {
    if (name == key) return &value;
  }
  return nullptr;
}

int ReadPrice(const QueryPairs& query, int highest, THttpAnswer& refusal) {
  const std::string* price = QueryValue(query, "price");
  if (price == nullptr) {
    refusal = Refusal(400, "Не указан параметр price");
    return 0;
  }
  if (price->size() != 1 || (*price)[0] < '1' || (*price)[0] > '0' + highest) {
    refusal = Refusal(400, "Неверный номер прайс-листа price=" + Cp1251ToUtf8(*price));
    return 0;
  }
  return (*price)[0] - '0';
}

std::optional<TCredentialQuery> ReadCredentials(std::string_view target,
                                                const AccountList& accounts,
                                                THttpAnswer& refusal) {
  const std::optional<QueryPairs> query = ReadQuery(target, refusal);
  if (!query) return std::nullopt;
  const std::string* user = QueryValue(*query, "user");
  const std::string* password = QueryValue(*query, "pass");
  if (user == nullptr || password == nullptr) {
    refusal = Refusal(400, "Не указаны параметры user и pass");
    return std::nullopt;
  }
  const int price = ReadPrice(*query, kCheckPrice, refusal);
  if (price == 0) return std::nullopt;
  if (accounts.Check(*user, *password) != TCredentials::Accepted) {
    refusal = Refusal(403, "Имя пользователя или пароль введены неверно");
    return std::nullopt;
  }
  return TCredentialQuery{Cp1251ToUtf8(*user), price};
}
