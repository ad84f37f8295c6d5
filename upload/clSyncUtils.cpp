#include "upload/clSyncUtils.h"

#include <algorithm>
#include <mutex>

#include "platform/thread_calls.h"

TclThreadSynchronizer::TclThreadSynchronizer() : FSyncBaseThreadID(std::this_thread::get_id()) {
  TclSynchronizerManager::Instance().AddThread(this);
}

TclThreadSynchronizer::~TclThreadSynchronizer() {
  TclSynchronizerManager::Instance().RemoveThread(this);
}

void TclThreadSynchronizer::Synchronize(std::function<void()> method) {
  FSynchronizeException = nullptr;
  FMethod = std::move(method);
  TclSynchronizerManager::Instance().Synchronize(this);
  FMethod = nullptr;
  if (FSynchronizeException) {
    std::exception_ptr error = FSynchronizeException;
    FSynchronizeException = nullptr;
    std::rethrow_exception(error);
  }
}

TclSynchronizerManager& TclSynchronizerManager::Instance() {
  static TclSynchronizerManager instance;
  return instance;
}

void TclSynchronizerManager::AddThread(TclThreadSynchronizer* synchronizer) {
  std::lock_guard guard(FThreadLock);
  auto it = std::find_if(FList.begin(), FList.end(), [&](const auto& info) {
    return info->FSyncBaseThreadID == synchronizer->FSyncBaseThreadID;
  });
  if (it == FList.end()) {
    FList.push_back(std::make_unique<TclSyncInfo>());
    FList.back()->FSyncBaseThreadID = synchronizer->FSyncBaseThreadID;
    it = std::prev(FList.end());
  }
  ++(*it)->FThreadCount;
}

void TclSynchronizerManager::RemoveThread(TclThreadSynchronizer* synchronizer) {
  const std::thread::id base = synchronizer->FSyncBaseThreadID;
  auto release = [this, base] {
    std::lock_guard guard(FThreadLock);
    auto it = std::find_if(FList.begin(), FList.end(),
                           [&](const auto& info) { return info->FSyncBaseThreadID == base; });
    if (it != FList.end() && --(*it)->FThreadCount <= 0) FList.erase(it);
  };
  // On the base thread itself the release happens at once: a worker thread that frees its
  // synchronizer as it ends would never drain a queued one.
  if (base == std::this_thread::get_id())
    release();
  else
    PostToThread(base, release);
}

void TclSynchronizerManager::Synchronize(TclThreadSynchronizer* synchronizer) {
  SendToThread(synchronizer->FSyncBaseThreadID, [synchronizer] {
    synchronizer->FSynchronizeException = nullptr;
    try {
      synchronizer->FMethod();
    } catch (...) {
      synchronizer->FSynchronizeException = std::current_exception();
    }
  });
}

const TclSyncInfo* TclSynchronizerManager::FindSyncInfo(std::thread::id thread) const {
  std::lock_guard guard(FThreadLock);
  for (const auto& info : FList) {
    if (info->FSyncBaseThreadID == thread) return info.get();
  }
  return nullptr;
}
