#include "platform/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/utf.h"

namespace {

std::u16string SystemErrorText(int error) {
  char buffer[256];
  // The GNU variant returns the text, which may or may not live in `buffer`.
  return Utf8ToUtf16(strerror_r(error, buffer, sizeof buffer));
}

std::u16string FileErrorText(const char16_t* action, const std::string& path, int error) {
  return std::u16string(action) + u" \"" + Utf8ToUtf16(path) + u"\". " + SystemErrorText(error);
}

}  // namespace

std::int64_t TStream::Write(const void*, std::int64_t) {
  throw EStreamError("Stream write error");
}

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, soCurrent);
  const std::int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::int64_t TStream::SeekTarget(std::int64_t offset, TSeekOrigin origin, std::int64_t current,
                                 std::int64_t size) {
  const std::int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? current : size;
  const std::int64_t target = base + offset;
  if (target < 0) throw EStreamError("Invalid stream position");
  return target;
}

TFileStream::TFileStream(const std::string& path, TFileMode mode) : path_(path) {
  const bool create = mode == fmCreate;
  const char16_t* action = create ? u"Cannot create file" : u"Cannot open file";
  fd_ = create ? ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)
               : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  int error = errno;
  struct stat info;
  if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    error = EISDIR;
  }
  if (fd_ < 0) {
    const std::u16string message = FileErrorText(action, path, error);
    if (create) throw EFCreateError(message);
    throw EFOpenError(message);
  }
}

TFileStream::~TFileStream() { ::close(fd_); }

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done,
                             static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EStreamError(u"Stream read error. " + SystemErrorText(errno));
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done,
                              static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EStreamError(u"Stream write error. " + SystemErrorText(errno));
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t result = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (result < 0) throw EStreamError("Invalid stream position");
  return result;
}

std::int64_t TFileStream::Size() {
  struct stat info;
  if (::fstat(fd_, &info) != 0) throw EStreamError(u"Stream read error. " + SystemErrorText(errno));
  return info.st_size;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t available = static_cast<std::int64_t>(data_.size()) - position_;
  if (count <= 0 || available <= 0) return 0;
  const std::int64_t n = std::min(count, available);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  if (position_ + count > static_cast<std::int64_t>(data_.size())) data_.resize(static_cast<size_t>(position_ + count));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ += count;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, static_cast<std::int64_t>(data_.size()));
  return position_;
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  data_.resize(static_cast<size_t>(size));
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}
