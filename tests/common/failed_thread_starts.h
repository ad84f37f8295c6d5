#pragma once
// While a TFailedThreadStarts lives, every thread that the thread which created it tries to
// start fails, as when the system has run out of threads: pthread_create answers EAGAIN and
// std::thread raises std::system_error. Other threads start theirs as usual. Link tests/common/failed_thread_starts.cpp into the test binary.

class TFailedThreadStarts {
 public:
  TFailedThreadStarts();
  ~TFailedThreadStarts();
  TFailedThreadStarts(const TFailedThreadStarts&) = delete;
  TFailedThreadStarts& operator=(const TFailedThreadStarts&) = delete;
};
