#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "platform/exception.h"
#include "raw_connection.h"
#include "service_fixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// Every byte value, zero first, then markup-like text and a line that starts like a boundary.
std::string AwkwardBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  bytes += "<td>\r\n--" + std::string(kAgentBoundary.substr(0, 30)) + "\r\n\r\n--";
  bytes += std::string(3, '\0');
  return bytes;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

}  // namespace

TEST_F(ServiceTest, CredentialCheckAnswersOkOnlyForAKnownAccount) {
  StartService();
  struct Case {
    const char* target;
    int status;
  };
  const Case cases[] = {
      {"/upload?user=shop&pass=secret&price=4", 200},
      {"/upload?user=shop&pass=Secret&price=4", 403},   // letter case counts
      {"/upload?user=shop&pass=&price=4", 403},
      {"/upload?user=other&pass=secret&price=4", 403},
      {"/upload?user=&pass=&price=4", 403},
      {"/upload?user=shop&price=4", 400},               // no password
      {"/upload?user=shop&pass=secret", 400},           // no price
      {"/upload?user=shop&pass=secret&price=5", 400},
      {"/upload?user=shop&pass=secret&price=1", 400},   // a list goes by POST
      {"/upload?user=shop&pass=secret&price=04", 400},
      {"/upload?user=shop&pass=sec%G1&price=4", 400},   // malformed escape
      {"/upload?user=shop&pass=secret&pass=x&price=4", 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    auto res = Client().Get(c.target);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status);
    if (c.status == 200) {
      EXPECT_EQ(res->body, "ok");
    } else {
      // The agent refuses any first line but "ok" and counts an empty body as a failed fetch.
      EXPECT_EQ(FirstLine(res->body), "error");
      EXPECT_GT(res->body.size(), std::string("error\n").size());
    }
  }
}

TEST_F(ServiceTest, EachPriceSlotStoresItsListByteForByte) {
  StartService();
  const std::string lists[] = {AwkwardBytes(), RandomBytes(1 << 20, 7), std::string(1, '\0')};
  for (int price = 1; price <= 3; ++price) {
    auto res = Upload("user=shop&pass=secret&price=" + std::to_string(price), lists[price - 1]);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(FirstLine(res->body), "ok");
  }
  for (int price = 1; price <= 3; ++price) {
    SCOPED_TRACE(price);
    auto res = Client().Get(("/list?user=shop&price=" + std::to_string(price)).c_str());
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_TRUE(res->body == lists[price - 1]) << "list " << price << " differs";
  }
  EXPECT_THAT(ShopFiles(), ElementsAre("list1.html", "list2.html", "list3.html"));

  // A new upload replaces only its own slot.
  ASSERT_TRUE(Upload("user=shop&pass=secret&price=2", "<table>new</table>"));
  EXPECT_EQ(ListOf("shop", 2), "<table>new</table>");
  EXPECT_EQ(ListOf("shop", 1), lists[0]);
}

TEST_F(ServiceTest, RefusedUploadsKeepThePreviousList) {
  constexpr std::size_t kLimit = 4096;
  StartService({}, kLimit);
  ASSERT_EQ(Upload("user=shop&pass=secret&price=1", "old")->status, 200);

  const std::string overhead = AgentBody("");
  struct Case {
    const char* what;
    std::string query;
    std::string body;
    std::string content_type;
    int status;
  };
  const Case cases[] = {
      {"wrong password", "user=shop&pass=wrong&price=1", AgentBody("new"), AgentContentType(), 403},
      {"unknown shop", "user=nobody&pass=secret&price=1", AgentBody("new"), AgentContentType(), 403},
      {"price 0", "user=shop&pass=secret&price=0", AgentBody("new"), AgentContentType(), 400},
      {"price 4", "user=shop&pass=secret&price=4", AgentBody("new"), AgentContentType(), 400},
      {"no price", "user=shop&pass=secret", AgentBody("new"), AgentContentType(), 400},
      {"no field filename", "user=shop&pass=secret&price=1", AgentBody("new", "file"),
       AgentContentType(), 400},
      {"not multipart", "user=shop&pass=secret&price=1", "new", "text/html", 400},
      {"no closing boundary", "user=shop&pass=secret&price=1",
       AgentBody("new").substr(0, AgentBody("new").size() - 8), AgentContentType(), 400},
      {"one byte over the limit", "user=shop&pass=secret&price=1",
       AgentBody(std::string(kLimit - overhead.size() + 1, 'x')), AgentContentType(), 413},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto res = Client().Post(("/upload?" + c.query).c_str(), c.body, c.content_type.c_str());
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status);
    EXPECT_EQ(FirstLine(res->body), "error");
    EXPECT_EQ(ListOf("shop", 1), "old");
    EXPECT_THAT(ShopFiles(), ElementsAre("list1.html"));
  }

  // A body of exactly the limit is taken.
  const std::string fits(kLimit - overhead.size(), 'y');
  ASSERT_EQ(AgentBody(fits).size(), kLimit);
  EXPECT_EQ(Upload("user=shop&pass=secret&price=1", fits)->status, 200);
  EXPECT_EQ(ListOf("shop", 1), fits);
}

TEST_F(ServiceTest, BodyOverSixtyFourMegabytesIsRefused) {
  StartService();
  constexpr std::size_t kLimit = 64 * 1024 * 1024;
  const std::string body = AgentBody(std::string(kLimit + 1 - AgentBody("").size(), 'z'));
  ASSERT_EQ(body.size(), kLimit + 1);
  auto res = Client().Post("/upload?user=shop&pass=secret&price=3", body, AgentContentType().c_str());
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 413);
  EXPECT_EQ(ListOf("shop", 3), "(status 404)");
}

TEST_F(ServiceTest, UploadCutOffMidwayKeepsThePreviousList) {
  StartService();
  ASSERT_EQ(Upload("user=shop&pass=secret&price=1", "old")->status, 200);

  const std::string body = AgentBody(std::string(100000, 'n'));
  const std::string head = "POST /upload?user=shop&pass=secret&price=1 HTTP/1.1\r\nHost: x\r\n"
                           "Content-Type: " + AgentContentType() + "\r\nContent-Length: " +
                           std::to_string(body.size()) + "\r\n\r\n";
  auto connection = std::make_unique<RawConnection>(port_);
  ASSERT_TRUE(connection->Send(head + body.substr(0, body.size() / 2)));

  // The new list is being written beside the old one; cutting the connection discards it.
  const auto waitFor = [&](std::size_t files) {
    for (int i = 0; i < 500 && ShopFiles().size() != files; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ShopFiles().size();
  };
  EXPECT_EQ(waitFor(2), 2u);
  connection.reset();
  EXPECT_EQ(waitFor(1), 1u);
  EXPECT_THAT(ShopFiles(), ElementsAre("list1.html"));
  EXPECT_EQ(ListOf("shop", 1), "old");
}

TEST_F(ServiceTest, ConcurrentUploadsOfOneSlotLeaveOneWholeList) {
  StartService();
  std::vector<std::string> lists;
  for (unsigned i = 0; i < 4; ++i) lists.push_back(RandomBytes(300000 + i, i));
  std::vector<std::thread> senders;
  std::vector<int> statuses(lists.size());
  for (std::size_t i = 0; i < lists.size(); ++i) {
    senders.emplace_back([&, i] {
      httplib::Client client("127.0.0.1", port_);
      auto res = client.Post("/upload?user=shop&pass=secret&price=1", AgentBody(lists[i]),
                             AgentContentType().c_str());
      statuses[i] = res ? res->status : -1;
    });
  }
  for (std::thread& sender : senders) sender.join();
  EXPECT_THAT(statuses, ::testing::Each(200));
  const std::string stored = ListOf("shop", 1);
  EXPECT_TRUE(std::find(lists.begin(), lists.end(), stored) != lists.end())
      << "the stored list is none of those sent";
  EXPECT_THAT(ShopFiles(), ElementsAre("list1.html"));
}

TEST_F(ServiceTest, PasswordWithAmpersandHashAndBlankArrivesPercentEncoded) {
  StartService({{"лавка", "p&s# w"}, {"Магазин", "Пароль"}});
  const char* accepted[] = {
      "/upload?user=%EB%E0%E2%EA%E0&pass=p%26s%23%20w&price=4",
      "/upload?user=%cc%e0%e3%e0%e7%e8%ed&pass=%CF%E0%F0%EE%EB%FC&price=4",  // Windows-1251
      "/upload?user=%EB%E0%E2%EA%E0&pass=p%26s%23+w&price=4",                // "+" is a blank
  };
  for (const char* target : accepted) {
    SCOPED_TRACE(target);
    auto res = Client().Get(target);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "ok");
  }
  const char* refused[] = {
      "/upload?user=%EB%E0%E2%EA%E0&pass=p&s#%20w&price=4",        // unescaped "&" and "#"
      "/upload?user=%EB%E0%E2%EA%E0&pass=p%26s%23%2Bw&price=4",    // "%2B" is a "+"
      "/upload?user=%D0%9C%D0%B0%D0%B3%D0%B0%D0%B7%D0%B8%D0%BD"   // UTF-8, not Windows-1251
      "&pass=%D0%9F%D0%B0%D1%80%D0%BE%D0%BB%D1%8C&price=4",
  };
  for (const char* target : refused) {
    SCOPED_TRACE(target);
    auto res = Client().Get(target);
    ASSERT_TRUE(res);
    EXPECT_NE(res->status, 200);
    EXPECT_EQ(FirstLine(res->body), "error");
  }

  auto res = Upload("user=%EB%E0%E2%EA%E0&pass=p%26s%23%20w&price=2", "<p>лавка</p>");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(ListOf("%EB%E0%E2%EA%E0", 2), "<p>лавка</p>");
}

TEST_F(ServiceTest, IndexListsEveryShopWithItsUploadsAndLinks) {
  StartService({{"Магазин <&>", "x"}});
  auto before = Client().Get("/");
  ASSERT_TRUE(before);
  EXPECT_EQ(before->status, 200);
  EXPECT_EQ(before->get_header_value("Content-Type"), "text/html; charset=utf-8");
  EXPECT_THAT(before->body, HasSubstr("<h2>shop</h2>"));
  EXPECT_THAT(before->body, HasSubstr("<h2>Магазин &lt;&amp;&gt;</h2>"));
  EXPECT_THAT(before->body, Not(HasSubstr("/list?")));

  ASSERT_EQ(Upload("user=%CC%E0%E3%E0%E7%E8%ED%20%3C%26%3E&pass=x&price=3", "три")->status, 200);
  auto after = Client().Get("/");
  ASSERT_TRUE(after);
  const std::string link = "/list?user=%CC%E0%E3%E0%E7%E8%ED%20%3C%26%3E&amp;price=3";
  EXPECT_THAT(after->body, HasSubstr("<a href=\"" + link + "\">Прайс неликвидных товаров</a>"));
  EXPECT_THAT(after->body, HasSubstr("<td>Основной прайс</td><td>не загружен</td>"));
  EXPECT_THAT(after->body, HasSubstr("<td>Прайс акций, распродаж и скидок</td><td>не загружен</td>"));
  EXPECT_THAT(after->body, ::testing::ContainsRegex("</a></td><td>[0-9]{2}\\.[0-9]{2}\\.20[0-9]{2} "
                                                    "[0-9]{2}:[0-9]{2}:[0-9]{2}</td>"));
  // The link, as a browser follows it, shows the list.
  EXPECT_EQ(ListOf("%CC%E0%E3%E0%E7%E8%ED%20%3C%26%3E", 3), "три");
}

TEST_F(ServiceTest, ListPageAndShortPagesAnswerClearly) {
  StartService();
  EXPECT_EQ(ListOf("nobody", 1), "(status 404)");
  EXPECT_EQ(ListOf("shop", 1), "(status 404)");  // not uploaded yet
  EXPECT_EQ(ListOf("shop", 4), "(status 400)");
  EXPECT_EQ(Client().Get("/list?price=1")->status, 400);
  EXPECT_EQ(Client().Get("/nothing-here")->status, 404);

  const std::pair<const char*, const char*> pages[] = {{"/remember", "Напоминание пароля"},
                                                       {"/newuser", "Регистрация магазина"}};
  for (const auto& [path, title] : pages) {
    auto res = Client().Get(path);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_THAT(res->body, HasSubstr(std::string("<title>") + title + "</title>"));
  }
}

TEST_F(ServiceTest, RestartKeepsTheListsAndTheirTimes) {
  StartService();
  const std::string list = AwkwardBytes();
  ASSERT_EQ(Upload("user=shop&pass=secret&price=2", list)->status, 200);
  const std::string index = Client().Get("/")->body;
  StopService();

  // What an interrupted upload may leave behind is cleared away on start.
  std::ofstream(data_ / "shop" / ".upload-list1.html.Ab12Cd") << "partial";
  StartService();
  EXPECT_EQ(ListOf("shop", 2), list);
  EXPECT_EQ(Client().Get("/")->body, index);
  EXPECT_THAT(ShopFiles(), ElementsAre("list2.html"));
}

TEST(TradingServiceSetup, UnusableAccountsAreRefusedAtStart) {
  const std::vector<std::vector<ServiceAccount>> cases = {
      {{"shop", "a"}, {"shop", "b"}},          // given twice
      {{"店", "a"}},                          // Windows-1251 lacks it
      {{"shop", "\xFF\xFE"}},                 // not UTF-8
      {{std::string(241, 'a'), "a"}},         // too long for a folder name
      {{"", "a"}},                            // no user name
  };
  for (const auto& accounts : cases) {
    TServiceOptions options;
    options.port = 0;
    options.data = std::filesystem::temp_directory_path() / "tarvo-service-unused";
    options.accounts = accounts;
    EXPECT_THROW(TradingService service(options), Exception) << accounts[0].user;
  }
  std::filesystem::remove_all(std::filesystem::temp_directory_path() / "tarvo-service-unused");
}
