// The settings record and its file "agent.kvb": the record enciphered under a key made from a
// fixed passphrase, rewritten whole on every save.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/form_main.h"
#include "platform/utf.h"
#include "ui/application.h"

namespace {

constexpr int kConfigSize = sizeof(TAgentConfig);

// Makes a finished rename in `folder` survive a crash.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

std::string TFormMain::SettingsFileName() const { return FFolders.Settings + "agent.kvb"; }

bool TFormMain::InitSecurity() {
  FEncryptPassword = u"Harbor Lamps Access Phrase";
  FEncryptDigest = Md5OfText(std::u16string_view(FEncryptPassword));
  FEncryptData.reset();
  BfCreateState(&FEncryptDigest, sizeof FEncryptDigest, FEncryptData, FEncryptDataSize);
  return true;
}

void TFormMain::FormCreate(QObject*) {
  FConfig.Price1Date = 0;
  FConfig.Price2Date = 0;
  FConfig.Price3Date = 0;
}

void TFormMain::ReadConfig() {
  const std::string name = SettingsFileName();
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(name, ignored)) return;
  BrixFile->FileName = Utf8ToUtf16(name);
  InitSecurity();
  BrixFile->File_Close();
  char buffer[kConfigSize];
  int read = -1;
  try {
    BrixFile->File_Open();
    BrixFile->File_Seek(0, 0);
    read = BrixFile->File_Read(buffer, kConfigSize);
  } catch (const KRS_Exception&) {
    // read stays -1: the file is set aside below
  }
  BrixFile->File_Close();
  if (read < 0) {
    SetAsideUnreadableSettings(name);
    return;
  }
  FConfig = DecipherAgentConfig(*FEncryptData, std::string_view(buffer, read));

  UserNameEdit->SetText(ShortStringText(FConfig.UserName));
  PasswordEdit->SetText(ShortStringText(FConfig.Password));
  Price11Edit->SetText(ShortStringText(FConfig.Price1Path));
  Price12Edit->SetText(ShortStringText(FConfig.Price1Path));
  Price21Edit->SetText(ShortStringText(FConfig.Price2Path));
  Price22Edit->SetText(ShortStringText(FConfig.Price2Path));
  Price31Edit->SetText(ShortStringText(FConfig.Price3Path));
  Price32Edit->SetText(ShortStringText(FConfig.Price3Path));
}

void TFormMain::SetAsideUnreadableSettings(const std::string& name) {
  const std::string aside = name + ".unreadable";
  const std::u16string shown = Utf8ToUtf16(name);
  if (std::rename(name.c_str(), aside.c_str()) == 0) {
    SyncFolder(FFolders.Settings);
    Application.HandleException(Exception(
        u"Не удалось прочитать настройки из файла «" + shown + u"». Файл сохранён как «" +
        Utf8ToUtf16(aside) + u"»; укажите, пожалуйста, прайс-листы, логин и пароль заново."));
    return;
  }
  FKeepSettingsFile = true;
  Application.HandleException(Exception(u"Не удалось прочитать настройки из файла «" + shown +
                                        u"». Настройки не будут сохранены, чтобы не потерять его."));
}

// The new file is written completely beside the old one and only then renamed over it, so a
// failure at any step leaves the previous settings as they were.
void TFormMain::SaveConfig() {
  StoreShortString(FConfig.Price1Path, Price11Edit->Text());
  StoreShortString(FConfig.Price2Path, Price21Edit->Text());
  StoreShortString(FConfig.Price3Path, Price31Edit->Text());
  StoreShortString(FConfig.UserName, UserNameEdit->Text());
  StoreShortString(FConfig.Password, PasswordEdit->Text());

  const std::string final_name = SettingsFileName();
  if (FKeepSettingsFile)
    throw Exception(u"Настройки не сохранены: файл «" + Utf8ToUtf16(final_name) +
                    u"» не удалось прочитать, и он остаётся нетронутым.");
  CreateUserFolder(FFolders.Settings);
  const std::string new_name = final_name + ".new";
  BrixFile->FileName = Utf8ToUtf16(new_name);
  BrixFile->ReadOnly = false;
  BrixFile->File_CreateNew();  // raises 10003 when the file cannot be created
  try {
    fchmod(BrixFile->FileHandle, S_IRUSR | S_IWUSR);  // it holds the account's password
    BrixFile->File_Seek(0, 0);
    InitSecurity();
    unsigned char buffer[kConfigSize] = {};
    std::memcpy(buffer, &FConfig, kConfigSize);
    BfEncipherBuffer(*FEncryptData, buffer, kConfigSize);
    const bool written =
        BrixFile->File_Write(buffer, kConfigSize) == kConfigSize && BrixFile->File_Flush();
    BrixFile->File_Close();
    if (!written) throw KRS_Exception(10007);
    if (std::rename(new_name.c_str(), final_name.c_str()) != 0) throw KRS_Exception(10004);
  } catch (...) {
    BrixFile->File_Close();
    unlink(new_name.c_str());
    BrixFile->FileName = Utf8ToUtf16(final_name);
    throw;
  }
  BrixFile->FileName = Utf8ToUtf16(final_name);
  SyncFolder(FFolders.Settings);
}
