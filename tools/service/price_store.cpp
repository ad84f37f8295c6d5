#include "tools/service/price_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "platform/exception.h"
#include "platform/percent_encoding.h"

namespace fs = std::filesystem;

namespace {

// Longest folder name a shop gets; file systems allow 255 bytes.
constexpr std::size_t kMaxFolderName = 240;
// Temporary files begin with this, followed by the list's file name and a unique suffix.
constexpr std::string_view kTemporaryPrefix = ".upload-";

[[noreturn]] void RaiseSystemError(const std::string& what, const fs::path& path, int error) {
  throw Exception(what + " \"" + path.string() + "\": " + std::strerror(error));
}

std::string ListFileName(int price) { return "list" + std::to_string(price) + ".html"; }

// Makes a completed rename durable: flushes the folder that holds the file.
void SyncFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

PriceStore::Upload::Upload(fs::path temporary, fs::path target, int fd)
    : temporary_(std::move(temporary)), target_(std::move(target)), fd_(fd) {}

PriceStore::Upload::~Upload() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temporary_.c_str());
  }
}

void PriceStore::Upload::Append(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      RaiseSystemError("cannot write", temporary_, errno);
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

void PriceStore::Upload::Commit() {
  if (::fsync(fd_) != 0) RaiseSystemError("cannot flush", temporary_, errno);
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary_.c_str());
    RaiseSystemError("cannot store", target_, error);
  }
  SyncFolder(target_.parent_path());
}

PriceStore::PriceStore(fs::path folder) : folder_(std::move(folder)) {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (error || !fs::is_directory(folder_)) {
    throw Exception("cannot create the data folder \"" + folder_.string() + "\"");
  }
  for (const fs::directory_entry& shop : fs::directory_iterator(folder_, error)) {
    if (!shop.is_directory(error)) continue;
    for (const fs::directory_entry& file : fs::directory_iterator(shop.path(), error)) {
      if (file.path().filename().string().starts_with(kTemporaryPrefix)) {
        fs::remove(file.path(), error);
      }
    }
  }
}

fs::path PriceStore::ShopFolder(std::string_view user) const {
  // No "." is kept, so that no name becomes "." or "..".
  const std::string name = PercentEncode(user, "-_");
  if (name.empty() || name.size() > kMaxFolderName) {
    throw Exception("user name \"" + std::string(user) + "\" does not fit a folder name");
  }
  return folder_ / name;
}

fs::path PriceStore::ListPath(std::string_view user, int price) const {
  return ShopFolder(user) / ListFileName(price);
}

std::optional<TStoredList> PriceStore::Find(std::string_view user, int price) const {
  struct stat info {};
  if (::stat(ListPath(user, price).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return std::nullopt;
  }
  return TStoredList{info.st_mtime, static_cast<std::uint64_t>(info.st_size)};
}

std::optional<FileHandle> PriceStore::Open(std::string_view user, int price) const {
  const fs::path path = ListPath(user, price);
  // Not blocking: whatever else may lie there, opening it must not wait.
  FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.IsOpen()) {
    if (errno == ENOENT) return std::nullopt;
    RaiseSystemError("cannot open", path, errno);
  }
  struct stat info {};
  if (::fstat(file.Fd(), &info) != 0) RaiseSystemError("cannot read", path, errno);
  if (!S_ISREG(info.st_mode)) throw Exception("\"" + path.string() + "\" is not a file");
  return file;
}

std::optional<std::string> PriceStore::Read(std::string_view user, int price) const {
  const std::optional<FileHandle> file = Open(user, price);
  if (!file) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file->Fd(), buffer, sizeof buffer);
    if (got == 0) return bytes;
    if (got < 0) {
      const int error = errno;
      if (error == EINTR) continue;
      RaiseSystemError("cannot read", ListPath(user, price), error);
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

std::unique_ptr<PriceStore::Upload> PriceStore::BeginUpload(std::string_view user,
                                                            int price) const {
  const fs::path shop = ShopFolder(user);
  std::error_code error;
  fs::create_directories(shop, error);
  std::string temporary =
      (shop / (std::string(kTemporaryPrefix) + ListFileName(price) + ".XXXXXX")).string();
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) RaiseSystemError("cannot create a file in", shop, errno);
  ::fchmod(fd, 0644);
  return std::unique_ptr<Upload>(new Upload(temporary, shop / ListFileName(price), fd));
}
