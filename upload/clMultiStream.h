#pragma once
// Read-only streams that make up a request body: the concatenation of member streams, and the
// empty stream.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/stream.h"

// The bytes of its member streams one after the other. It owns the members and frees them from
// the last to the first. Its size is the sum of the members' current sizes, taken anew on every
// call, so a member that grows or shrinks is seen at once.
class TclMultiStream : public TStream {
 public:
  TclMultiStream() = default;
  ~TclMultiStream() override;

  // Appends a member; the multi stream owns it from now on.
  void AddStream(std::unique_ptr<TStream> stream);
  int StreamCount() const { return static_cast<int>(FList.size()); }

  // Reads across member boundaries. Stops early, with the bytes read so far, when a member
  // yields fewer bytes than its size promised; a later read at that position asks it again.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override;

 private:
  std::int64_t FPosition = 0;                  // the position in the concatenation
  std::vector<std::unique_ptr<TStream>> FList;  // the members, in order
};

// A stream of size 0: every read returns 0 bytes, wherever the position is.
class TclNullStream : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    FPosition = SeekTarget(offset, origin, FPosition, 0);
    return FPosition;
  }
  std::int64_t Size() override { return 0; }

 private:
  std::int64_t FPosition = 0;  // where a seek left it
};
