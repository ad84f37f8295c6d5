#include "platform/application_error.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex& Lock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

std::function<void(std::exception_ptr)>& Handler() {
  static auto* handler = new std::function<void(std::exception_ptr)>;
  return *handler;
}

void WriteToStandardError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Unknown exception\n");
  }
}

}  // namespace

void SetApplicationErrorHandler(std::function<void(std::exception_ptr)> handler) {
  std::lock_guard guard(Lock());
  Handler() = std::move(handler);
}

void ReportApplicationError(std::exception_ptr error) noexcept {
  if (!error) return;
  std::function<void(std::exception_ptr)> handler;
  {
    std::lock_guard guard(Lock());
    handler = Handler();
  }
  try {
    if (handler)
      handler(error);
    else
      WriteToStandardError(error);
  } catch (...) {
    WriteToStandardError(error);
  }
}
