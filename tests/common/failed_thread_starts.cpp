// Stands in front of the C library's pthread_create (the executable's definition comes first
// in symbol lookup) and passes every call on to it unless starts from the failing thread are
// made to fail. Threads that servers of the test start meanwhile are not touched.

#include "tests/common/failed_thread_starts.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>

namespace {

// The thread whose starts fail while fail_starts is set.
std::atomic<pthread_t> failing_thread{};
std::atomic<bool> fail_starts{false};

using PthreadCreate = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                              void* (*start)(void*), void* arg) {
  if (fail_starts && pthread_equal(failing_thread.load(), pthread_self())) return EAGAIN;
  static const auto next = reinterpret_cast<PthreadCreate>(dlsym(RTLD_NEXT, "pthread_create"));
  return next(thread, attr, start, arg);
}

TFailedThreadStarts::TFailedThreadStarts() {
  failing_thread = pthread_self();
  fail_starts = true;
}
TFailedThreadStarts::~TFailedThreadStarts() { fail_starts = false; }
