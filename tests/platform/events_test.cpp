#include "platform/events.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/critical_section.h"

namespace {

TEST(EventTest, ASetLetsExactlyOneWaitThrough) {
  TEvent event;
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  event.Set();
  EXPECT_TRUE(event.IsSet());
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0));
  TEvent initially(true);
  initially.Reset();
  EXPECT_FALSE(initially.Wait(0));
}

TEST(EventTest, WaitForAnyReturnsTheSetOneOrTimesOut) {
  TEvent a, b, c;
  TEvent* events[] = {&a, &b, &c};
  EXPECT_EQ(WaitForAnyEvent(events, 20), -1);
  c.Set();
  b.Set();
  EXPECT_EQ(WaitForAnyEvent(events, 0), 1);
  EXPECT_EQ(WaitForAnyEvent(events, 0), 2);
  EXPECT_EQ(WaitForAnyEvent(events, 0), -1);
}

TEST(EventTest, WakesAWaiterOnAnotherThread) {
  TEvent a, b;
  TEvent* events[] = {&a, &b};
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    b.Set();
  });
  EXPECT_EQ(WaitForAnyEvent(events, INFINITE), 1);
  setter.join();
}

TEST(CriticalSectionTest, IsReentrantAndExcludesOtherThreads) {
  TCriticalSection section;
  section.Enter();
  section.Enter();
  bool other_got_it = true;
  std::thread other([&] { other_got_it = section.TryEnter(); });
  other.join();
  EXPECT_FALSE(other_got_it);
  section.Leave();
  section.Leave();
  std::thread later([&] {
    other_got_it = section.TryEnter();
    if (other_got_it) section.Leave();
  });
  later.join();
  EXPECT_TRUE(other_got_it);
}

}  // namespace
