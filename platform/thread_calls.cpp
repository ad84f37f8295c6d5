#include "platform/thread_calls.h"

#include <chrono>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/application_error.h"

namespace {

struct Item {
  std::function<void()> posted;               // a posted call, owned here
  const std::function<void()>* sent = nullptr;  // a sent call, owned by the waiting sender
  std::exception_ptr* error = nullptr;        // where a sent call's exception goes
  TEvent* done = nullptr;                     // set when a sent call has run
};

struct Queue {
  std::mutex lock;               // guards `items` and `waker`
  std::deque<Item> items;
  std::function<void()> waker;
  TEvent arrived;                // set whenever an item is queued
};

std::shared_ptr<Queue> QueueOf(std::thread::id thread) {
  static std::mutex* lock = new std::mutex;
  static auto* queues = new std::map<std::thread::id, std::shared_ptr<Queue>>;
  std::lock_guard guard(*lock);
  std::shared_ptr<Queue>& queue = (*queues)[thread];
  if (queue == nullptr) queue = std::make_shared<Queue>();
  return queue;
}

void Enqueue(std::thread::id base, Item item) {
  const std::shared_ptr<Queue> queue = QueueOf(base);
  std::function<void()> waker;
  {
    std::lock_guard guard(queue->lock);
    queue->items.push_back(std::move(item));
    waker = queue->waker;
  }
  queue->arrived.Set();
  if (waker) waker();
}

}  // namespace

void SendToThread(std::thread::id base, const std::function<void()>& call) {
  if (base == std::this_thread::get_id()) {
    call();
    return;
  }
  std::exception_ptr error;
  TEvent done;
  Item item;
  item.sent = &call;
  item.error = &error;
  item.done = &done;
  Enqueue(base, std::move(item));
  TEvent* events[] = {&done};
  WaitForAnyEventDrainingCalls(events, INFINITE);
  if (error) std::rethrow_exception(error);
}

void PostToThread(std::thread::id base, std::function<void()> call) {
  Item item;
  item.posted = std::move(call);
  Enqueue(base, std::move(item));
}

int DrainThreadCalls() {
  const std::shared_ptr<Queue> queue = QueueOf(std::this_thread::get_id());
  int ran = 0;
  for (;;) {
    Item item;
    {
      std::lock_guard guard(queue->lock);
      if (queue->items.empty()) return ran;
      item = std::move(queue->items.front());
      queue->items.pop_front();
    }
    ++ran;
    if (item.sent != nullptr) {
      try {
        (*item.sent)();
      } catch (...) {
        *item.error = std::current_exception();
      }
      item.done->Set();
    } else {
      try {
        item.posted();
      } catch (...) {
        ReportApplicationError(std::current_exception());
      }
    }
  }
}

int WaitForAnyEventDrainingCalls(std::span<TEvent* const> events, int timeout_ms) {
  const std::shared_ptr<Queue> queue = QueueOf(std::this_thread::get_id());
  std::vector<TEvent*> all(events.begin(), events.end());
  all.push_back(&queue->arrived);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    DrainThreadCalls();
    int wait = INFINITE;
    if (timeout_ms >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    const int which = WaitForAnyEvent(all, wait);
    if (which < 0 || which < static_cast<int>(events.size())) return which;
  }
}

void SetThreadCallWaker(std::function<void()> waker) {
  const std::shared_ptr<Queue> queue = QueueOf(std::this_thread::get_id());
  std::lock_guard guard(queue->lock);
  queue->waker = std::move(waker);
}
