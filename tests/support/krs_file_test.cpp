#include "support/krs_file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/utf.h"
#include "test_bytes.h"

namespace {

class KrsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tarvo_krs_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    std::filesystem::permissions(dir_, std::filesystem::perms(0755));
  }
  void TearDown() override {
    file_.File_Close();
    std::filesystem::remove_all(dir_);
  }
  std::string PathOf(const char* name) { return (dir_ / name).string(); }
  // Points the component at a file holding `content`.
  void UseFile(const char* name, const std::string& content) {
    std::ofstream(PathOf(name), std::ios::binary) << content;
    file_.FileName = Utf8ToUtf16(PathOf(name));
  }
  std::string MessageOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const KRS_Exception& e) {
      return e.what();
    }
    return "no exception";
  }

  std::filesystem::path dir_;
  TKRS_File file_{nullptr};
};

TEST_F(KrsFileTest, DefaultsAfterConstruction) {
  EXPECT_FALSE(file_.Temporary || file_.Exclusive || file_.Hidden || file_.ReadOnly ||
               file_.Overwrite);
  EXPECT_TRUE(file_.AutoFlush);
  EXPECT_EQ(file_.FileHandle, 0);
  EXPECT_EQ(file_.FlushCount, 0);
}

TEST_F(KrsFileTest, CreateNewTruncatesWithOrWithoutOverwrite) {
  for (bool overwrite : {false, true}) {
    UseFile("settings.kvb", "older and longer content");
    file_.Overwrite = overwrite;
    EXPECT_EQ(file_.File_CreateNew(), 0);
    EXPECT_GT(file_.FileHandle, 0);
    EXPECT_EQ(file_.File_Write("new", 3), 3);
    file_.File_Close();
    EXPECT_EQ(ReadWholeFile(PathOf("settings.kvb")), "new") << overwrite;
  }
}

TEST_F(KrsFileTest, WritesReadsAndSeeks) {
  file_.FileName = Utf8ToUtf16(PathOf("Прайс.kvb"));
  file_.File_CreateNew();
  EXPECT_EQ(file_.File_Write("0123456789", 10), 10);
  EXPECT_EQ(file_.File_Seek(2, 0), 2);
  EXPECT_EQ(file_.File_Seek(3, 1), 5);
  EXPECT_EQ(file_.File_Seek(-1, 2), 9);
  EXPECT_EQ(file_.File_Seek(0, 0), 0);
  char buffer[16] = {};
  EXPECT_EQ(file_.File_Read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(file_.File_GetCurrentPos(), 4);
  // A short read at the end is no error: the count tells.
  EXPECT_EQ(file_.File_Read(buffer, 16), 6);
  EXPECT_EQ(file_.File_Read(buffer, 16), 0);
}

TEST_F(KrsFileTest, WriteOfZeroBytesCutsTheFileAtThePosition) {
  UseFile("cut.kvb", "0123456789");
  file_.File_Open();
  file_.File_Seek(4, 0);
  EXPECT_EQ(file_.File_Write(nullptr, 0), 0);
  EXPECT_EQ(file_.File_GetSize(), 4);
  file_.File_Close();
  EXPECT_EQ(ReadWholeFile(PathOf("cut.kvb")), "0123");
}

TEST_F(KrsFileTest, GetSizeKeepsThePositionAndCursorsStack) {
  UseFile("size.kvb", std::string(1560, 'x'));
  file_.File_Open();
  file_.File_Seek(100, 0);
  EXPECT_EQ(file_.File_GetSize(), 1560);
  EXPECT_EQ(file_.File_GetCurrentPos(), 100);
  EXPECT_EQ(file_.File_KeepGo(), 100);
  file_.File_Seek(200, 0);
  EXPECT_EQ(file_.File_KeepGo(), 200);
  file_.File_Seek(300, 0);
  EXPECT_EQ(file_.File_GoBack(), 200);
  EXPECT_EQ(file_.File_GoBack(), 100);
  EXPECT_EQ(file_.File_GetCurrentPos(), 100);
  // Nothing saved: stays where it is.
  file_.File_Seek(7, 0);
  EXPECT_EQ(file_.File_GoBack(), 7);
}

TEST_F(KrsFileTest, EveryFlushCounts) {
  UseFile("flush.kvb", "");
  file_.File_Open();
  file_.File_Write("a", 1);
  file_.File_Write("b", 1);
  file_.File_Write(nullptr, 0);
  EXPECT_EQ(file_.FlushCount, 3);
  file_.AutoFlush = false;
  file_.File_Write("c", 1);
  EXPECT_EQ(file_.FlushCount, 3);
  EXPECT_TRUE(file_.File_Flush());
  file_.File_Close();
  EXPECT_FALSE(file_.File_Flush());  // failed, and still counted
  EXPECT_EQ(file_.FlushCount, 5);
}

TEST_F(KrsFileTest, ReadAndWriteWithoutHandleRaise) {
  UseFile("closed.kvb", "data");
  file_.File_Open();
  file_.File_Close();
  file_.File_Close();  // harmless
  EXPECT_EQ(file_.FileHandle, 0);
  char buffer[4];
  EXPECT_EQ(MessageOf([&] { file_.File_Read(buffer, 4); }),
            "Чтение файла невыполнимо - Native error: 10006");
  EXPECT_EQ(MessageOf([&] { file_.File_Write(buffer, 4); }),
            "Запись в  файл невыполнима - Native error: 10007");
  try {
    file_.File_Read(buffer, 4);
  } catch (const KRS_Exception& e) {
    EXPECT_EQ(e.NativeError, 10006);
  }
}

TEST_F(KrsFileTest, OpenAndCreateFailuresCarryTheirTexts) {
  file_.FileName = Utf8ToUtf16(PathOf("missing.kvb"));
  EXPECT_EQ(MessageOf([&] { file_.File_Open(); }),
            "Невозможно получить доступ к файлу - Native error: 10001");
  file_.FileName = Utf8ToUtf16(PathOf("no/such/folder.kvb"));
  EXPECT_EQ(MessageOf([&] { file_.File_CreateNew(); }),
            "Ошибка создания файла - Native error: 10003");
  file_.FileName = Utf8ToUtf16(PathOf("missing.kvb"));
  EXPECT_EQ(MessageOf([&] { file_.File_Delete(); }),
            "Ошибка удаления файла - Native error: 10005");
  EXPECT_EQ(MessageOf([&] { file_.File_Rename(Utf8ToUtf16(PathOf("other.kvb"))); }),
            "Переименовать файл невозможно - Native error: 10004");
}

TEST_F(KrsFileTest, MarkedReadOnlyFileOpensReadOnlyAndStaysSo) {
  UseFile("marked.kvb", "stored");
  std::filesystem::permissions(PathOf("marked.kvb"), std::filesystem::perms(0444));
  EXPECT_EQ(file_.File_Open(), 0);
  EXPECT_TRUE(file_.ReadOnly);
  EXPECT_EQ(file_.File_Write("x", 1), -1);
  file_.File_Close();
  std::filesystem::permissions(PathOf("marked.kvb"), std::filesystem::perms(0644));
  file_.File_Open();
  EXPECT_TRUE(file_.ReadOnly);  // stays set until the owner clears it
  EXPECT_EQ(ReadWholeFile(PathOf("marked.kvb")), "stored");
}

// As root every file is writable, so the checks run as the unprivileged user "nobody".
void AsUnprivileged(const std::function<bool()>& check) {
  if (geteuid() == 0 && setuid(65534) != 0) _exit(2);
  _exit(check() ? 0 : 1);
}

TEST_F(KrsFileTest, FileThatMayBeReadButNotWrittenOpensReadOnly) {
  UseFile("shared.kvb", "stored");  // the owner may write; others may only read
  std::filesystem::permissions(PathOf("shared.kvb"), std::filesystem::perms(0644));
  const std::string path = geteuid() == 0 ? PathOf("shared.kvb") : "/etc/passwd";
  EXPECT_EXIT(AsUnprivileged([&] {
                TKRS_File file(nullptr);
                file.FileName = Utf8ToUtf16(path);
                return file.File_Open() == 0 && file.ReadOnly && file.FileHandle > 0;
              }),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(KrsFileTest, FileThatMayNotBeReadRaises10002) {
  UseFile("private.kvb", "stored");
  std::filesystem::permissions(PathOf("private.kvb"),
                               std::filesystem::perms(geteuid() == 0 ? 0600 : 0200));
  const std::string path = PathOf("private.kvb");
  EXPECT_EXIT(AsUnprivileged([&] {
                TKRS_File file(nullptr);
                file.FileName = Utf8ToUtf16(path);
                try {
                  file.File_Open();
                } catch (const KRS_Exception& e) {
                  return std::string(e.what()) ==
                             "Операционная система отклонила доступ к файлу - Native error: "
                             "10002" &&
                         file.FileHandle == 0;
                }
                return false;
              }),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(KrsFileTest, RenameNeverReplacesAndDeleteRemoves) {
  UseFile("new.kvb", "new");
  std::ofstream(PathOf("taken.kvb")) << "keep";
  EXPECT_THROW(file_.File_Rename(Utf8ToUtf16(PathOf("taken.kvb"))), KRS_Exception);
  EXPECT_EQ(ReadWholeFile(PathOf("taken.kvb")), "keep");
  EXPECT_EQ(file_.File_Rename(Utf8ToUtf16(PathOf("moved.kvb"))), 0);
  EXPECT_EQ(file_.FileName, Utf8ToUtf16(PathOf("moved.kvb")));
  EXPECT_EQ(file_.File_Delete(), 0);
  EXPECT_FALSE(std::filesystem::exists(PathOf("moved.kvb")));
}

TEST_F(KrsFileTest, DestroyingReleasesAnOpenDescriptor) {
  UseFile("left_open.kvb", "data");
  auto* file = new TKRS_File(nullptr);
  file->FileName = file_.FileName;
  file->File_Open();
  const int descriptor = file->FileHandle;
  delete file;
  EXPECT_EQ(fcntl(descriptor, F_GETFD), -1);
}

TEST_F(KrsFileTest, LocksByteRanges) {
  UseFile("lock.kvb", "0123456789");
  file_.File_Open();
  EXPECT_TRUE(file_.File_Lock(0, 4));
  EXPECT_TRUE(file_.File_Unlock(0, 4));
  EXPECT_FALSE(file_.File_Lock(-1, 4));
  file_.File_Close();
  EXPECT_FALSE(file_.File_Lock(0, 4));
}

TEST_F(KrsFileTest, OperationsWaitForTheComponentsLock) {
  UseFile("shared.kvb", "0123456789");
  file_.File_Open();
  file_.LockFileSection();
  file_.LockFileSection();       // re-entrant
  EXPECT_EQ(file_.File_GetSize(), 10);  // the holder may still operate
  std::atomic<bool> done{false};
  std::thread other([&] {
    file_.File_Seek(3, 0);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done);
  file_.UnlockFileSection();
  file_.UnlockFileSection();
  other.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(file_.File_GetCurrentPos(), 3);
}

TEST(KrsExceptionTest, FormattedMessagesEndInTheRightAlignedCode) {
  EXPECT_STREQ(KRS_Exception(42, u"Сбой %s", {u"диска"}).what(), "Сбой диска - Native error:    42");
  EXPECT_STREQ(KRS_Exception(42, u"Сбой %d", {u"диска"}).what(),
               "Сбой %d Arguments are invalid! - Native error:    42");
  EXPECT_STREQ(KRS_Exception(7, u"Сбой").what(), "Сбой - Native error: 00007");
}

}  // namespace
