#include "publish_fixture.h"

#include <QProcess>
#include <QTest>
#include <filesystem>

#include "app/file_date.h"

double WorkbookDate(const std::string& workbook) {
  return GetFileDate(Utf8ToUtf16(std::filesystem::absolute(workbook).string()));
}

void PublishTest::TearDown() {
  form_.reset();
  service_.reset();
  unsetenv("TARVO_SERVICE_HOST");
  FormTest::TearDown();
}

void PublishTest::StartService(std::vector<ServiceAccount> accounts, std::size_t max_body) {
  TServiceOptions options = ServiceOptions();
  options.accounts = std::move(accounts);
  if (max_body != 0) options.max_body = max_body;
  UseHost(RunService(std::move(options)));
}

TServiceOptions PublishTest::ServiceOptions() {
  data_ = Path("service-data");
  TServiceOptions options;
  options.port = 0;
  options.data = data_;
  options.accounts = {{"shop", "secret"}};
  return options;
}

int PublishTest::RunService(TServiceOptions options) {
  service_ = std::make_unique<TradingService>(std::move(options));
  return service_->Start();
}

void PublishTest::UseHost(int port) {
  setenv("TARVO_SERVICE_HOST", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
}

TTestFormMain& PublishTest::Ready(const std::array<std::string, 3>& workbooks,
                                  std::array<bool, 3> flags, const std::string& user,
                                  const std::string& password) {
  TTestFormMain& form = Show(true);
  form.Timer1->SetEnabled(false);
  form.RealTransfers = true;
  form.UserNameEdit->SetText(U(user));
  form.PasswordEdit->SetText(U(password));
  TEdit* const edits[] = {form.Price11Edit, form.Price21Edit, form.Price31Edit};
  for (int i = 0; i < 3; ++i) {
    if (!workbooks[i].empty()) edits[i]->SetText(U(std::filesystem::absolute(workbooks[i]).string()));
  }
  SetPage(9);
  form.Send1 = flags[0];
  form.Send2 = flags[1];
  form.Send3 = flags[2];
  return form;
}

void PublishTest::SendAndWait() {
  Click(form_->AdvSmoothButton4);
  EXPECT_TRUE(WaitFor([this] { return !form_->Brix_HTTPGet1->InUse() && !form_->clUploader2->IsBusy(); }));
}

bool PublishTest::WaitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 30000); }

std::optional<std::string> PublishTest::Stored(int price, const std::string& user) const {
  return PriceStore(data_).Read(user, price);
}

std::string PublishTest::Converted(const std::string& workbook) {
  const std::string out = Path("converted.html");
  EXPECT_EQ(QProcess::execute(QStringLiteral(TARVO_XLS2HTML_BINARY),
                              {QString::fromStdString(workbook), QString::fromStdString(out)}),
            0);
  return ReadBytes(out);
}

std::array<double, 3> PublishTest::SavedDates() {
  TFormMain reader(folder_);
  reader.ReadConfig();
  return {reader.FConfig.Price1Date, reader.FConfig.Price2Date, reader.FConfig.Price3Date};
}

void PublishTest::Screenshot(const std::string& name) {
  std::filesystem::create_directories(TARVO_SCREENS_DIR);
  EXPECT_TRUE(form_->grab().toImage().save(QString::fromStdString(TARVO_SCREENS_DIR "/" + name + ".png")));
}
