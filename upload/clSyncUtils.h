#pragma once
// Marshalling of calls to the thread that created a synchronizer (its base thread): the
// calling thread blocks until the call has run there, and an exception the call raised is
// raised again in the caller. Calls reach the base thread through its queue of thread calls
// (platform/thread_calls.h), which it drains from its event loop or while it waits.

#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/critical_section.h"

class TclThreadSynchronizer {
 public:
  // The calling thread becomes the base thread.
  TclThreadSynchronizer();
  ~TclThreadSynchronizer();
  TclThreadSynchronizer(const TclThreadSynchronizer&) = delete;
  TclThreadSynchronizer& operator=(const TclThreadSynchronizer&) = delete;

  // Runs `method` on the base thread (at once when called there) and waits for it; raises the
  // exception the method raised, the same object.
  void Synchronize(std::function<void()> method);
  std::thread::id SyncBaseThreadID() const { return FSyncBaseThreadID; }
  void BeginWork() { FAccessor.Enter(); }
  void EndWork() { FAccessor.Leave(); }

 private:
  friend class TclSynchronizerManager;

  std::function<void()> FMethod;              // the call being marshalled
  std::exception_ptr FSynchronizeException;   // what FMethod raised on the base thread
  std::thread::id FSyncBaseThreadID;          // the thread that created this synchronizer
  TCriticalSection FAccessor;                 // for BeginWork / EndWork
};

// The record of one base thread: how many of its synchronizers are alive.
struct TclSyncInfo {
  std::thread::id FSyncBaseThreadID;
  int FThreadCount = 0;
};

// The process-wide bookkeeping of base threads and the route of calls to them.
class TclSynchronizerManager {
 public:
  static TclSynchronizerManager& Instance();

  // Counts a new synchronizer of the calling (base) thread, making its record if needed.
  void AddThread(TclThreadSynchronizer* synchronizer);
  // Releases the synchronizer's count on its base thread (at once when called there, else
  // queued to it); the record goes when the count reaches 0.
  void RemoveThread(TclThreadSynchronizer* synchronizer);
  // Runs the synchronizer's method on its base thread and waits; the method's exception is
  // stored in the synchronizer.
  void Synchronize(TclThreadSynchronizer* synchronizer);

  // The record of `thread`, or null; the pointer stays valid while the record lives.
  const TclSyncInfo* FindSyncInfo(std::thread::id thread) const;

 private:
  TclSynchronizerManager() = default;

  mutable TCriticalSection FThreadLock;           // guards FList and the counts
  std::vector<std::unique_ptr<TclSyncInfo>> FList;  // one record per base thread
};
