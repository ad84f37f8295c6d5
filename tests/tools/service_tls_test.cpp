// The trading service over HTTPS: started with a certificate and its key from files, it serves
// every request through TLS only, keeps its limits there, and refuses to start with a
// certificate or key it cannot use.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "platform/exception.h"
#include "raw_connection.h"
#include "service_fixture.h"
#include "tests/common/test_certificates.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const std::string kCheck = "/upload?user=shop&pass=secret&price=4";

class ServiceTlsTest : public ServiceTest {
 protected:
  // Writes `text` to the file `name` beside the data folder; returns its path.
  std::filesystem::path Write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = data_.string() + "-" + name;
    std::ofstream(path, std::ios::binary) << text;
    written_.push_back(path);
    return path;
  }
  ~ServiceTlsTest() override {
    for (const auto& path : written_) std::filesystem::remove(path);
  }

  // The default options with a certificate for 127.0.0.1 from the test authority.
  TServiceOptions SecureOptions() {
    const TServerIdentity identity = authority_.Issue(kLoopbackNames);
    TServiceOptions options = Options();
    options.tls_certificate = Write("cert.pem", identity.certificate);
    options.tls_key = Write("key.pem", identity.key);
    return options;
  }
  // An HTTPS client of the running service that trusts the test authority only.
  std::unique_ptr<httplib::SSLClient> SecureClient() {
    auto client = std::make_unique<httplib::SSLClient>("127.0.0.1", port_);
    client->set_ca_cert_path(Write("authority.pem", authority_.CertificatePem()).c_str());
    client->enable_server_certificate_verification(true);
    client->set_url_encode(false);
    return client;
  }

  TTestAuthority authority_;
  std::vector<std::filesystem::path> written_;  // removed at the end
};

TEST_F(ServiceTlsTest, AnswersTheCheckAndStoresAndServesALargeListOverHttps) {
  StartServiceWith(SecureOptions());
  auto client = SecureClient();
  auto check = client->Get(kCheck.c_str());
  ASSERT_TRUE(check) << httplib::to_string(check.error());
  EXPECT_EQ(check->status, 200);
  EXPECT_EQ(check->body, "ok");

  // Several megabytes, every byte value, so that records split and joined anywhere show.
  std::string list;
  for (std::size_t i = 0; list.size() < (3u << 20); ++i) list += static_cast<char>((i * 7919) % 251);
  auto upload = client->Post("/upload?user=shop&pass=secret&price=2", AgentBody(list), AgentContentType().c_str());
  ASSERT_TRUE(upload);
  EXPECT_EQ(upload->status, 200);
  EXPECT_THAT(ShopFiles(), ElementsAre("list2.html"));
  auto served = client->Get("/list?user=shop&price=2");
  ASSERT_TRUE(served);
  EXPECT_EQ(served->status, 200);
  EXPECT_TRUE(served->body == list) << "the list differs";
}

TEST_F(ServiceTlsTest, PlainHttpGetsNoAnswerAndStoresNothing) {
  StartServiceWith(SecureOptions());
  auto check = Client().Get(kCheck.c_str());
  EXPECT_FALSE(check && check->status == 200);
  auto upload = Upload("user=shop&pass=secret&price=1", "<p>list</p>");
  EXPECT_FALSE(upload && upload->status == 200);
  EXPECT_TRUE(ShopFiles().empty());

  RawConnection raw(port_);
  raw.Send("POST /upload?user=shop&pass=secret&price=1 HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n\r\nhello");
  EXPECT_EQ(FirstStatus(raw.ReadToEnd()), 0);
  EXPECT_TRUE(ShopFiles().empty());
}

TEST_F(ServiceTlsTest, ATooLargeBodyIsRefusedOverHttpsToo) {
  TServiceOptions options = SecureOptions();
  options.max_body = 512;
  StartServiceWith(options);
  auto upload = SecureClient()->Post("/upload?user=shop&pass=secret&price=1",
                                     AgentBody(std::string(4096, 'x')), AgentContentType().c_str());
  ASSERT_TRUE(upload);
  EXPECT_EQ(upload->status, 413);
  EXPECT_TRUE(ShopFiles().empty());
}

// Clients that connect and never complete a handshake wait for their head: they make room for
// others when all connections are taken, and are dropped at the head's time-out.
TEST_F(ServiceTlsTest, UnfinishedHandshakesMakeRoomAndAreDroppedAtTheHeadTimeOut) {
  TServiceOptions options = SecureOptions();
  options.head_timeout = std::chrono::seconds(2);
  options.max_connections = 2;
  StartServiceWith(options);
  RawConnection silent(port_);
  RawConnection halfway(port_);
  // The start of a handshake record that never goes on.
  ASSERT_TRUE(halfway.Send(std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11)));
  EXPECT_FALSE(silent.Answered(200));

  auto check = SecureClient()->Get(kCheck.c_str());
  ASSERT_TRUE(check);
  EXPECT_EQ(check->body, "ok");
  for (RawConnection* raw : {&silent, &halfway}) {
    EXPECT_THAT(raw->ReadToEnd(), ::testing::Not(HasSubstr("<still open>")));
  }
}

TEST_F(ServiceTlsTest, ACertificateOrKeyThatCannotBeUsedStopsTheServiceAtStart) {
  const TServerIdentity identity = authority_.Issue(kLoopbackNames);
  const TServerIdentity other = authority_.Issue(kLoopbackNames);
  const std::filesystem::path certificate = Write("cert.pem", identity.certificate);
  const std::filesystem::path key = Write("key.pem", identity.key);
  const std::filesystem::path other_key = Write("other-key.pem", other.key);
  const std::filesystem::path garbage = Write("garbage.pem", "not a certificate");
  const std::filesystem::path missing = data_.string() + "-missing.pem";
  const struct {
    std::filesystem::path certificate, key;
    std::string error;
  } kCases[] = {
      {missing, key, "cannot load the TLS certificate " + missing.string() + ": No such file or directory"},
      {garbage, key, "cannot load the TLS certificate " + garbage.string() + ": no start line"},
      {certificate, missing, "cannot load the TLS key " + missing.string() + ": No such file or directory"},
      {certificate, garbage, "cannot load the TLS key " + garbage.string()},
      {certificate, other_key, "does not belong to the certificate"},
      {key, certificate, "cannot load the TLS certificate"},
      {certificate, "", "both a certificate and its key"},
  };
  for (const auto& start : kCases) {
    SCOPED_TRACE(start.error);
    TServiceOptions options = Options();
    options.tls_certificate = start.certificate;
    options.tls_key = start.key;
    try {
      TradingService service(options);
      ADD_FAILURE() << "the service was made";
    } catch (const Exception& e) {
      EXPECT_THAT(e.what(), HasSubstr(start.error));
    }
  }
}

}  // namespace
