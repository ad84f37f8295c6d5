#include "tools/service/service_pages.h"

#include <ctime>

#include "platform/percent_encoding.h"
#include "tools/service/accounts.h"

namespace {

std::string Page(std::string_view title, std::string_view body) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
  page += title;
  page += "</title>\n</head>\n<body>\n<h1>";
  page += title;
  page += "</h1>\n";
  page += body;
  page += "<p><a href=\"/\">Прайс-листы магазинов</a></p>\n</body>\n</html>\n";
  return page;
}

std::string LocalTime(std::time_t time) {
  std::tm parts{};
  localtime_r(&time, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%d.%m.%Y %H:%M:%S", &parts);
  return text;
}

}  // namespace

std::string_view ListCaption(int price) {
  switch (price) {
    case 1: return "Основной прайс";
    case 2: return "Прайс акций, распродаж и скидок";
    default: return "Прайс неликвидных товаров";
  }
}

std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string ListAddress(std::string_view user, int price) {
  return "/list?user=" + PercentEncode(Utf8ToCp1251(user)) + "&price=" + std::to_string(price);
}

std::string IndexPage(const std::vector<TShopLists>& shops) {
  std::string body;
  if (shops.empty()) body += "<p>Магазинов пока нет.</p>\n";
  for (const TShopLists& shop : shops) {
    body += "<h2>" + HtmlEscape(shop.user) + "</h2>\n<table border=\"1\" cellpadding=\"4\">\n";
    body += "<tr><th>Прайс-лист</th><th>Загружен</th></tr>\n";
    for (int price = 1; price <= 3; ++price) {
      const auto& list = shop.lists[price - 1];
      body += "<tr><td>";
      if (list) {
        body += "<a href=\"" + HtmlEscape(ListAddress(shop.user, price)) + "\">";
        body += ListCaption(price);
        body += "</a></td><td>" + LocalTime(list->uploaded);
      } else {
        body += ListCaption(price);
        body += "</td><td>не загружен";
      }
      body += "</td></tr>\n";
    }
    body += "</table>\n";
  }
  return Page("Прайс-листы магазинов", body);
}

std::string RememberPage() {
  return Page("Напоминание пароля",
              "<p>Чтобы узнать имя пользователя или пароль своего магазина, обратитесь к "
              "администратору торговой площадки.</p>\n");
}

std::string NewUserPage() {
  return Page("Регистрация магазина",
              "<p>Это демонстрационная торговая площадка: магазины и их пароли задаёт её "
              "администратор при запуске (--account ИМЯ:ПАРОЛЬ).</p>\n");
}
