// The publishing run end to end: the real window, fetcher and uploader against the trading
// service (or a raw server) on 127.0.0.1, and the previews.

#include <gmock/gmock.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <mutex>

#include "app/file_date.h"
#include "publish_fixture.h"
#include "tests/common/raw_http_server.h"
#include "tests/xls/biff_builder.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;

// One workbook per list, each written by another program; the third is an .xlsx.
const std::array<std::string, 3> kWorkbooks = {kPriceList, "../shared/corpus/pricelist_xlwt.xls",
                                               "../shared/corpus-xlsx/pricelist_gnumeric.xlsx"};
const char* const kHtmlNames[] = {"output.html", "output2.html", "output3.html"};

// The first lines of the requests a raw server received.
class TRequestLog {
 public:
  void Add(const std::string& request) {
    std::lock_guard guard(lock_);
    lines_.push_back(request.substr(0, request.find("\r\n")));
  }
  std::vector<std::string> Lines() {
    std::lock_guard guard(lock_);
    return lines_;
  }

 private:
  std::mutex lock_;
  std::vector<std::string> lines_;
};

const std::string kUploadAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok";

TEST_F(PublishTest, TransfersAreSetUpAsTheAgentNeedsThem) {
  TFormMain& form = Create();
  const TBrix_HTTPGet& fetcher = *form.Brix_HTTPGet1;
  EXPECT_EQ(fetcher.AcceptTypes, u"*/*");
  EXPECT_EQ(fetcher.AgentKind(), akIE5);
  EXPECT_EQ(fetcher.Agent, u"Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)");
  EXPECT_FALSE(fetcher.BinaryData || fetcher.UseCache || fetcher.WaitThread || fetcher.DropOffline);
  EXPECT_EQ(fetcher.Port, hpDefault);
  const TclUploader& uploader = *form.clUploader2;
  EXPECT_EQ(uploader.TimeOut(), 30000);
  EXPECT_EQ(uploader.ReconnectAfter(), 30000);
  EXPECT_EQ(uploader.InternetAgent, u"Mozilla/4.0 (compatible; Tarvo Uploader)");
  EXPECT_TRUE(uploader.UseHttpRequest());
  EXPECT_EQ(uploader.RequestMethod(), u"POST");
  EXPECT_EQ(uploader.HttpRequest(), form.clHttpRequest);
  EXPECT_EQ(form.clHttpRequest->Header()->Accept(), u"*/*");
}

// A run over the three lists: which have a workbook, which are flagged, which have their stored
// date equal to the workbook's, and what the run leaves behind.
struct TRunCase {
  std::array<bool, 3> configured;
  std::array<bool, 3> flagged;
  std::array<bool, 3> unchanged;  // stored date = the workbook's date
  std::array<bool, 3> uploaded;   // lists the service holds afterwards
  int page;                       // where the run ends
};

void PrintTo(const TRunCase& run, std::ostream* os) {
  for (const auto& lists : {run.configured, run.flagged, run.unchanged, run.uploaded})
    *os << lists[0] << lists[1] << lists[2] << ' ';
  *os << "page " << run.page;
}

class PublishRunTest : public PublishTest, public ::testing::WithParamInterface<TRunCase> {};

TEST_P(PublishRunTest, UploadsEachChangedFlaggedListInTurn) {
  const TRunCase& run = GetParam();
  StartService();
  std::array<std::string, 3> workbooks;
  for (int i = 0; i < 3; ++i)
    if (run.configured[i]) workbooks[i] = kWorkbooks[i];
  TTestFormMain& form = Ready(workbooks, run.flagged);
  double* const dates[] = {&form.FConfig.Price1Date, &form.FConfig.Price2Date, &form.FConfig.Price3Date};
  for (int i = 0; i < 3; ++i)
    if (run.unchanged[i]) *dates[i] = WorkbookDate(kWorkbooks[i]);
  SendAndWait();

  EXPECT_EQ(Page(), run.page);
  EXPECT_TRUE(WaitFor([&] { return !form.AdvSmoothProgressBar1->Visible(); }));
  EXPECT_TRUE(errors_.empty());
  EXPECT_THAT(Utf16ToUtf8(form.Brix_HTTPGet1->URL), EndsWith("&price=4"));
  const std::array<double, 3> saved = SavedDates();
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(kHtmlNames[i]);
    const std::optional<std::string> stored = Stored(i + 1);
    ASSERT_EQ(stored.has_value(), run.uploaded[i]);
    EXPECT_EQ(std::filesystem::exists(Path(kHtmlNames[i])), run.uploaded[i]);
    if (run.uploaded[i]) {
      EXPECT_EQ(*stored, Converted(kWorkbooks[i]));
      EXPECT_EQ(ReadBytes(Path(kHtmlNames[i])), *stored);
      EXPECT_EQ(saved[i], WorkbookDate(kWorkbooks[i]));
    } else if (!run.unchanged[i]) {
      EXPECT_EQ(saved[i], 0);
    }
  }
  if (Page() == 13) Screenshot("publish-success");
}

constexpr std::array<bool, 3> kNone{}, kAll{true, true, true}, kFirst{true, false, false},
    kFirstTwo{true, true, false}, kFirstAndLast{true, false, true};

INSTANTIATE_TEST_SUITE_P(
    Lists, PublishRunTest,
    ::testing::Values(
        TRunCase{kFirst, kFirst, kNone, kFirst, 13},
        TRunCase{kFirstAndLast, kFirstAndLast, kNone, kFirstAndLast, 13},  // 2 declines, 3 follows
        TRunCase{kFirstTwo, kFirstTwo, kNone, kFirstTwo, 13},
        TRunCase{kAll, kAll, kNone, kAll, 13},
        TRunCase{kAll, kNone, kNone, kNone, 9},  // the check alone
        TRunCase{kFirstTwo, kFirstTwo, kFirst, {false, true, false}, 13},
        // List 2 declines after list 1 and list 3 is not flagged: no success page.
        TRunCase{kFirstTwo, kFirstTwo, {false, true, false}, kFirst, 9},
        TRunCase{kFirst, kFirst, kFirst, kNone, 9},
        // Changed lists left unticked are flagged again when the success page of list 1
        // appears, and follow.
        TRunCase{kAll, kFirst, kNone, kAll, 13}));

// The login as typed, the account the service knows, and whether the service takes it.
struct TLoginCase {
  std::string user, password;  // typed in the window
  ServiceAccount account;      // known to the service
  bool accepted;
};

void PrintTo(const TLoginCase& login, std::ostream* os) {
  *os << login.user << ':' << login.password << " for " << login.account.user << ':'
      << login.account.password;
}

class PublishLoginTest : public PublishTest, public ::testing::WithParamInterface<TLoginCase> {};

TEST_P(PublishLoginTest, ReachesTheServiceAsTyped) {
  const TLoginCase& login = GetParam();
  StartService({login.account});
  Ready({kPriceList, "", ""}, {true, false, false}, login.user, login.password);
  SendAndWait();
  EXPECT_EQ(Page(), login.accepted ? 13 : 14);
  EXPECT_EQ(Stored(1, login.account.user).has_value(), login.accepted);
  EXPECT_EQ(form_->AdvSmoothProgressBar1->Visible(), false);
}

INSTANTIATE_TEST_SUITE_P(
    Logins, PublishLoginTest,
    ::testing::Values(TLoginCase{"shop", "p&ss #1", {"shop", "p&ss #1"}, true},
                      TLoginCase{"Лавка №1", "пароль + %20?", {"Лавка №1", "пароль + %20?"}, true},
                      TLoginCase{"shop", "secret", {"shop", "Secret"}, false},
                      TLoginCase{"shop", "p&ss", {"shop", "p&ss #1"}, false}));

// The first line of the check's answer decides; letter case and blanks count.
struct TAnswerCase {
  std::string body;  // of the check's answer
  int page;          // 13: accepted and list 1 sent; 14: refused; 10: the fetch failed
};

void PrintTo(const TAnswerCase& answer, std::ostream* os) {
  *os << ::testing::PrintToString(answer.body) << " -> page " << answer.page;
}

class PublishAnswerTest : public PublishTest, public ::testing::WithParamInterface<TAnswerCase> {};

TEST_P(PublishAnswerTest, OnlyAFirstLineOfOkStartsTheUploads) {
  TRequestLog log;
  TRawHttpServer server([&](TRawConnection& c) {
    const std::string request = c.ReadRequest();
    log.Add(request);
    c.Send(request.starts_with("GET") ? "HTTP/1.0 200 OK\r\n\r\n" + GetParam().body : kUploadAnswer);
  });
  UseHost(server.Port());
  TTestFormMain& form = Ready({kPriceList, "", ""}, {true, false, false});
  SendAndWait();
  EXPECT_EQ(Page(), GetParam().page);
  std::vector<std::string> expected = {"GET /upload?user=shop&pass=secret&price=4 HTTP/1.0"};
  if (GetParam().page == 13) expected.push_back("POST /upload?user=shop&pass=secret&price=1 HTTP/1.1");
  EXPECT_EQ(log.Lines(), expected);
  if (GetParam().page == 14) {
    EXPECT_FALSE(form.AdvSmoothProgressBar1->Visible());
    EXPECT_EQ(form.AdvSmoothProgressBar1->Position(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, PublishAnswerTest,
                         ::testing::Values(TAnswerCase{"ok", 13}, TAnswerCase{"ok\r\nmore", 13},
                                           TAnswerCase{"ok\nmore\n", 13},
                                           TAnswerCase{"ok\rmore", 13}, TAnswerCase{"OK", 14},
                                           TAnswerCase{"ok ", 14}, TAnswerCase{" ok", 14},
                                           TAnswerCase{"\r\nok", 14}, TAnswerCase{"error\nwhy", 14},
                                           TAnswerCase{"", 10}));

// The service answers 413 (payload too large): the run ends on the "files too large" page.
TEST_F(PublishTest, AListTheServiceRefusesAsTooLargeEndsTheRunOnPageEleven) {
  StartService({{"shop", "secret"}}, 512);  // every list is larger
  TTestFormMain& form = Ready({kWorkbooks[0], "", kWorkbooks[2]}, {true, false, true});
  form.clUploader2->SetReconnectAfter(1);  // its tries follow each other at once
  SendAndWait();
  EXPECT_EQ(Page(), 11);
  EXPECT_FALSE(form.AdvSmoothProgressBar1->Visible());
  EXPECT_EQ(form.clUploader2->LocalFile(), U(Path("output.html")));  // list 3 was not started
  EXPECT_FALSE(Stored(1).has_value());
  EXPECT_FALSE(Stored(3).has_value());
  EXPECT_EQ(SavedDates(), (std::array<double, 3>{0, 0, 0}));
  EXPECT_EQ(form.FConfig.Price1Date, 0);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PublishTest, BackDuringTheCheckLeavesAtOnceAndEndsOnTheConnectionErrorPage) {
  TRawHttpServer server([](TRawConnection& c) {
    c.ReadRequest();
    c.WaitForClose();  // no answer
  });
  UseHost(server.Port());
  TTestFormMain& form = Ready({kPriceList, "", ""}, {true, false, false});
  Click(form.AdvSmoothButton4);
  ASSERT_TRUE(form.Brix_HTTPGet1->InUse());
  EXPECT_EQ(form.AdvSmoothProgressBar1->Caption(), u"Авторификация на сервере ...");
  EXPECT_TRUE(form.AdvSmoothProgressBar1->Visible());
  Click(form.AdvSmoothButton30);
  EXPECT_EQ(Page(), 6);
  EXPECT_FALSE(form.AdvSmoothProgressBar1->Visible());
  EXPECT_EQ(form.FetcherAborts, 1);
  EXPECT_TRUE(WaitFor([&] { return Page() == 10; }));
  EXPECT_FALSE(form.Brix_HTTPGet1->InUse());
  EXPECT_FALSE(form.clUploader2->IsBusy());
  EXPECT_TRUE(errors_.empty());
}

TEST_F(PublishTest, BackDuringAnUploadStopsItWithoutRecordingItsDate) {
  TRequestLog log;
  TRawHttpServer server([&](TRawConnection& c) {
    const std::string request = c.ReadRequest();
    log.Add(request);
    if (request.starts_with("GET"))
      c.Send("HTTP/1.0 200 OK\r\n\r\nok\r\n");
    else
      c.WaitForClose();  // takes the list, never answers
  });
  UseHost(server.Port());
  TTestFormMain& form = Ready({kWorkbooks[0], "", kWorkbooks[2]}, {true, false, true}, "Лавка", "p&s# w");
  Click(form.AdvSmoothButton4);
  TSmoothProgressBar& bar = *form.AdvSmoothProgressBar1;
  ASSERT_TRUE(WaitFor([&] { return bar.Maximum() > 0 && bar.Position() == bar.Maximum(); }));
  EXPECT_EQ(bar.Maximum(), static_cast<double>(form.clHttpRequest->TotalSize()));
  EXPECT_EQ(bar.Caption(), u"Передача основного прайса");
  EXPECT_TRUE(bar.Visible());
  EXPECT_TRUE(WaitFor([&] { return !form.AdvSmoothButton4->isEnabled(); }));  // Timer2
  Screenshot("publish-uploading");

  Click(form.AdvSmoothButton30);
  EXPECT_EQ(Page(), 6);
  EXPECT_EQ(form.UploaderStops, 1);
  EXPECT_TRUE(WaitFor([&] { return !form.clUploader2->IsBusy(); }));
  EXPECT_EQ(Page(), 10);
  EXPECT_EQ(log.Lines(),
            (std::vector<std::string>{
                "GET /upload?user=%CB%E0%E2%EA%E0&pass=p%26s%23%20w&price=4 HTTP/1.0",
                "POST /upload?user=%CB%E0%E2%EA%E0&pass=p%26s%23%20w&price=1 HTTP/1.1"}));
  EXPECT_EQ(form.FConfig.Price1Date, 0);
  EXPECT_EQ(SavedDates()[0], 0);
  EXPECT_TRUE(errors_.empty());
}

// A workbook whose first sheet has a value at A1 and, as a stray entry, at the sheet's far
// corner: its table would have 16 million positions.
std::string StrayCellWorkbook() {
  return BuildCompoundFile(9, {{u"Workbook", OneSheet(NumberRec(0, 0, 15, 1) + NumberRec(65535, 255, 15, 2))}});
}

TEST_F(PublishTest, AFlaggedWorkbookWithAnEmptyFirstSheetIsReportedAndNothingIsSent) {
  StartService();
  const std::string empty = Path("empty.xls");
  WriteBytes(empty, BuildCompoundFile(9, {{u"Workbook", OneSheet("")}}));
  WriteBytes(Path("output.html"), "earlier");
  TTestFormMain& form = Ready({empty, "", kWorkbooks[2]}, {true, false, true});
  SendAndWait();
  EXPECT_EQ(errors_, std::vector<std::u16string>{u"В первом листе файла «" + U(empty) + u"» нет данных."});
  EXPECT_EQ(ReadBytes(Path("output.html")), "earlier");  // not handed to the uploader
  EXPECT_FALSE(Stored(1).has_value());
  EXPECT_FALSE(Stored(3).has_value());  // the run stopped at list 1
  EXPECT_EQ(Page(), 9);
  EXPECT_EQ(form.FConfig.Price1Date, 0);
}

TEST_F(PublishTest, AListWhoseHtmlWouldBeTooLargeEndsTheRunOnPageEleven) {
  StartService();
  const std::string stray = Path("stray.xls");
  WriteBytes(stray, StrayCellWorkbook());
  TTestFormMain& form = Ready({stray, "", kWorkbooks[2]}, {true, false, true});
  SendAndWait();
  EXPECT_EQ(Page(), 11);
  EXPECT_FALSE(form.AdvSmoothProgressBar1->Visible());
  EXPECT_FALSE(std::filesystem::exists(Path("output.html")));
  EXPECT_FALSE(Stored(1).has_value());
  EXPECT_FALSE(Stored(3).has_value());
  EXPECT_EQ(form.FConfig.Price1Date, 0);
  EXPECT_EQ(SavedDates()[0], 0);
  EXPECT_TRUE(errors_.empty());
}

// Every upload's connection is dropped: after its attempts the run ends on the connection-error
// page with nothing recorded; once the service is back, going back and sending again publishes.
TEST_F(PublishTest, ARunAfterDroppedUploadsPublishesOnceTheServiceIsBack) {
  TRequestLog log;
  std::atomic<bool> back{false};
  TRawHttpServer server([&](TRawConnection& c) {
    const std::string request = c.ReadRequest();
    log.Add(request);
    if (request.starts_with("GET")) c.Send("HTTP/1.0 200 OK\r\n\r\nok");
    else if (back) c.Send(kUploadAnswer);
    // otherwise the connection closes unanswered
  });
  UseHost(server.Port());
  TTestFormMain& form = Ready({kPriceList, "", ""}, {true, false, false});
  form.clUploader2->SetReconnectAfter(1);
  SendAndWait();
  EXPECT_EQ(Page(), 10);
  EXPECT_EQ(log.Lines().size(), 6u);  // the check and five attempts
  EXPECT_EQ(form.FConfig.Price1Date, 0);
  EXPECT_EQ(SavedDates()[0], 0);

  back = true;
  Click(form.AdvSmoothButton34);  // "{ Назад"
  EXPECT_EQ(Page(), 9);
  ASSERT_TRUE(WaitFor([&] { return form.AdvSmoothButton4->isEnabled(); }));
  ASSERT_TRUE(form.Send1);
  SendAndWait();
  EXPECT_EQ(Page(), 13);
  EXPECT_EQ(log.Lines().size(), 8u);
  EXPECT_EQ(SavedDates()[0], WorkbookDate(kPriceList));
  EXPECT_TRUE(errors_.empty());
}

// An .xlsx price list goes the same way as an .xls one: converted as the converter converts it,
// uploaded, its date recorded; its preview opens the same HTML.
TEST_F(PublishTest, AnXlsxPriceListIsPublishedAndPreviewed) {
  const std::string workbook = "../shared/corpus-xlsx/pricelist_xlsxwriter.xlsx";
  StartService();
  TTestFormMain& form = Ready({workbook, "", ""}, {true, false, false});
  SendAndWait();
  EXPECT_EQ(Page(), 13);
  const std::optional<std::string> stored = Stored(1);
  ASSERT_TRUE(stored.has_value());
  EXPECT_EQ(*stored, Converted(workbook));
  EXPECT_THAT(*stored, HasSubstr("<table"));
  EXPECT_EQ(SavedDates()[0], WorkbookDate(workbook));

  std::filesystem::remove(Path("output.html"));
  SetPage(2);
  Click(form.AdvSmoothButton5);
  EXPECT_EQ(ReadBytes(Path("output.html")), *stored);
  EXPECT_EQ(opened_, std::vector<std::u16string>{U(Path("output.html"))});
  EXPECT_TRUE(errors_.empty());
}

// A settings file written by another implementation of the format: a run started from it
// records the upload date where that format keeps it and leaves the other fields as they were.
TEST_F(PublishTest, TheUploadDateLandsInASettingsFileWrittenElsewhere) {
  StartService({{"shop-42", "p@ss word&#1"}});
  const std::string plain = ReadBytes("../shared/fixtures/settings/plain.kvb");
  WriteBytes(SettingsFile(), plain);
  Ready({kPriceList, "", ""}, {true, false, false}, "shop-42", "p@ss word&#1");
  SendAndWait();
  EXPECT_EQ(Page(), 13);
  EXPECT_TRUE(Stored(1, "shop-42").has_value());
  const std::string before = DecipherSettings(plain);
  const std::string after = DecipherSettings(ReadBytes(SettingsFile()));
  ASSERT_EQ(after.size(), 1560u);
  double dates[3];
  std::memcpy(dates, after.data() + 1536, sizeof dates);  // three doubles end the record
  EXPECT_EQ(dates[0], WorkbookDate(kPriceList));
  EXPECT_EQ(dates[1], 0);
  EXPECT_EQ(dates[2], 46300.75);
  EXPECT_EQ(after.substr(0, 512), before.substr(0, 512));  // user name and password
}

// A preview converts the list's workbook into its HTML file beside the program and hands that
// file to the shell; without a workbook it does nothing.
TEST_F(PublishTest, PreviewsWriteTheListsHtmlAndOpenIt) {
  const std::string empty = Path("empty.xls"), stray = Path("stray.xls");
  WriteBytes(empty, BuildCompoundFile(9, {{u"Workbook", OneSheet("")}}));
  WriteBytes(stray, StrayCellWorkbook());
  const struct {
    int list;
    std::string workbook;
    bool written;       // the HTML file exists (and is opened) afterwards
    std::string error;  // what the error report says, if anything
  } kCases[] = {
      {2, kWorkbooks[1], true, ""},
      {1, kWorkbooks[0], true, ""},
      {3, kWorkbooks[2], true, ""},
      {2, "", false, ""},
      {2, Path("missing.xls"), false, ""},
      {3, empty, false, "В первом листе файла «" + empty + "» нет данных."},
      {1, stray, false, "Прайс из файла «" + stray + "» слишком велик"},
  };
  TTestFormMain& form = Show();
  TEdit* const edits[] = {form.Price12Edit, form.Price22Edit, form.Price32Edit};
  TSmoothButton* const buttons[] = {form.AdvSmoothButton5, form.AdvSmoothButton9, form.AdvSmoothButton13};
  for (const auto& preview : kCases) {
    SCOPED_TRACE(preview.workbook);
    const std::string html = Path(kHtmlNames[preview.list - 1]);
    std::filesystem::remove(html);
    opened_.clear();
    errors_.clear();
    edits[preview.list - 1]->SetText(U(preview.workbook));
    SetPage(3 * preview.list - 1);
    Click(buttons[preview.list - 1]);
    EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
    EXPECT_EQ(std::filesystem::exists(html), preview.written);
    if (preview.written) {
      EXPECT_EQ(ReadBytes(html), Converted(preview.workbook));
    }
    EXPECT_EQ(opened_, preview.written ? std::vector<std::u16string>{U(html)} : std::vector<std::u16string>{});
    if (preview.error.empty()) {
      EXPECT_TRUE(errors_.empty());
    } else {
      ASSERT_EQ(errors_.size(), 1u);
      EXPECT_THAT(Utf16ToUtf8(errors_[0]), HasSubstr(preview.error));
    }
  }
}

}  // namespace
