// The application object and worker threads: the calls a worker queues for the main thread run
// from the Qt event loop, and their failures reach the error report on the main thread.

#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "platform/application_error.h"
#include "platform/exception.h"
#include "platform/thread_calls.h"
#include "ui/application.h"

namespace {

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Application.ShowException;
    Application.ShowException = [this](const std::u16string& m) {
      errors_.push_back(m);
      shown_on_.push_back(std::this_thread::get_id());
    };
  }
  void TearDown() override {
    if (worker_.joinable()) worker_.join();
    Application.ShowException = saved_;
  }

  // Runs `work` on a worker thread while the event loop turns, until it has returned.
  void OnWorker(std::function<void()> work) {
    std::atomic<bool> returned{false};
    worker_ = std::thread([&] {
      work();
      returned = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 10000));
    worker_.join();
  }

  const std::thread::id main_ = std::this_thread::get_id();
  std::thread worker_;
  std::vector<std::u16string> errors_;       // error reports shown
  std::vector<std::thread::id> shown_on_;    // the thread that showed each
  std::function<void(const std::u16string&)> saved_;
};

TEST_F(ApplicationTest, EventLoopRunsTheCallsAWorkerSendsAndTheirFailuresGoBackToIt) {
  std::thread::id ran_on;
  std::u16string caught;
  OnWorker([&] {
    SendToThread(main_, [&] { ran_on = std::this_thread::get_id(); });
    try {
      SendToThread(main_, [] { throw Exception(std::string_view("sent call failed")); });
    } catch (const Exception& e) {
      caught = e.Message();
    }
  });
  EXPECT_EQ(ran_on, main_);
  EXPECT_EQ(caught, u"sent call failed");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(ApplicationTest, FailuresWithoutACallerAreShownOnTheMainThread) {
  OnWorker([&] {
    PostToThread(main_, [] { throw Exception(std::string_view("posted call failed")); });
    ReportApplicationError(std::make_exception_ptr(Exception(std::string_view("worker failed"))));
    ReportApplicationError(std::make_exception_ptr(42));
  });
  ASSERT_TRUE(QTest::qWaitFor([&] { return errors_.size() == 3; }, 10000));
  EXPECT_EQ(errors_, (std::vector<std::u16string>{u"posted call failed", u"worker failed",
                                                  u"Unknown error"}));
  EXPECT_EQ(shown_on_, std::vector<std::thread::id>(3, main_));
}

}  // namespace
