#pragma once
// TByteSource: random-access reads of a compound document's bytes, from a copy held in memory or
// from an open file read on demand. The size is taken once, when the source is made; a read that
// cannot be satisfied in full (the file shrank or failed after opening) raises ECFileError
// ECFILE_OPEN_STREAM, so that a document changing under the reader fails cleanly.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/CFileError.h"

class TByteSource {
 public:
  virtual ~TByteSource() = default;

  // The length at opening; every offset the document uses is checked against it.
  std::uint64_t Size() const { return FSize; }
  // Copies exactly `count` bytes from `offset` on into `out`.
  virtual void ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) = 0;

 protected:
  std::uint64_t FSize = 0;  // length at opening
};

// The bytes given, held in memory.
std::unique_ptr<TByteSource> MemoryByteSource(std::vector<std::uint8_t> bytes);
// The file at `path` (UTF-8), kept open and read on demand; nullptr when it cannot be opened as
// a regular file of at most 2 GiB. Opening does not block, so that a named pipe is refused
// rather than waited for.
std::unique_ptr<TByteSource> OpenFileByteSource(const std::string& path);
