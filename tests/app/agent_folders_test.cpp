// Where the agent keeps its files: beside a writable executable, else in the user's XDG folders,
// created for the user alone.

#include "app/agent_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "form_fixture.h"
#include "tests/common/permissions_enforced.h"

namespace {

TEST(AgentFolders, FollowTheExecutableFolderOrTheXdgFolders) {
  const struct {
    bool writable;
    const char *config, *cache;
    TAgentFolders expected;
  } kCases[] = {
      {true, "/c", "/k", {"/opt/t/", "/opt/t/"}},
      {false, "/c", "/k/", {"/c/tarvo-agent/", "/k/tarvo-agent/"}},
      {false, "", "", {"/home/u/.config/tarvo-agent/", "/home/u/.cache/tarvo-agent/"}},
      // A relative XDG path is invalid and ignored.
      {false, "rel", "rel", {"/home/u/.config/tarvo-agent/", "/home/u/.cache/tarvo-agent/"}},
  };
  for (const auto& c : kCases) {
    const TAgentFolders folders = ChooseAgentFolders("/opt/t/", c.writable, c.config, c.cache, "/home/u");
    EXPECT_EQ(folders.Settings, c.expected.Settings);
    EXPECT_EQ(folders.Html, c.expected.Html);
  }
}

class AgentFoldersTest : public FormTest {};

// An installed agent: its folder is not writable, so its files go to the XDG folders, which are
// made on first use for the user alone.
TEST_F(AgentFoldersTest, AnInstalledAgentKeepsItsFilesInTheUsersFolders) {
  const std::string program = Path("usr/bin/");
  std::filesystem::create_directories(program);
  chmod(program.c_str(), 0555);
  setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
  setenv("XDG_CACHE_HOME", Path("cache").c_str(), 1);
  TAgentFolders folders;
  {
    TPermissionsEnforced as_a_user;
    folders = AgentFolders(program);
  }
  EXPECT_EQ(AgentFolders(folder_).Settings, folder_);  // a writable folder keeps them
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("XDG_CACHE_HOME");
  ASSERT_EQ(folders.Settings, Path("config/tarvo-agent/"));
  ASSERT_EQ(folders.Html, Path("cache/tarvo-agent/"));

  form_ = std::make_unique<TTestFormMain>(folders);
  form_->Timer1->SetEnabled(false);
  form_->Timer2->SetEnabled(false);
  form_->show();
  form_->Price12Edit->SetText(U(std::filesystem::absolute("../shared/corpus/pricelist_lo.xls").string()));
  SetPage(2);
  Click(form_->AdvSmoothButton5);  // the preview saves the settings and writes the HTML
  EXPECT_TRUE(errors_.empty());
  EXPECT_TRUE(std::filesystem::exists(folders.Settings + "agent.kvb"));
  EXPECT_TRUE(std::filesystem::exists(folders.Html + "output.html"));
  EXPECT_EQ(opened_, std::vector<std::u16string>{U(folders.Html + "output.html")});
  for (const std::string& made : {folders.Settings, folders.Html}) {
    struct stat info {};
    ASSERT_EQ(stat(made.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << made;
  }
  EXPECT_FALSE(std::filesystem::exists(program + "agent.kvb"));
}

}  // namespace
