// Which lists count as changed: workbook dates against stored upload dates, on the first show,
// page changes, the one-shot timer and the user's ticks.

#include <fcntl.h>
#include <sys/stat.h>

#include <QElapsedTimer>
#include <ctime>

#include "app/file_date.h"
#include "form_fixture.h"
#include "platform/date_time.h"
#include "platform/exception.h"

namespace {

// Sets a file's last write to a local clock time.
void SetLocalTime(const std::string& path, int year, int month, int day, int hour, int minute,
                  int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// 2024-03-15 10:20:31 local, as the agent sees it: seconds rounded down to even.
const double kWorkbookDate = EncodeDate(2024, 3, 15) + EncodeTime(10, 20, 30, 0);

class ChangeDetectionTest : public FormTest {
 protected:
  // A workbook for list n with the known date.
  std::string Workbook(int n) {
    const std::string path = Touch("list" + std::to_string(n) + ".xls");
    SetLocalTime(path, 2024, 3, 15, 10, 20, 31);
    return path;
  }
  // Stores settings as a previous run left them, then shows a new window on them.
  TTestFormMain& ShowWithSettings(const std::string paths[3], const double dates[3]) {
    TFormMain& writer = Create();
    TEdit* const edits[3] = {writer.Price11Edit, writer.Price21Edit, writer.Price31Edit};
    for (int n = 0; n < 3; ++n) edits[n]->SetText(U(paths[n]));
    writer.FConfig.Price1Date = dates[0];
    writer.FConfig.Price2Date = dates[1];
    writer.FConfig.Price3Date = dates[2];
    writer.SaveConfig();
    return Show();
  }
  std::vector<bool> Ticks() const {
    return {form_->CheckListBox1->Checked(0), form_->CheckListBox1->Checked(1),
            form_->CheckListBox1->Checked(2)};
  }
  std::vector<bool> Flags() const { return {form_->Send1, form_->Send2, form_->Send3}; }
  // Toggles item `index` of the check list as the user does, with the space bar.
  void ToggleByUser(int index) {
    form_->CheckListBox1->setCurrentRow(index);
    QTest::keyClick(form_->CheckListBox1, Qt::Key_Space);
  }
};

TEST_F(ChangeDetectionTest, FileDatesHaveTwoSecondStepsAndZeroForNoFile) {
  EXPECT_EQ(GetFileDate(U(Workbook(1))), kWorkbookDate);
  EXPECT_EQ(GetFileDate(U(Path("missing.xls"))), 0);
  EXPECT_EQ(GetFileDate(u""), 0);
  std::filesystem::create_directory(Path("folder.xls"));
  EXPECT_EQ(GetFileDate(U(Path("folder.xls"))), 0);
  const std::string old = Touch("old.xls");
  SetLocalTime(old, 1975, 6, 1, 12, 0, 0);
  try {
    GetFileDate(U(old));
    ADD_FAILURE() << "a date before 1980 was accepted";
  } catch (const EConvertError& error) {
    EXPECT_STREQ(error.what(), "Invalid argument to date encode");
  }
}

TEST_F(ChangeDetectionTest, FirstShowWithAMainListShowsTheReadyPageAndTicksChangedLists) {
  const std::string paths[3] = {Workbook(1), Workbook(2), ""};
  const double dates[3] = {kWorkbookDate - 1, kWorkbookDate, 0};
  ShowWithSettings(paths, dates);
  EXPECT_EQ(Page(), 9);
  EXPECT_EQ(Flags(), (std::vector<bool>{true, false, false}));
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, false}));
  EXPECT_TRUE(errors_.empty());
}

TEST_F(ChangeDetectionTest, FirstShowWithoutAMainListShowsWelcomeAndClearsEveryFlag) {
  const std::string paths[3] = {"", Workbook(2), Workbook(3)};
  const double dates[3] = {0, 0, 0};
  ShowWithSettings(paths, dates);
  EXPECT_EQ(Page(), 0);
  EXPECT_EQ(Flags(), (std::vector<bool>{false, true, true}));  // the page change recomputed them
  form_->Send1 = true;
  form_->show();  // later shows repeat nothing
  EXPECT_TRUE(form_->Send1);
}

TEST_F(ChangeDetectionTest, ATouchedWorkbookIsFlaggedAndADeletedOneIsNot) {
  const std::string paths[3] = {Workbook(1), Workbook(2), Workbook(3)};
  const double dates[3] = {kWorkbookDate, kWorkbookDate, 0};
  ShowWithSettings(paths, dates);
  EXPECT_EQ(Flags(), (std::vector<bool>{false, false, true}));
  SetLocalTime(paths[1], 2024, 3, 15, 10, 20, 33);  // two seconds later
  std::filesystem::remove(paths[2]);
  SetPage(6);
  EXPECT_EQ(Flags(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, true}));  // marks are never cleared here
}

TEST_F(ChangeDetectionTest, AChangedPathIsStoredWithDateZeroAndWritten) {
  const std::string paths[3] = {Workbook(1), "", ""};
  const double dates[3] = {kWorkbookDate, 0, 0};
  TTestFormMain& form = ShowWithSettings(paths, dates);
  EXPECT_FALSE(form.Send1);
  const std::string other = Workbook(2);
  SetPage(1);
  form.Price11Edit->clear();
  QTest::keyClicks(form.Price11Edit, QString::fromStdString(other));
  EXPECT_EQ(form.Price12Edit->Text(), U(other));  // the partner follows every keystroke
  Click(form.AdvSmoothButton1);
  EXPECT_EQ(ShortStringText(form.FConfig.Price1Path), U(other));
  EXPECT_EQ(form.FConfig.Price1Date, 0);
  EXPECT_TRUE(form.Send1);

  TFormMain& reloaded = Create();
  reloaded.ReadConfig();
  EXPECT_EQ(reloaded.Price11Edit->Text(), U(other));
  EXPECT_EQ(reloaded.FConfig.Price1Date, 0);
}

// The first save takes every edit into the record; each edited list still restarts its
// history, so a new workbook older than the old one's upload is flagged all the same.
TEST_F(ChangeDetectionTest, PathsEditedTogetherEachRestartTheirHistory) {
  const std::string paths[3] = {Workbook(1), Workbook(2), ""};
  const double dates[3] = {kWorkbookDate, kWorkbookDate, 0};
  TTestFormMain& form = ShowWithSettings(paths, dates);
  EXPECT_EQ(Flags(), (std::vector<bool>{false, false, false}));
  const std::string first = Touch("new1.xls"), second = Touch("new2.xls");
  SetLocalTime(first, 2020, 1, 1, 0, 0, 0);
  SetLocalTime(second, 2020, 1, 1, 0, 0, 0);
  form.Price11Edit->SetText(U(first));
  form.Price21Edit->SetText(U(second));
  SetPage(1);
  EXPECT_EQ(form.FConfig.Price1Date, 0);
  EXPECT_EQ(form.FConfig.Price2Date, 0);
  EXPECT_EQ(Flags(), (std::vector<bool>{true, true, false}));
}

// Such a path is reported once, when the page changes, and stored again (with its list's
// history restarted) on every page change until the user picks another.
TEST_F(ChangeDetectionTest, APathTheRecordCannotHoldIsReportedAndStoredAgainOnEveryPageChange) {
  const std::string paths[3] = {Workbook(1), "", ""};
  const double dates[3] = {kWorkbookDate, 0, 0};
  TTestFormMain& form = ShowWithSettings(paths, dates);
  for (const std::u16string& path : {U(paths[0]) + std::u16string(300, u'x'), U(paths[0]) + u"中"}) {
    errors_.clear();
    form.Price11Edit->SetText(path);
    for (int page : {3, 9}) {
      form.FConfig.Price1Date = kWorkbookDate;
      SetPage(page);
      EXPECT_EQ(form.FConfig.Price1Date, 0);
    }
    EXPECT_EQ(errors_, std::vector<std::u16string>{
                           u"Путь к файлу «" + path +
                           u"» содержит символы, которые нельзя сохранить в настройках. "
                           u"Переименуйте файл или папку и выберите его снова."});
  }
  errors_.clear();
  form.Price11Edit->SetText(U(Workbook(1)) + u"Прайс №1");  // Windows-1251 holds it
  SetPage(3);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(ChangeDetectionTest, TickingFlagsAListAndClearsItsDateUntickingHoldsUntilTheNextChange) {
  const std::string paths[3] = {Workbook(1), Workbook(2), Workbook(3)};
  const double dates[3] = {kWorkbookDate, kWorkbookDate, kWorkbookDate};
  TTestFormMain& form = ShowWithSettings(paths, dates);
  EXPECT_EQ(Flags(), (std::vector<bool>{false, false, false}));
  ToggleByUser(2);
  EXPECT_EQ(Flags(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(form.FConfig.Price3Date, 0);
  EXPECT_EQ(form.FConfig.Price1Date, kWorkbookDate);
  ToggleByUser(2);
  EXPECT_EQ(Flags(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false}));
  SetPage(6);
  SetPage(9);
  EXPECT_EQ(Flags(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, true}));
}

TEST_F(ChangeDetectionTest, Timer1SynchronisesOnceAboutASecondAfterStart) {
  QElapsedTimer clock;
  clock.start();
  TTestFormMain& form = Show(/*keep_timers=*/true);
  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_EQ(form.Timer1->Interval(), 1000);
  const std::string workbook = Workbook(1);
  form.Price11Edit->SetText(U(workbook));
  QTest::qWait(400);
  if (clock.elapsed() < 900) {
    EXPECT_EQ(form.FConfig.Price1Path.Length, 0);  // not yet
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Timer1->Enabled(); }, 5000));
  EXPECT_EQ(ShortStringText(form.FConfig.Price1Path), U(workbook));
  EXPECT_TRUE(form.Send1);
  EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
}

TEST_F(ChangeDetectionTest, AnInexpressibleDateIsReportedAndLeavesTheHandler) {
  const std::string workbook = Workbook(1);
  TFormMain& writer = Create();
  writer.Price11Edit->SetText(U(workbook));
  writer.SaveConfig();
  SetLocalTime(workbook, 1975, 1, 1, 0, 0, 0);
  TTestFormMain& form = Show();
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], u"Invalid argument to date encode");
  EXPECT_EQ(Page(), 12);  // the first page was never chosen
  EXPECT_TRUE(form.Send1);
  Click(form.AdvSmoothButton25);  // the page changes, then its recomputation fails
  EXPECT_EQ(Page(), 9);
  EXPECT_EQ(errors_.size(), 2u);
}

}  // namespace
