#include "xls/Streams.h"

#include <algorithm>
#include <cstring>

bool TEasyStream::ReadBytes(void* Buff, std::int64_t Size) {
  if (Size <= 0) return Size == 0;
  const std::int64_t available = std::clamp<std::int64_t>(ReadableSize(), 0, Size);
  if (available > 0) std::memcpy(Buff, FData.data() + FPosition, static_cast<std::size_t>(available));
  FPosition += available;
  return available == Size;
}

bool TEasyStream::ReadString(std::string& S, std::int64_t Size) {
  if (Size < 0 || ReadableSize() < Size) return false;
  S.assign(reinterpret_cast<const char*>(FData.data() + FPosition), static_cast<std::size_t>(Size));
  FPosition += Size;
  return true;
}

void TEasyStream::WriteBytes(const void* Buff, std::int64_t Size) {
  if (Size <= 0) return;
  if (FPosition + Size > this->Size()) SetSize(FPosition + Size);
  std::memcpy(FData.data() + FPosition, Buff, static_cast<std::size_t>(Size));
  FPosition += Size;
}

void TEasyStream::WriteLittleEndian(std::uint64_t value, int count) {
  std::uint8_t bytes[8];
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  WriteBytes(bytes, count);
}
