#pragma once
// The query parameters the service's pages read: user, pass and price, with the refusals the
// agent shows when they are missing, malformed or wrong.

#include <optional>
#include <string>
#include <string_view>

#include "tools/service/accounts.h"
#include "tools/service/http_answer.h"
#include "tools/service/url_text.h"

// The price slot of the credential check.
inline constexpr int kCheckPrice = 4;

// The query of a request target; none after a 400 `refusal` when it is malformed or names a
// key twice.
std::optional<QueryPairs> ReadQuery(std::string_view target, THttpAnswer& refusal);
// The value of `key`, or null.
const std::string* QueryValue(const QueryPairs& query, std::string_view key);
// The price slot, 1 to `highest`; 0 after a 400 `refusal`.
int ReadPrice(const QueryPairs& query, int highest, THttpAnswer& refusal);

// An upload or credential check whose user name and password are accepted.
struct TCredentialQuery {
  std::string user;  // the shop's user name, UTF-8
  int price = 0;     // 1 to 3: upload of that list; 4: credential check
};
// Reads and checks user, pass and price; none after a `refusal`: 400 for a malformed query,
// 403 for an unknown shop or a wrong password.
std::optional<TCredentialQuery> ReadCredentials(std::string_view target,
                                                const AccountList& accounts,
                                                THttpAnswer& refusal);
