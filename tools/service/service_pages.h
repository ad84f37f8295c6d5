#pragma once
// The service's Russian web pages, as UTF-8 HTML.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/service/price_store.h"

// One shop as the index page shows it: its lists 1 to 3, each when it was uploaded.
struct TShopLists {
  std::string user;                                // the user name, UTF-8
  std::array<std::optional<TStoredList>, 3> lists;  // lists 1 to 3
};

// The index: every shop with its three lists, each with its upload time (local time,
// "dd.mm.yyyy hh:mm:ss") and a link that shows it, or "не загружен".
std::string IndexPage(const std::vector<TShopLists>& shops);
// The password-reminder page.
std::string RememberPage();
// The new-shop page.
std::string NewUserPage();

// The address that shows list `price` of a shop: "/list?user=...&price=N", the user name as
// percent-encoded Windows-1251 bytes like every query the service reads.
std::string ListAddress(std::string_view user, int price);
// The caption of list 1, 2 or 3.
std::string_view ListCaption(int price);
// UTF-8 text with "&", "<", ">" and '"' written as character references.
std::string HtmlEscape(std::string_view text);
