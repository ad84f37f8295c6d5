#include "support/krs_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>

#include "platform/utf.h"

namespace {

std::u16string WithCode(const std::u16string& message, const char* code_format, int code) {
  char digits[16];
  std::snprintf(digits, sizeof digits, code_format, code);
  return message + u" - Native error: " + Utf8ToUtf16(digits);
}

std::u16string Filled(const std::u16string& format, std::initializer_list<FormatArg> args) {
  try {
    return Format(format, args);
  } catch (const EConvertError&) {
    return format + u" Arguments are invalid!";
  }
}

const char16_t* StandardMessage(int code) {
  static const struct {
    int code;
    const char16_t* message;
  } kMessages[] = {
      {10001, u"Невозможно получить доступ к файлу"},
      {10002, u"Операционная система отклонила доступ к файлу"},
      {10003, u"Ошибка создания файла"},
      {10004, u"Переименовать файл невозможно"},
      {10005, u"Ошибка удаления файла"},
      {10006, u"Чтение файла невыполнимо"},
      {10007, u"Запись в  файл невыполнима"},
  };
  for (const auto& entry : kMessages)
    if (entry.code == code) return entry.message;
  return u"";
}

[[noreturn]] void Fail(int code) { throw KRS_Exception(code); }

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Opens with close-on-exec and never returns descriptor 0, which FileHandle reserves for
// "closed" (it is free when standard input was closed).
int OpenDescriptor(const std::string& path, int flags) {
  int fd = open(path.c_str(), flags | O_CLOEXEC, 0666);
  if (fd == 0) {
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 1);
    close(fd);
    fd = moved;
  }
  return fd;
}

bool LockRange(int fd, short type, std::int64_t offset, std::int64_t length) {
  if (fd <= 0 || offset < 0 || length < 0) return false;
  if (length == 0) return true;  // an empty range: nothing to lock
  struct flock range {};
  range.l_type = type;
  range.l_whence = SEEK_SET;
  range.l_start = offset;
  range.l_len = length;
  return fcntl(fd, F_SETLK, &range) == 0;
}

}  // namespace

KRS_Exception::KRS_Exception(int native_error_code)
    : KRS_Exception(native_error_code, StandardMessage(native_error_code)) {}

KRS_Exception::KRS_Exception(int native_error_code, const std::u16string& message)
    : Exception(WithCode(message, "%.5d", native_error_code)), NativeError(native_error_code) {}

KRS_Exception::KRS_Exception(int native_error_code, const std::u16string& format,
                             std::initializer_list<FormatArg> args)
    : Exception(WithCode(Filled(format, args), "%5d", native_error_code)),
      NativeError(native_error_code) {}

TKRS_File::TKRS_File(TComponent* owner)
    : TKRS_Disk(owner), FFileSection(std::make_unique<TCriticalSection>()) {}

TKRS_File::~TKRS_File() {
  if (FileHandle > 0) close(FileHandle);
}

int TKRS_File::File_CreateNew() {
  std::lock_guard lock(*FFileSection);
  const std::string path = Utf16ToUtf8(FileName);
  if (Overwrite && IsRegularFile(path)) unlink(path.c_str());
  FileHandle = OpenDescriptor(path, O_RDWR | O_CREAT | O_TRUNC);
  if (FileHandle < 0) Fail(10003);
  return 0;
}

int TKRS_File::File_Open() {
  std::lock_guard lock(*FFileSection);
  const std::string path = Utf16ToUtf8(FileName);
  FMarkedReadOnly = false;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) Fail(10001);
  if ((st.st_mode & S_IWUSR) == 0) {
    ReadOnly = true;
    FMarkedReadOnly = true;
  }
  FileHandle = OpenDescriptor(path, ReadOnly ? O_RDONLY : O_RDWR);
  if (FileHandle >= 0) return 0;
  if (!ReadOnly) {
    FileHandle = OpenDescriptor(path, O_RDONLY);
    if (FileHandle >= 0) {
      ReadOnly = true;
      return 0;
    }
  }
  FileHandle = 0;
  Fail(10002);
}

int TKRS_File::File_Close() {
  std::lock_guard lock(*FFileSection);
  if (FileHandle > 0) close(FileHandle);
  FileHandle = 0;
  return 0;
}

int TKRS_File::File_Read(void* buffer, int num_bytes) {
  std::lock_guard lock(*FFileSection);
  if (FileHandle <= 0) Fail(10006);
  if (num_bytes < 0) return -1;
  char* out = static_cast<char*>(buffer);
  int done = 0;
  while (done < num_bytes) {
    const ssize_t got = read(FileHandle, out + done, num_bytes - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;  // end of file: the count tells
    done += static_cast<int>(got);
  }
  return done;
}

int TKRS_File::File_Write(const void* buffer, int num_bytes) {
  std::lock_guard lock(*FFileSection);
  if (FileHandle <= 0) Fail(10007);
  int result = 0;
  if (num_bytes < 0) {
    result = -1;
  } else if (num_bytes == 0) {
    const off_t here = lseek(FileHandle, 0, SEEK_CUR);
    if (here >= 0) (void)ftruncate(FileHandle, here);
  } else {
    const char* in = static_cast<const char*>(buffer);
    while (result < num_bytes) {
      const ssize_t put = write(FileHandle, in + result, num_bytes - result);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        result = -1;
        break;
      }
      result += static_cast<int>(put);
    }
  }
  if (AutoFlush) File_Flush();
  return result;
}

bool TKRS_File::File_Flush() {
  std::lock_guard lock(*FFileSection);
  ++FlushCount;
  return FileHandle > 0 && fsync(FileHandle) == 0;
}

std::int64_t TKRS_File::File_Seek(std::int64_t position, std::uint16_t from) {
  std::lock_guard lock(*FFileSection);
  static constexpr int kWhence[3] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (FileHandle <= 0 || from > 2) return -1;
  return lseek(FileHandle, position, kWhence[from]);
}

std::int64_t TKRS_File::File_GetCurrentPos() { return File_Seek(0, 1); }

std::int64_t TKRS_File::File_KeepGo() {
  std::lock_guard lock(*FFileSection);
  const std::int64_t here = File_GetCurrentPos();
  FCursorList.push_back({here});
  return here;
}

std::int64_t TKRS_File::File_GoBack() {
  std::lock_guard lock(*FFileSection);
  if (FCursorList.empty()) return File_GetCurrentPos();
  const std::int64_t saved = FCursorList.back().FileCursor;
  FCursorList.pop_back();
  File_Seek(saved, 0);
  return saved;
}

std::int64_t TKRS_File::File_GetSize() {
  std::lock_guard lock(*FFileSection);
  File_KeepGo();
  const std::int64_t size = File_Seek(0, 2);
  File_GoBack();
  return size;
}

bool TKRS_File::File_Lock(std::int64_t offset, std::int64_t lock_length) {
  std::lock_guard lock(*FFileSection);
  return LockRange(FileHandle, ReadOnly ? F_RDLCK : F_WRLCK, offset, lock_length);
}

bool TKRS_File::File_Unlock(std::int64_t offset, std::int64_t lock_length) {
  std::lock_guard lock(*FFileSection);
  return LockRange(FileHandle, F_UNLCK, offset, lock_length);
}

int TKRS_File::File_Rename(const std::u16string& new_name) {
  std::lock_guard lock(*FFileSection);
  const std::string from = Utf16ToUtf8(FileName);
  const std::string to = Utf16ToUtf8(new_name);
  // Like a move on Windows, never replaces an existing file.
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
    if (errno != EINVAL && errno != ENOSYS) Fail(10004);
    struct stat st;
    if (lstat(to.c_str(), &st) == 0 || rename(from.c_str(), to.c_str()) != 0) Fail(10004);
  }
  FileName = new_name;
  return 0;
}

int TKRS_File::File_Delete() {
  std::lock_guard lock(*FFileSection);
  if (unlink(Utf16ToUtf8(FileName).c_str()) != 0) Fail(10005);
  return 0;
}
