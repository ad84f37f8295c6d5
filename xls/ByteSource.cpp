#include "xls/ByteSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Stream sizes and positions are 32-bit signed, so no usable document is larger.
constexpr off_t kMaxFileSize = 0x7FFFFFFF;

[[noreturn]] void FailRead() { throw ECFileError(ECFILE_OPEN_STREAM); }

class TMemoryByteSource final : public TByteSource {
 public:
  explicit TMemoryByteSource(std::vector<std::uint8_t> bytes) : FBytes(std::move(bytes)) {
    FSize = FBytes.size();
  }

  void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) override {
    if (offset > FSize || count > FSize - offset) FailRead();
    if (count > 0) std::memcpy(out, FBytes.data() + offset, count);
  }

 private:
  std::vector<std::uint8_t> FBytes;  // the whole document
};

class TFileByteSource final : public TByteSource {
 public:
  TFileByteSource(int fd, std::uint64_t size) : FFd(fd) { FSize = size; }
  ~TFileByteSource() override { ::close(FFd); }
  TFileByteSource(const TFileByteSource&) = delete;
  TFileByteSource& operator=(const TFileByteSource&) = delete;

  void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) override {
    if (offset > FSize || count > FSize - offset) FailRead();
    while (count > 0) {
      const ssize_t got = ::pread(FFd, out, count, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) FailRead();  // an I/O error, or the file is shorter than it was
      out += got;
      offset += static_cast<std::uint64_t>(got);
      count -= static_cast<std::size_t>(got);
    }
  }

 private:
  int FFd;  // the open file, closed with the source
};

}  // namespace

std::unique_ptr<TByteSource> MemoryByteSource(std::vector<std::uint8_t> bytes) {
  return std::make_unique<TMemoryByteSource>(std::move(bytes));
}

std::unique_ptr<TByteSource> OpenFileByteSource(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxFileSize) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<TFileByteSource>(fd, static_cast<std::uint64_t>(info.st_size));
}
