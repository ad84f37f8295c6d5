#pragma once
// Byte streams with a position: the abstract TStream, a stream over a file and one over memory.
// Positions and sizes are 64-bit; a stream never holds a negative position.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/exception.h"

// A stream operation failed: a read or write the stream could not perform, or a seek to a
// negative position.
class EStreamError : public Exception {
 public:
  using Exception::Exception;
};
// A file could not be opened: "Cannot open file "<path>". <reason>".
class EFOpenError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};
// A file could not be created: "Cannot create file "<path>". <reason>".
class EFCreateError : public EStreamError {
 public:
  using EStreamError::EStreamError;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Reads up to `count` bytes at the position into `buffer` and advances the position by the
  // bytes read; returns that number, 0 at or beyond the end.
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes `count` bytes at the position and advances it; returns the bytes written. Raises
  // EStreamError "Stream write error" on a stream that cannot be written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count);
  // Moves the position relative to the origin and returns the new position; raises
  // EStreamError for a negative result. A position beyond the end is allowed.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  // The number of bytes the stream holds now.
  virtual std::int64_t Size();

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, soBeginning); }

  // Reads exactly `count` bytes or raises EStreamError "Stream read error".
  void ReadBuffer(void* buffer, std::int64_t count);
  // Writes exactly `count` bytes or raises EStreamError "Stream write error".
  void WriteBuffer(const void* buffer, std::int64_t count);

 protected:
  // The position a seek leads to from `current` in a stream of `size` bytes; raises
  // EStreamError when it would be negative.
  static std::int64_t SeekTarget(std::int64_t offset, TSeekOrigin origin, std::int64_t current,
                                 std::int64_t size);
};

enum TFileMode {
  fmOpenRead,  // an existing file, for reading; other processes may read, write or delete it
  fmCreate,    // a new or emptied file, for reading and writing
};

// A file opened at construction and closed at destruction. `path` is UTF-8. Opening a missing
// file, a directory or a file without permission raises EFOpenError (EFCreateError for
// fmCreate) naming the file.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& path, TFileMode mode);
  ~TFileStream() override;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;

  const std::string& FileName() const { return path_; }

 private:
  std::string path_;  // the path it was opened with
  int fd_;            // the open descriptor
};

// Bytes held in memory; writing beyond the end grows the stream, filling any gap with zeros.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  // A stream holding a copy of `bytes`, positioned at 0.
  explicit TMemoryStream(std::string_view bytes) : data_(bytes) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

  // Cuts or extends (with zeros) the stream to `size` bytes; the position stays.
  void SetSize(std::int64_t size);
  // Empties the stream and moves the position to 0.
  void Clear();
  // The bytes held.
  std::string_view Bytes() const { return data_; }

 private:
  std::string data_;           // the stream's bytes
  std::int64_t position_ = 0;  // the position, possibly beyond the end
};
