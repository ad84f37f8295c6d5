#pragma once
// A one-way signal that a blocking wait can watch: once raised it stays raised, and its
// descriptor polls readable from then on. Every socket wait of the internet client watches the
// signal of its handle, so closing the handle from another thread ends the wait at once.

#include <atomic>

class TCancelSignal {
 public:
  TCancelSignal();  // raises std::system_error when the system has no descriptor left
  ~TCancelSignal();
  TCancelSignal(const TCancelSignal&) = delete;
  TCancelSignal& operator=(const TCancelSignal&) = delete;

  void Raise();
  bool IsRaised() const { return raised_.load(); }
  // Readable once raised; for poll.
  int Descriptor() const { return fd_; }

 private:
  int fd_;                     // eventfd, written once by Raise
  std::atomic<bool> raised_{false};  // Raise was called
};
