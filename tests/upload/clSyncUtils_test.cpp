#include "upload/clSyncUtils.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/exception.h"
#include "platform/thread_calls.h"

namespace {

// Runs `work` on a worker thread while the calling (base) thread drains its calls.
void OnWorker(const std::function<void()>& work) {
  TEvent finished;
  std::thread worker([&] {
    work();
    finished.Set();
  });
  TEvent* events[] = {&finished};
  WaitForAnyEventDrainingCalls(events);
  worker.join();
}

TEST(SynchronizerTest, AMethodRunsOnTheBaseThreadAndItsExceptionReachesTheWorker) {
  TclThreadSynchronizer synchronizer;
  EXPECT_EQ(synchronizer.SyncBaseThreadID(), std::this_thread::get_id());
  const Exception thrown(u"Ошибка обработчика");
  const Exception* caught = nullptr;
  std::thread::id ran_on;
  OnWorker([&] {
    synchronizer.Synchronize([&] { ran_on = std::this_thread::get_id(); });
    try {
      synchronizer.Synchronize([&] { throw thrown; });
    } catch (const Exception& e) {
      caught = &e;  // compared below while the exception object lives
      EXPECT_EQ(e.Message(), u"Ошибка обработчика");
    }
    synchronizer.Synchronize([] {});  // the base thread carries on normally
  });
  EXPECT_EQ(ran_on, std::this_thread::get_id());
  EXPECT_NE(caught, nullptr);
}

TEST(SynchronizerTest, ACallFromTheBaseThreadRunsAtOnceAndInOrder) {
  TclThreadSynchronizer synchronizer;
  std::vector<int> order;
  synchronizer.Synchronize([&] { order.push_back(1); });
  order.push_back(2);
  synchronizer.Synchronize([&] { order.push_back(3); });
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_THROW(synchronizer.Synchronize([] { throw std::runtime_error("x"); }), std::runtime_error);
}

TEST(SynchronizerTest, SynchronizersOfOneThreadShareOneRecordReleasedOnTheBaseThread) {
  DrainThreadCalls();
  TclSynchronizerManager& manager = TclSynchronizerManager::Instance();
  const std::thread::id base = std::this_thread::get_id();
  ASSERT_EQ(manager.FindSyncInfo(base), nullptr);
  auto* first = new TclThreadSynchronizer;
  auto* second = new TclThreadSynchronizer;
  const TclSyncInfo* info = manager.FindSyncInfo(base);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->FThreadCount, 2);
  // Other threads free them, as an upload worker frees its own; the release runs on the base
  // thread when it drains its calls.
  std::thread([&] { delete first; }).join();
  DrainThreadCalls();
  EXPECT_EQ(manager.FindSyncInfo(base), info);
  EXPECT_EQ(info->FThreadCount, 1);
  std::thread([&] { delete second; }).join();
  EXPECT_EQ(manager.FindSyncInfo(base), info);  // not yet processed here
  DrainThreadCalls();
  EXPECT_EQ(manager.FindSyncInfo(base), nullptr);
}

}  // namespace
