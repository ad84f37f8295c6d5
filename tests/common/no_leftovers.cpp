// Checks after every test that it left no thread and no open descriptor (socket, file, pipe)
// behind: the process must be back to the counts it had before the test. Threads and sockets
// that end asynchronously get a moment to do so.

#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

// The entries of a folder of /proc; `own_descriptor` leaves out the listing's own descriptor.
int CountEntries(const char* folder, bool own_descriptor) {
  DIR* dir = opendir(folder);
  if (dir == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') ++count;
  closedir(dir);
  return own_descriptor ? count - 1 : count;
}

// What each open descriptor refers to ("socket:[123]", a path), for the failure message.
std::string DescribeDescriptors() {
  std::string text;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return text;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    char target[256] = {};
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    if (readlink(link.c_str(), target, sizeof target - 1) > 0)
      text += std::string(" ") + entry->d_name + "=" + target;
  }
  closedir(dir);
  return text;
}

int Threads() { return CountEntries("/proc/self/task", false); }
int Descriptors() { return CountEntries("/proc/self/fd", true); }

class NoLeftovers : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    threads_ = Threads();
    descriptors_ = Descriptors();
  }
  void OnTestEnd(const ::testing::TestInfo& test) override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((Threads() > threads_ || Descriptors() > descriptors_) &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_LE(Threads(), threads_) << test.name() << " left a thread running";
    EXPECT_LE(Descriptors(), descriptors_)
        << test.name() << " left a descriptor open; open now:" << DescribeDescriptors();
  }

  int threads_ = 0;      // threads when the test started
  int descriptors_ = 0;  // open descriptors when the test started
};

// Registered before main runs; gtest_main keeps the listeners appended here.
const bool registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new NoLeftovers);
  return true;
}();

}  // namespace
