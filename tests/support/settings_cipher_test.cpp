// Settings files already on users' disks, written by another implementation: the agent's key
// and the buffer walk must reproduce them byte for byte.

#include <gtest/gtest.h>

#include "support/blowfish.h"
#include "support/md5.h"
#include "test_bytes.h"

namespace {

class SettingsCipherTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const TMD5Digest key = Md5OfText(u"Harbor Lamps Access Phrase");
    int size = 0;
    BfCreateState(&key, sizeof key, state_, size);
  }
  std::string Fixture(const std::string& extension) {
    const std::string bytes =
        ReadWholeFile("../shared/fixtures/settings/" + std::string(GetParam()) + extension);
    EXPECT_EQ(bytes.size(), 1560u) << GetParam() << extension;
    return bytes;
  }
  std::unique_ptr<TBfState> state_;
};

TEST_P(SettingsCipherTest, EncipheringTheRecordGivesTheStoredFile) {
  std::string buffer = Fixture(".record");
  BfEncipherBuffer(*state_, buffer.data(), static_cast<int>(buffer.size()));
  EXPECT_TRUE(buffer == Fixture(".kvb"));
}

TEST_P(SettingsCipherTest, DecipheringTheStoredFileGivesTheRecord) {
  std::string buffer = Fixture(".kvb");
  BfDecipherBuffer(*state_, buffer.data(), static_cast<int>(buffer.size()));
  EXPECT_TRUE(buffer == Fixture(".record"));
}

INSTANTIATE_TEST_SUITE_P(StoredFiles, SettingsCipherTest,
                         ::testing::Values("plain", "stale_tail"));

}  // namespace
