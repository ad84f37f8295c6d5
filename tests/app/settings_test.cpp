// The settings record and file: stored files written elsewhere load into exactly their fields
// and save back unchanged; saving never loses the old file.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>

#include "form_fixture.h"
#include "tests/common/permissions_enforced.h"
#include "platform/codepage.h"

namespace {

const std::string kFixtures = "../shared/fixtures/settings/";

std::string RecordBytes(const TAgentConfig& config) {
  return std::string(reinterpret_cast<const char*>(&config), sizeof config);
}

struct StoredFile {
  const char* name;
  const char* user_name;
  const char* password;
  const char* paths[3];
  double dates[3];
};

const StoredFile kStoredFiles[] = {
    {"plain", "shop-42", "p@ss word&#1",
     {"/home/shop/Прайс основной.xls", "/home/shop/akcii.xls", ""}, {45000.5, 0, 46300.75}},
    {"stale_tail", "abcde", "Пароль", {"C:\\Прайсы\\main.xls", "", "/tmp/x.xls"}, {0, 44927, 1.5}},
};

class StoredSettingsTest : public FormTest, public ::testing::WithParamInterface<StoredFile> {};

TEST_P(StoredSettingsTest, LoadsIntoExactlyTheListedFields) {
  const StoredFile& stored = GetParam();
  WriteBytes(SettingsFile(), ReadBytes(kFixtures + stored.name + ".kvb"));
  TFormMain& form = Create();
  form.ReadConfig();
  EXPECT_EQ(form.UserNameEdit->Text(), U(stored.user_name));
  EXPECT_EQ(form.PasswordEdit->Text(), U(stored.password));
  TEdit* const edits[3][2] = {{form.Price11Edit, form.Price12Edit},
                              {form.Price21Edit, form.Price22Edit},
                              {form.Price31Edit, form.Price32Edit}};
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(edits[n][0]->Text(), U(stored.paths[n])) << n;
    EXPECT_EQ(edits[n][1]->Text(), U(stored.paths[n])) << n;
  }
  EXPECT_EQ(form.FConfig.Price1Date, stored.dates[0]);
  EXPECT_EQ(form.FConfig.Price2Date, stored.dates[1]);
  EXPECT_EQ(form.FConfig.Price3Date, stored.dates[2]);
  EXPECT_TRUE(RecordBytes(form.FConfig) == ReadBytes(kFixtures + stored.name + ".record"));
}

TEST_P(StoredSettingsTest, SavingBackUnchangedGivesTheSameBytes) {
  const std::string original = ReadBytes(kFixtures + GetParam().name + ".kvb");
  WriteBytes(SettingsFile(), original);
  TFormMain& form = Create();
  form.ReadConfig();
  form.SaveConfig();
  EXPECT_TRUE(ReadBytes(SettingsFile()) == original);
  EXPECT_FALSE(std::filesystem::exists(SettingsFile() + ".new"));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, StoredSettingsTest, ::testing::ValuesIn(kStoredFiles),
                         [](const auto& info) { return std::string(info.param.name); });

using SettingsTest = FormTest;

TEST_F(SettingsTest, SaveThenLoadRestoresEveryField) {
  const std::u16string long_name(255, u'Ж');
  {
    TFormMain& form = Create();
    form.UserNameEdit->SetText(long_name);
    form.PasswordEdit->SetText(u"пароль с пробелом");
    form.Price11Edit->SetText(u"/дом/прайс.xls");
    form.Price21Edit->SetText(u"/home/a b.xls");
    form.Price31Edit->SetText(u"");
    form.FConfig.Price1Date = 45123.25;
    form.FConfig.Price2Date = 1e-3;
    form.FConfig.Price3Date = 73050.99;
    form.SaveConfig();
  }
  const std::string file = ReadBytes(SettingsFile());
  ASSERT_EQ(file.size(), 1560u);
  struct stat st;
  ASSERT_EQ(stat(SettingsFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  TFormMain& form = Create();
  form.ReadConfig();
  EXPECT_EQ(form.UserNameEdit->Text(), long_name);
  EXPECT_EQ(form.PasswordEdit->Text(), u"пароль с пробелом");
  EXPECT_EQ(form.Price12Edit->Text(), u"/дом/прайс.xls");
  EXPECT_EQ(form.Price22Edit->Text(), u"/home/a b.xls");
  EXPECT_EQ(form.Price32Edit->Text(), u"");
  EXPECT_EQ(form.FConfig.Price1Date, 45123.25);
  EXPECT_EQ(form.FConfig.Price2Date, 1e-3);
  EXPECT_EQ(form.FConfig.Price3Date, 73050.99);

  // Bytes 8 to 15 of every 16-byte group stand in the file as in the record.
  const std::string record = RecordBytes(form.FConfig);
  for (size_t group = 0; group + 16 <= 1560; group += 16)
    EXPECT_EQ(file.substr(group + 8, 8), record.substr(group + 8, 8)) << group;
  EXPECT_NE(file.substr(0, 8), record.substr(0, 8));
}

TEST_F(SettingsTest, AnEmptyRecordGivesAFullFileWithZeroClearGroups) {
  Create().SaveConfig();
  const std::string file = ReadBytes(SettingsFile());
  ASSERT_EQ(file.size(), 1560u);
  for (size_t group = 0; group + 16 <= 1560; group += 16)
    EXPECT_EQ(file.substr(group + 8, 8), std::string(8, '\0')) << group;
  EXPECT_TRUE(DecipherSettings(file) == std::string(1560, '\0'));
}

TEST_F(SettingsTest, TextsAreCutTo255AndConvertedToTheCodePage) {
  TFormMain& form = Create();
  form.Price11Edit->SetText(std::u16string(300, u'я'));
  form.UserNameEdit->SetText(u"名前");
  form.SaveConfig();
  EXPECT_EQ(form.FConfig.Price1Path.Length, 255);
  EXPECT_EQ(ShortStringBytes(form.FConfig.UserName), "??");
  TFormMain& reloaded = Create();
  reloaded.ReadConfig();
  EXPECT_EQ(reloaded.Price11Edit->Text(), std::u16string(255, u'я'));
  EXPECT_EQ(ReadBytes(SettingsFile()).size(), 1560u);
}

TEST_F(SettingsTest, AShortenedTextLeavesTheOldTailInTheSlot) {
  TFormMain& form = Create();
  form.UserNameEdit->SetText(u"abcdefghijklmnopqrst");
  form.SaveConfig();
  form.UserNameEdit->SetText(u"abcde");
  form.SaveConfig();
  const std::string record = DecipherSettings(ReadBytes(SettingsFile()));
  EXPECT_EQ(record.substr(0, 21), std::string("\x05") + "abcdefghijklmnopqrst");
  TFormMain& reloaded = Create();
  reloaded.ReadConfig();
  EXPECT_EQ(reloaded.UserNameEdit->Text(), u"abcde");
}

TEST_F(SettingsTest, AShortFileIsReadAsFarAsItGoes) {
  WriteBytes(SettingsFile(), ReadBytes(kFixtures + "plain.kvb").substr(0, 512));
  TFormMain& form = Create();
  form.ReadConfig();
  EXPECT_EQ(form.UserNameEdit->Text(), u"shop-42");
  EXPECT_EQ(form.PasswordEdit->Text(), u"p@ss word&#1");
  EXPECT_EQ(form.FConfig.Price2Date, 0);  // stored in the clear, so zero bytes
}

TEST_F(SettingsTest, NoFileMeansTheWelcomePageWithEmptyFields) {
  TFormMain& form = Show();
  EXPECT_EQ(Page(), 0);
  for (TEdit* edit : {form.UserNameEdit, form.PasswordEdit, form.Price11Edit, form.Price21Edit,
                      form.Price31Edit})
    EXPECT_EQ(edit->Text(), u"");
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));
}

TEST_F(SettingsTest, CreationClearsTheUploadDates) {
  TFormMain& form = Create();
  EXPECT_TRUE(RecordBytes(form.FConfig) == std::string(1560, '\0'));
  form.FConfig.Price2Date = 3;
  form.FormCreate(&form);
  EXPECT_EQ(form.FConfig.Price2Date, 0);
}

TEST_F(SettingsTest, AFolderThatRefusesTheNewFileKeepsTheOldOneAndShowsTheError) {
  const std::string original = ReadBytes(kFixtures + "plain.kvb");
  WriteBytes(SettingsFile(), original);
  // A directory in the new file's place refuses it even to root; the mode refuses others.
  std::filesystem::create_directory(SettingsFile() + ".new");
  TFormMain& form = Show();
  chmod(folder_.c_str(), 0500);
  form.UserNameEdit->SetText(u"changed");
  SetPage(0);
  Click(form.CloseSmoothButton);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], u"Ошибка создания файла - Native error: 10003");
  EXPECT_EQ(terminations_, 1);  // the program ends all the same, once the error was shown
  EXPECT_TRUE(ReadBytes(SettingsFile()) == original);
}

TEST_F(SettingsTest, TheCloseBoxClosesTheWindowEvenWhenSavingFails) {
  std::filesystem::create_directory(SettingsFile() + ".new");
  TFormMain& form = Show();
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(errors_, std::vector<std::u16string>{u"Ошибка создания файла - Native error: 10003"});
}

// A settings file this user may not read is set aside under a new name, bytes intact, instead
// of being replaced by the next save; an older set-aside file gives way to it.
TEST_F(SettingsTest, AnUnreadableSettingsFileIsSetAsideAndReportedOnce) {
  const std::string original = ReadBytes(kFixtures + "plain.kvb");
  const std::string aside = SettingsFile() + ".unreadable";
  WriteBytes(aside, "older");
  WriteBytes(SettingsFile(), original);
  chmod(SettingsFile().c_str(), 0);
  {
    TPermissionsEnforced as_a_user;
    Show();
  }
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], u"Не удалось прочитать настройки из файла «" + U(SettingsFile()) +
                            u"». Файл сохранён как «" + U(aside) +
                            u"»; укажите, пожалуйста, прайс-листы, логин и пароль заново.");
  EXPECT_EQ(Page(), 0);  // as on a first run
  EXPECT_EQ(form_->UserNameEdit->Text(), u"");
  form_->UserNameEdit->SetText(u"new");
  form_->close();
  EXPECT_EQ(errors_.size(), 1u);
  chmod(aside.c_str(), 0600);
  EXPECT_TRUE(ReadBytes(aside) == original);
  TFormMain reader(folder_);
  reader.ReadConfig();
  EXPECT_EQ(reader.UserNameEdit->Text(), u"new");
}

TEST_F(SettingsTest, AFailedWriteKeepsTheOldFile) {
  const std::string original = ReadBytes(kFixtures + "stale_tail.kvb");
  WriteBytes(SettingsFile(), original);
  TFormMain& form = Create();
  form.ReadConfig();
  form.UserNameEdit->SetText(u"changed");

  // Files may not grow beyond 1000 bytes while saving.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit limit{}, saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  limit = saved;
  limit.rlim_cur = 1000;
  setrlimit(RLIMIT_FSIZE, &limit);
  try {
    form.SaveConfig();
    ADD_FAILURE() << "the failed write was not reported";
  } catch (const KRS_Exception& error) {
    EXPECT_EQ(error.NativeError, 10007);
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_TRUE(ReadBytes(SettingsFile()) == original);
  EXPECT_FALSE(std::filesystem::exists(SettingsFile() + ".new"));
  form.SaveConfig();  // works again once the disk takes it
  EXPECT_EQ(DecipherSettings(ReadBytes(SettingsFile())).substr(0, 8), "\x07" "changed");
}

}  // namespace
