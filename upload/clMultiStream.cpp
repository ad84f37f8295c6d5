#include "upload/clMultiStream.h"

#include <algorithm>

TclMultiStream::~TclMultiStream() {
  while (!FList.empty()) FList.pop_back();
}

void TclMultiStream::AddStream(std::unique_ptr<TStream> stream) {
  FList.push_back(std::move(stream));
}

std::int64_t TclMultiStream::Read(void* buffer, std::int64_t count) {
  char* out = static_cast<char*>(buffer);
  std::int64_t done = 0;
  std::int64_t start = 0;  // where the current member begins in the concatenation
  for (const auto& member : FList) {
    if (done >= count) break;
    const std::int64_t size = member->Size();
    const std::int64_t offset = FPosition - start;  // inside this member when in [0, size)
    start += size;
    if (offset >= size) continue;
    const std::int64_t wanted = std::min(count - done, size - offset);
    member->SetPosition(offset);
    const std::int64_t got = member->Read(out + done, wanted);
    done += got;
    FPosition += got;
    if (got < wanted) break;
  }
  return done;
}

std::int64_t TclMultiStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  FPosition = SeekTarget(offset, origin, FPosition, origin == soEnd ? Size() : 0);
  return FPosition;
}

std::int64_t TclMultiStream::Size() {
  std::int64_t size = 0;
  for (const auto& member : FList) size += member->Size();
  return size;
}
