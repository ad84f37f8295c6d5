// Stands in front of the C library's pthread_create (the executable's definition comes first
// in symbol lookup) and passes every call on to it unless starts are made to fail.

#include "tests/common/failed_thread_starts.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>

namespace {

std::atomic<bool> fail_starts{false};

using PthreadCreate = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

}  // namespace

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr,
                              void* (*start)(void*), void* arg) {
  if (fail_starts) return EAGAIN;
  static const auto next = reinterpret_cast<PthreadCreate>(dlsym(RTLD_NEXT, "pthread_create"));
  return next(thread, attr, start, arg);
}

TFailedThreadStarts::TFailedThreadStarts() { fail_starts = true; }
TFailedThreadStarts::~TFailedThreadStarts() { fail_starts = false; }
