#include "platform/file_time.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/date_time.h"
#include "platform/exception.h"

namespace {

// Runs the tests of this file in a fixed time zone, three hours east of UTC (as Moscow).
class FileTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "MSK-3", 1);
    tzset();
    dir_ = std::filesystem::temp_directory_path() /
           ("tarvo_file_time_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir_);
    unsetenv("TZ");
    tzset();
  }
  std::string MakeFile(const char* name, std::time_t modified) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path) << "x";
    const timespec times[2] = {{modified, 0}, {modified, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
    return path;
  }
  std::filesystem::path dir_;
};

std::tm Local(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
  t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second;
  return t;
}

TEST_F(FileTimeTest, PacksLocalTimeAsFatDateAndTime) {
  EXPECT_EQ(LocalTimeToPackedFat(Local(1980, 1, 1, 0, 0, 0)), 0x00210000);
  // 2023-03-15 14:30:51: seconds are stored halved, so 51 becomes 25.
  EXPECT_EQ(LocalTimeToPackedFat(Local(2023, 3, 15, 14, 30, 51)),
            (43 << 25) | (3 << 21) | (15 << 16) | (14 << 11) | (30 << 5) | 25);
  EXPECT_EQ(LocalTimeToPackedFat(Local(1979, 12, 31, 23, 59, 59)), -1);
  EXPECT_EQ(LocalTimeToPackedFat(Local(2108, 1, 1, 0, 0, 0)), -1);
  EXPECT_NE(LocalTimeToPackedFat(Local(2107, 12, 31, 23, 59, 58)), -1);
}

TEST_F(FileTimeTest, ConvertsPackedValuesWithTwoSecondResolution) {
  const std::int32_t packed = LocalTimeToPackedFat(Local(2023, 3, 15, 18, 0, 1));
  EXPECT_DOUBLE_EQ(PackedFatToDateTime(packed), 45000.75);
  try {
    PackedFatToDateTime(-1);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Invalid argument to date encode");
  }
}

TEST_F(FileTimeTest, ReadsAFilesLastWriteInLocalTime) {
  // 2023-03-15 15:00:00 UTC is 18:00 in the test's time zone.
  const std::string path = MakeFile("list.xls", 1678892400);
  EXPECT_EQ(FileLastWriteTime(path), std::optional<std::time_t>(1678892400));
  EXPECT_DOUBLE_EQ(PackedFatToDateTime(FileAgePacked(path)), 45000.75);
}

TEST_F(FileTimeTest, MissingFilesDirectoriesAndOldFilesGiveNoPackedTime) {
  EXPECT_EQ(FileLastWriteTime((dir_ / "none.xls").string()), std::nullopt);
  EXPECT_EQ(FileAgePacked((dir_ / "none.xls").string()), -1);
  EXPECT_EQ(FileLastWriteTime(dir_.string()), std::nullopt);
  EXPECT_EQ(FileAgePacked(MakeFile("old.xls", 100)), -1);  // 1970
}

}  // namespace
