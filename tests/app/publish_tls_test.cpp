// The publishing run over HTTPS: the real window, fetcher and uploader against the trading
// service (or a TLS test server) on the loopback with certificates of a test authority the
// agent trusts through SSL_CERT_FILE.

#include <gmock/gmock.h>

#include <filesystem>
#include <memory>

#include "app/file_date.h"
#include "platform/internet_client.h"
#include "publish_fixture.h"
#include "tests/common/test_certificates.h"
#include "tests/common/tls_test_server.h"
#include "tests/xls/biff_builder.h"

namespace {

const std::string kThirdList = "../shared/corpus/pricelist_gnumeric.xls";
const std::string kCheckAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";

class PublishTlsTest : public PublishTest {
 protected:
  void SetUp() override {
    PublishTest::SetUp();
    trusted_ = std::make_unique<TTrustedAuthority>(authority_);
  }
  void TearDown() override {
    PublishTest::TearDown();
    trusted_.reset();
  }

  // Points the agent at https://`host`:`port`.
  static void UseSecureHost(int port, const std::string& host = "127.0.0.1") {
    setenv("TARVO_SERVICE_HOST", ("https://" + host + ":" + std::to_string(port)).c_str(), 1);
  }
  // Starts the service over HTTPS with a certificate of the test authority for the loopback
  // names and points the agent at it by `host`.
  void StartSecureService(const std::string& host = "127.0.0.1") {
    const TServerIdentity identity = authority_.Issue(kLoopbackNames);
    TServiceOptions options = ServiceOptions();
    options.tls_certificate = Path("cert.pem");
    options.tls_key = Path("key.pem");
    WriteBytes(options.tls_certificate, identity.certificate);
    WriteBytes(options.tls_key, identity.key);
    UseSecureHost(RunService(std::move(options)), host);
  }

  TTestAuthority authority_;                    // issues the servers' certificates
  std::unique_ptr<TTrustedAuthority> trusted_;  // the agent trusts it while the test runs
};

TEST_F(PublishTlsTest, PublishesOverHttpsWithAValidCertificate) {
  StartSecureService();
  TTestFormMain& form = Ready({kPriceList, "", kThirdList}, {true, false, true});
  SendAndWait();
  EXPECT_EQ(Page(), 13);
  EXPECT_TRUE(errors_.empty());
  EXPECT_THAT(Utf16ToUtf8(form.Brix_HTTPGet1->URL), ::testing::StartsWith("https://127.0.0.1:"));
  EXPECT_EQ(Stored(1), Converted(kPriceList));
  EXPECT_EQ(Stored(3), Converted(kThirdList));
  EXPECT_FALSE(Stored(2).has_value());
  const std::array<double, 3> saved = SavedDates();
  EXPECT_EQ(saved[0], WorkbookDate(kPriceList));
  EXPECT_EQ(saved[1], 0);
  EXPECT_EQ(saved[2], WorkbookDate(kThirdList));
}

// A workbook whose first sheet has `rows` rows of five numbers: its HTML runs to megabytes.
std::string LargeWorkbook(unsigned rows) {
  std::string records;
  for (unsigned row = 0; row < rows; ++row)
    for (unsigned col = 0; col < 5; ++col) records += NumberRec(row, col, 15, row * 10.0 + col + 0.25);
  return BuildCompoundFile(9, {{u"Workbook", OneSheet(records)}});
}

TEST_F(PublishTlsTest, ALargeListArrivesIntactOverHttps) {
  StartSecureService("localhost");
  const std::string workbook = Path("large.xls");
  WriteBytes(workbook, LargeWorkbook(30000));
  Ready({workbook, "", ""}, {true, false, false});
  SendAndWait();
  EXPECT_EQ(Page(), 13);
  const std::optional<std::string> stored = Stored(1);
  ASSERT_TRUE(stored.has_value());
  EXPECT_GT(stored->size(), 2u << 20);
  EXPECT_TRUE(*stored == Converted(workbook)) << "the stored list differs";
  EXPECT_EQ(SavedDates()[0], WorkbookDate(workbook));
}

// A certificate the agent must refuse: the handshake never completes, nothing is sent and the
// run ends on the connection-error page with no date recorded.
enum class TBadCertificate { kOtherName, kSelfSigned, kExpired };

std::string CertificateName(const ::testing::TestParamInfo<TBadCertificate>& info) {
  const char* const names[] = {"OtherName", "SelfSigned", "Expired"};
  return names[static_cast<int>(info.param)];
}

class PublishRefusedTest : public PublishTlsTest, public ::testing::WithParamInterface<TBadCertificate> {
 protected:
  TServerIdentity Identity() const {
    switch (GetParam()) {
      case TBadCertificate::kOtherName:
        return authority_.Issue("DNS:shop.example,IP:192.0.2.7");
      case TBadCertificate::kSelfSigned:
        return TTestAuthority::SelfSigned(kLoopbackNames);
      case TBadCertificate::kExpired:
        return authority_.Issue(kLoopbackNames, -60, -1);
    }
    return {};
  }
};

TEST_P(PublishRefusedTest, EndsOnTheConnectionErrorPageWithNothingSent) {
  TTlsTestServer server(Identity(), TTlsTestServer::Answer(kCheckAnswer));
  UseSecureHost(server.Port());
  TTestFormMain& form = Ready({kPriceList, "", ""}, {true, false, false});
  SendAndWait();
  EXPECT_EQ(Page(), 10);
  EXPECT_GE(server.Connections(), 1);
  EXPECT_EQ(server.Handshakes(), 0);
  EXPECT_EQ(form.FConfig.Price1Date, 0);
  EXPECT_EQ(SavedDates()[0], 0);
  EXPECT_TRUE(errors_.empty());
}

INSTANTIATE_TEST_SUITE_P(Certificates, PublishRefusedTest,
                         ::testing::Values(TBadCertificate::kOtherName, TBadCertificate::kSelfSigned,
                                           TBadCertificate::kExpired),
                         CertificateName);

TEST_F(PublishTlsTest, BackDuringAStalledHandshakeLeavesAtOnce) {
  TTlsTestServer server(authority_.Issue(kLoopbackNames), nullptr, TTlsTestServer::Mode::kStallInHandshake);
  UseSecureHost(server.Port());
  TTestFormMain& form = Ready({kPriceList, "", ""}, {true, false, false});
  Click(form.AdvSmoothButton4);
  ASSERT_TRUE(WaitFor([&] { return server.Connections() > 0; }));
  ASSERT_TRUE(form.Brix_HTTPGet1->InUse());
  Click(form.AdvSmoothButton30);
  EXPECT_EQ(Page(), 6);
  EXPECT_EQ(form.FetcherAborts, 1);
  EXPECT_TRUE(WaitFor([&] { return Page() == 10; }));
  EXPECT_FALSE(form.Brix_HTTPGet1->InUse());
  EXPECT_FALSE(form.clUploader2->IsBusy());
  EXPECT_EQ(server.Handshakes(), 0);
  EXPECT_EQ(SavedDates()[0], 0);
  EXPECT_TRUE(errors_.empty());
}

// Sets the internet client's default send and receive time-outs while it lives.
class TShortTimeouts {
 public:
  explicit TShortTimeouts(DWORD ms) {
    for (int i = 0; i < 2; ++i) {
      DWORD size = sizeof saved_[i];
      InternetQueryOption(0, kOptions[i], &saved_[i], &size);
      InternetSetOption(0, kOptions[i], &ms, sizeof ms);
    }
  }
  ~TShortTimeouts() {
    for (int i = 0; i < 2; ++i) InternetSetOption(0, kOptions[i], &saved_[i], sizeof saved_[i]);
  }

 private:
  static constexpr DWORD kOptions[2] = {INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT};
  DWORD saved_[2] = {};
};

TEST_F(PublishTlsTest, AStalledHandshakeTimesOutToTheConnectionErrorPage) {
  const TShortTimeouts timeouts(300);
  TTlsTestServer server(authority_.Issue(kLoopbackNames), nullptr, TTlsTestServer::Mode::kStallInHandshake);
  UseSecureHost(server.Port());
  TTestFormMain& form = Ready({kPriceList, "", ""}, {true, false, false});
  form.clUploader2->SetTimeOut(300);
  SendAndWait();
  EXPECT_EQ(Page(), 10);
  EXPECT_EQ(form.FetcherAborts, 0);
  EXPECT_EQ(server.Handshakes(), 0);
  EXPECT_EQ(SavedDates()[0], 0);
  EXPECT_TRUE(errors_.empty());
}

}  // namespace
