#include "platform/thread_calls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/common/reported_errors.h"

namespace {

TEST(ThreadCallsTest, SentCallsRunOnTheBaseThreadInOrderAndCarryTheirExceptionBack) {
  const std::thread::id base = std::this_thread::get_id();
  std::vector<int> ran;
  std::atomic<int> wakes{0};
  SetThreadCallWaker([&] { ++wakes; });
  TEvent finished;
  std::thread worker([&] {
    SendToThread(base, [&] {
      EXPECT_EQ(std::this_thread::get_id(), base);
      ran.push_back(1);
    });
    PostToThread(base, [&] { ran.push_back(2); });
    try {
      SendToThread(base, [] { throw std::runtime_error("on the base thread"); });
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "on the base thread");
    }
    finished.Set();
  });
  TEvent* events[] = {&finished};
  EXPECT_EQ(WaitForAnyEventDrainingCalls(events), 0);
  worker.join();
  SetThreadCallWaker(nullptr);
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));
  EXPECT_EQ(wakes.load(), 3);
  EXPECT_EQ(DrainThreadCalls(), 0);

  // On the base thread itself a sent call runs at once; a posted one at the next drain.
  int direct = 0;
  SendToThread(base, [&] { ++direct; });
  EXPECT_EQ(direct, 1);
  // A posted call's exception has no caller to go to: the default error report gets it.
  TReportedErrors reported;
  PostToThread(base, [&] { ++direct; throw std::logic_error("reported, not raised"); });
  EXPECT_EQ(direct, 1);
  EXPECT_EQ(DrainThreadCalls(), 1);
  EXPECT_EQ(direct, 2);
  EXPECT_EQ(reported.texts, std::vector<std::string>{"reported, not raised"});
}

TEST(ThreadCallsTest, AWaitThatDrainsStillTimesOut) {
  TEvent never;
  TEvent* events[] = {&never};
  EXPECT_EQ(WaitForAnyEventDrainingCalls(events, 10), -1);
}

}  // namespace
