#pragma once
// A real main window in a temporary home folder, shown offscreen, with the error report, the
// shell, termination and the file dialog recorded, and the transfers' busy state settable or
// real.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/form_main.h"
#include "platform/utf.h"
#include "support/blowfish.h"
#include "support/md5.h"
#include "ui/application.h"

// The window with the fetcher's and uploader's state under the test's control, unless the
// test lets the real components answer.
class TTestFormMain : public TFormMain {
 public:
  using TFormMain::TFormMain;
  bool RealTransfers = false;  // the real fetcher and uploader answer and act
  bool FetcherBusy = false;    // what FetcherInUse answers otherwise
  bool UploaderBusy = false;   // what UploaderIsBusy answers otherwise
  int FetcherAborts = 0;       // calls of FetcherAbort
  int UploaderStops = 0;       // calls of UploaderStop

 protected:
  bool FetcherInUse() override { return RealTransfers ? TFormMain::FetcherInUse() : FetcherBusy; }
  void FetcherAbort() override {
    ++FetcherAborts;
    if (RealTransfers) TFormMain::FetcherAbort();
  }
  bool UploaderIsBusy() override {
    return RealTransfers ? TFormMain::UploaderIsBusy() : UploaderBusy;
  }
  void UploaderStop() override {
    ++UploaderStops;
    if (RealTransfers) TFormMain::UploaderStop();
  }
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarvo-form-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = std::string(pattern) + "/";
    saved_report_ = Application.ShowException;
    saved_shell_ = Application.ShellOpen;
    saved_terminate_ = Application.Terminate;
    Application.ShowException = [this](const std::u16string& m) { errors_.push_back(m); };
    Application.ShellOpen = [this](const std::u16string& t) { opened_.push_back(t); };
    Application.Terminate = [this] { ++terminations_; };
  }

  void TearDown() override {
    form_.reset();
    Application.ShowException = saved_report_;
    Application.ShellOpen = saved_shell_;
    Application.Terminate = saved_terminate_;
    chmod(folder_.c_str(), 0700);
    std::filesystem::remove_all(folder_);
  }

  // Creates the window (timers stopped unless `keep_timers`), without showing it.
  TTestFormMain& Create(bool keep_timers = false) {
    form_ = std::make_unique<TTestFormMain>(folder_);
    if (!keep_timers) {
      form_->Timer1->SetEnabled(false);
      form_->Timer2->SetEnabled(false);
    }
    form_->OpenDialog->Runner = [this]() -> std::optional<std::u16string> {
      ++dialogs_;
      return next_choice_;
    };
    return *form_;
  }

  // Creates and shows the window: the first show reads the settings and picks the first page.
  TTestFormMain& Show(bool keep_timers = false) {
    Create(keep_timers);
    form_->show();
    return *form_;
  }

  // Clicks a button as the user does; it must be on the visible page.
  void Click(TSmoothButton* button) {
    ASSERT_TRUE(button->isVisible()) << button->Caption().size();
    QTest::mouseClick(button, Qt::LeftButton);
  }

  int Page() const { return form_->cxPageControl1->ActivePageIndex(); }
  void SetPage(int index) { form_->cxPageControl1->SetActivePageIndex(index); }

  std::string Path(const std::string& name) const { return folder_ + name; }
  std::string SettingsFile() const { return Path("agent.kvb"); }

  // Writes a file and sets its last write to `seconds_ago` seconds before now.
  std::string Touch(const std::string& name, int seconds_ago = 0) {
    const std::string path = Path(name);
    std::ofstream(path) << "workbook";
    SetAge(path, seconds_ago);
    return path;
  }
  static void SetAge(const std::string& path, int seconds_ago) {
    const auto when = std::filesystem::file_time_type::clock::now() - std::chrono::seconds(seconds_ago);
    std::filesystem::last_write_time(path, when);
  }

  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }

  // The plain record of a settings file's bytes, deciphered independently of the window.
  static std::string DecipherSettings(std::string bytes) {
    const TMD5Digest key = Md5OfText(u"Harbor Lamps Access Phrase");
    std::unique_ptr<TBfState> state;
    int size = 0;
    BfCreateState(&key, sizeof key, state, size);
    BfDecipherBuffer(*state, bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
  }

  std::string folder_;                              // the window's home folder
  std::unique_ptr<TTestFormMain> form_;             // the window under test
  std::vector<std::u16string> errors_;              // error reports shown
  std::vector<std::u16string> opened_;              // shell opens
  int terminations_ = 0;                            // Terminate calls
  int dialogs_ = 0;                                 // open dialogs run
  std::optional<std::u16string> next_choice_;       // what the open dialog answers

 private:
  std::function<void(const std::u16string&)> saved_report_;
  std::function<void(const std::u16string&)> saved_shell_;
  std::function<void()> saved_terminate_;
};
