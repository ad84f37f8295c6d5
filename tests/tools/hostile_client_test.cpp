// The trading service against clients that do not keep to the rules. Each test sends what one
// kind of hostile client sends and checks the answers, the stored lists and the peak resident
// memory of this process, which runs the service.

#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

#include "raw_connection.h"
#include "resident_memory.h"
#include "service_fixture.h"

using ::testing::ElementsAre;

namespace {

// How far the peak resident memory may rise while a test runs: the client's own buffers and
// the sanitizers' bookkeeping, far below the megabytes each attack sends or asks for.
constexpr std::size_t kModestGrowth = 48u << 20;
const std::string kSecret = "user=shop&pass=secret&price=";
// What every 500 answer says.
const std::string kInternalError = "error\nВнутренняя ошибка сервиса\n";

// The head of an upload as the agent sends it, with `more` header lines.
std::string UploadHead(std::string_view query, std::uint64_t length, std::string_view more = "") {
  return "POST /upload?" + std::string(query) + " HTTP/1.1\r\nHost: x\r\nContent-Type: " +
         AgentContentType() + "\r\nContent-Length: " + std::to_string(length) + "\r\n" +
         std::string(more) + "\r\n";
}

int ThreadCount() {
  int count = 0;
  DIR* dir = opendir("/proc/self/task");
  while (const dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
  closedir(dir);
  return count;
}

// Waits up to 5 seconds for `done`.
bool Eventually(const std::function<bool()>& done) {
  for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

class HostileClientTest : public ServiceTest {
 protected:
  // Starts the service with `options`, stores "old" as list 1 and starts a new memory peak.
  void Start(TServiceOptions options) {
    StartServiceWith(std::move(options));
    ASSERT_EQ(Upload(kSecret + "1", "old")->status, 200);
    ResetPeakResident();
    start_ = PeakResident();
  }
  void Start() { Start(Options()); }

  void ExpectModestMemory() {
    const std::size_t peak = PeakResident();
    EXPECT_LT(peak, start_ + kModestGrowth) << "the peak rose by " << (peak - start_) / 1024 << " KiB";
  }
  // List 1 is still "old", list 2 was never stored, nothing half-written is left.
  void ExpectListsUnchanged() {
    EXPECT_EQ(ListOf("shop", 1), "old");
    EXPECT_EQ(ListOf("shop", 2), "(status 404)");
    EXPECT_THAT(ShopFiles(), ElementsAre("list1.html"));
  }

  std::size_t start_ = 0;  // the resident size when the attack began
};

}  // namespace

TEST_F(HostileClientTest, RangesAreIgnoredAndAListGoesOutWholeOnce) {
  Start();
  std::string list;
  while (list.size() < (1u << 20)) list += "<tr><td>Дюбель М10×40</td><td>12,50</td></tr>\n";
  ASSERT_EQ(Upload(kSecret + "2", list)->status, 200);
  ResetPeakResident();

  std::string many = "bytes=0-";
  for (int i = 1; i < 2000; ++i) many += ",0-";
  for (const std::string& ranges : {std::string("bytes=0-9"), std::string("bytes=-5,0-0"), many}) {
    SCOPED_TRACE(ranges.substr(0, 20));
    auto res = Client().Get("/list?user=shop&price=2", {{"Range", ranges}});
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_FALSE(res->has_header("Content-Range"));
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(list.size()));
    EXPECT_TRUE(res->body == list) << "the list differs";
  }
  ExpectModestMemory();
}

TEST_F(HostileClientTest, EndlessOrTricklingHeadsAndStalledBodiesAreCutOff) {
  TServiceOptions options = Options();
  options.head_timeout = std::chrono::seconds(1);
  options.body_timeout = std::chrono::seconds(1);
  Start(options);

  // A header line without end on four connections at once, up to 8 MiB each.
  std::vector<std::unique_ptr<RawConnection>> endless;
  for (int i = 0; i < 4; ++i) {
    endless.push_back(std::make_unique<RawConnection>(port_));
    endless.back()->Send("GET / HTTP/1.1\r\nX-Endless: ");
  }
  const std::string chunk(64 * 1024, 'a');
  for (int round = 0; round < 128; ++round) {
    for (auto& connection : endless) {
      if (!connection->Answered()) connection->Send(chunk);
    }
  }
  for (auto& connection : endless) EXPECT_EQ(FirstStatus(connection->ReadToEnd()), 431);

  // Many short header lines.
  std::string lines = "GET / HTTP/1.1\r\n";
  for (int i = 0; i < 200; ++i) lines += "X-A: b\r\n";
  RawConnection many(port_);
  many.Send(lines + "\r\n");
  EXPECT_EQ(FirstStatus(many.ReadToEnd()), 431);

  // One header line every 50 ms: the head is cut off once its second has passed.
  RawConnection trickle(port_);
  trickle.Send("GET / HTTP/1.1\r\n");
  int sent = 0;
  for (; sent < 200 && !trickle.Answered(50); ++sent) trickle.Send("X-A: b\r\n");
  EXPECT_LT(sent, 200);
  EXPECT_EQ(FirstStatus(trickle.ReadToEnd()), 408);

  // An upload whose body stops halfway.
  const std::string body = AgentBody(std::string(100000, 'n'));
  RawConnection stalled(port_);
  stalled.Send(UploadHead(kSecret + "2", body.size()) + body.substr(0, body.size() / 2));
  EXPECT_EQ(FirstStatus(stalled.ReadToEnd()), 408);

  ExpectListsUnchanged();
  EXPECT_EQ(Client().Get("/")->status, 200);
  ExpectModestMemory();
}

TEST_F(HostileClientTest, AnEarlyRefusalEndsTheConnectionAndNothingAfterItIsServed) {
  TServiceOptions options = Options();
  options.max_body = 64 * 1024;
  Start(options);
  // What every request below carries after its own body or in place of it: an upload of list 2.
  const std::string list = AgentBody("smuggled");
  const std::string smuggled = UploadHead(kSecret + "2", list.size()) + list;
  const std::string form = "Content-Type: " + AgentContentType() + "\r\n";
  struct Case {
    const char* what;
    std::string target;
    std::string headers;
    std::size_t padding;  // bytes before the smuggled request
    int status;
  };
  const Case cases[] = {
      {"compressed body", "/upload?" + kSecret + "1", form + "Content-Encoding: gzip\r\n", 100, 415},
      {"body over the limit", "/upload?" + kSecret + "1", form, 70000, 413},
      {"wrong password", "/upload?user=shop&pass=wrong&price=1", form, 0, 403},
      {"unknown shop", "/upload?user=nobody&pass=secret&price=1", form, 0, 403},
      {"price 4", "/upload?" + kSecret + "4", form, 0, 400},
      {"not a form", "/upload?" + kSecret + "1", "Content-Type: text/html\r\n", 0, 400},
      {"chunked", "/upload?" + kSecret + "1", form + "Transfer-Encoding: chunked\r\n", 0, 411},
      {"no such page", "/nothing", form, 0, 404},
      {"a page that takes no post", "/list?user=shop&price=1", form, 0, 405},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string body = std::string(c.padding, 'p') + smuggled;
    RawConnection connection(port_);
    connection.Send("POST " + c.target + " HTTP/1.1\r\nHost: x\r\n" + c.headers +
                    "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    const std::string received = connection.ReadToEnd();
    EXPECT_EQ(FirstStatus(received), c.status);
    EXPECT_EQ(AnswerCount(received), 1);
    ExpectListsUnchanged();
  }

  // Nor is a request that follows a complete one on the same connection.
  const std::string first = AgentBody("first");
  RawConnection connection(port_);
  connection.Send(UploadHead(kSecret + "1", first.size()) + first + smuggled);
  const std::string received = connection.ReadToEnd();
  EXPECT_EQ(FirstStatus(received), 200);
  EXPECT_EQ(AnswerCount(received), 1);
  EXPECT_EQ(ListOf("shop", 1), "first");
  EXPECT_EQ(ListOf("shop", 2), "(status 404)");
  ExpectModestMemory();
}

TEST_F(HostileClientTest, IdleAndSlowClientsNeitherStarveOthersNorHoldUpTheStop) {
  TServiceOptions options = Options();
  options.max_connections = 4;
  options.head_timeout = std::chrono::minutes(5);
  options.body_timeout = std::chrono::minutes(5);
  Start(options);
  const int threads = ThreadCount();

  // Sixteen clients that send nothing or half a head, and never more.
  std::vector<std::unique_ptr<RawConnection>> idle;
  for (int i = 0; i < 16; ++i) {
    idle.push_back(std::make_unique<RawConnection>(port_));
    if (i % 2 == 1) idle.back()->Send("GET / HTTP/1.1\r\nX-Slow: ");
  }
  // Others are served meanwhile: each new connection takes the place of the one that has
  // waited longest on its client.
  auto check = Client().Get(("/upload?" + kSecret + "4").c_str());
  ASSERT_TRUE(check);
  EXPECT_EQ(check->body, "ok");
  ASSERT_EQ(Upload(kSecret + "2", "new")->status, 200);
  EXPECT_EQ(ListOf("shop", 2), "new");
  const auto closed = [&] {
    int count = 0;
    for (auto& connection : idle) count += connection->Answered() ? 1 : 0;
    return count;
  };
  EXPECT_TRUE(Eventually([&] { return closed() >= 12 && ThreadCount() <= threads + 4; }))
      << closed() << " idle connections closed; " << ThreadCount() - threads << " threads serve";

  // Stopping ends the connections that are left at once.
  auto stopped = std::async(std::launch::async, [this] { StopService(); });
  if (stopped.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
    ADD_FAILURE() << "the stop waits for idle clients";
    idle.clear();  // lets it end
  }
  stopped.wait();
  for (auto& connection : idle) EXPECT_EQ(connection->ReadToEnd(), "");
  ExpectModestMemory();
}

TEST_F(HostileClientTest, ListsAreShownSandboxedAndNoAnswerIsSniffed) {
  Start();
  const std::string markup =
      "<script>alert(document.cookie)</script><img src=x onerror=alert(1)>"
      "<form action=\"/upload?user=shop&pass=secret&price=1\" method=post>";
  ASSERT_EQ(Upload(kSecret + "2", markup)->status, 200);
  const std::string target = "/list?user=shop&price=2";
  for (const bool head : {false, true}) {
    SCOPED_TRACE(head ? "HEAD" : "GET");
    auto res = head ? Client().Head(target.c_str()) : Client().Get(target.c_str());
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Security-Policy"), "sandbox");
    EXPECT_EQ(res->get_header_value("X-Content-Type-Options"), "nosniff");
    EXPECT_EQ(res->get_header_value("Content-Length"), std::to_string(markup.size()));
  }
  EXPECT_EQ(ListOf("shop", 2), markup);  // kept as the shop sent it
  for (const std::string& page : {std::string("/"), std::string("/remember"),
                                  "/upload?" + kSecret + "4", std::string("/nothing")}) {
    SCOPED_TRACE(page);
    auto res = Client().Get(page.c_str());
    ASSERT_TRUE(res);
    EXPECT_EQ(res->get_header_value("X-Content-Type-Options"), "nosniff");
  }
  ExpectModestMemory();
}

TEST_F(HostileClientTest, CredentialsAreCheckedBeforeTheBodyIsRead) {
  Start();
  // A wrong password announcing 50 MB is refused after the first 64 KiB.
  RawConnection wrong(port_);
  wrong.Send(UploadHead("user=shop&pass=wrong&price=2", 50u << 20) + std::string(64 * 1024, 'b'));
  EXPECT_EQ(FirstStatus(wrong.ReadToEnd()), 403);

  // A client that waits for the go-ahead gets the refusal instead.
  RawConnection waiting(port_);
  waiting.Send(UploadHead("user=shop&pass=wrong&price=2", 50u << 20, "Expect: 100-continue\r\n"));
  const std::string refused = waiting.ReadToEnd();
  EXPECT_EQ(FirstStatus(refused), 403);
  EXPECT_EQ(AnswerCount(refused), 1);

  // An accepted login gets the go-ahead, then its answer.
  const std::string body = AgentBody("new");
  RawConnection accepted(port_);
  accepted.Send(UploadHead(kSecret + "3", body.size(), "Expect: 100-continue\r\n"));
  EXPECT_EQ(accepted.ReadSome(), "HTTP/1.1 100 Continue\r\n\r\n");
  accepted.Send(body);
  EXPECT_EQ(FirstStatus(accepted.ReadToEnd()), 200);

  EXPECT_EQ(ListOf("shop", 3), "new");
  EXPECT_EQ(ListOf("shop", 2), "(status 404)");
  EXPECT_THAT(ShopFiles(), ElementsAre("list1.html", "list3.html"));
  ExpectModestMemory();
}

TEST_F(HostileClientTest, LengthsThatAreNoNumberOrTooLargeAreRefusedAtOnce) {
  Start();
  const std::pair<std::string, int> cases[] = {
      {"-1", 400}, {"0x10", 400}, {"", 400}, {"1e3", 400},
      {"100000000000000000000000", 413}, {"18446744073709551616", 413}, {"67108865", 413},
  };
  for (const auto& [length, status] : cases) {
    SCOPED_TRACE(length);
    RawConnection connection(port_);
    connection.Send("POST /upload?" + kSecret + "2 HTTP/1.1\r\nHost: x\r\nContent-Type: " +
                    AgentContentType() + "\r\nContent-Length: " + length + "\r\n\r\n" +
                    AgentBody("x"));
    EXPECT_EQ(FirstStatus(connection.ReadToEnd()), status);
  }
  ExpectListsUnchanged();
  ExpectModestMemory();
}

TEST_F(HostileClientTest, AnEmptyListIsRefusedAndReplacesNothing) {
  Start();
  auto res = Upload(kSecret + "1", "");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 400);
  EXPECT_EQ(res->body, "error\nПрайс-лист пуст\n");
  ExpectListsUnchanged();
  ExpectModestMemory();
}

TEST_F(HostileClientTest, InternalErrorsTellNothingOfTheServicesFiles) {
  Start();
  // List 2 is a folder.
  std::filesystem::create_directory(data_ / "shop" / "list2.html");
  auto shown = Client().Get("/list?user=shop&price=2");
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->status, 500);
  EXPECT_EQ(shown->body, kInternalError);
  std::filesystem::remove(data_ / "shop" / "list2.html");

  // The shop's folder is a file.
  std::filesystem::rename(data_ / "shop", data_ / "kept");
  std::ofstream(data_ / "shop") << "not a folder";
  auto stored = Upload(kSecret + "2", "new");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->status, 500);
  EXPECT_EQ(stored->body, kInternalError);
  std::filesystem::remove(data_ / "shop");
  std::filesystem::rename(data_ / "kept", data_ / "shop");

  ExpectListsUnchanged();
  ExpectModestMemory();
}
