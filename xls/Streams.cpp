#include "xls/Streams.h"

#include <algorithm>
#include <cstring>
#include <utility>

TEasyStream::TEasyStream(const TEasyStream& other)
    : FData(other.FBegin, other.FBegin + other.FSize), FBegin(FData.data()), FSize(other.FSize),
      FPosition(other.FPosition) {}

TEasyStream& TEasyStream::operator=(const TEasyStream& other) {
  if (this != &other) *this = TEasyStream(other);
  return *this;
}

TEasyStream::TEasyStream(TEasyStream&& other) noexcept
    : FData(std::move(other.FData)), FBegin(other.FBegin), FSize(other.FSize),
      FPosition(other.FPosition), FViewing(other.FViewing) {
  // A moved vector keeps its buffer, so FBegin stays right in both cases.
  other.FData.clear();
  other.FBegin = nullptr;
  other.FSize = other.FPosition = 0;
  other.FViewing = false;
}

TEasyStream& TEasyStream::operator=(TEasyStream&& other) noexcept {
  if (this != &other) {
    FData = std::move(other.FData);
    FBegin = other.FBegin;
    FSize = other.FSize;
    FPosition = other.FPosition;
    FViewing = other.FViewing;
    other.FData.clear();
    other.FBegin = nullptr;
    other.FSize = other.FPosition = 0;
    other.FViewing = false;
  }
  return *this;
}

void TEasyStream::Own() {
  if (!FViewing) return;
  FData.assign(FBegin, FBegin + FSize);
  FBegin = FData.data();
  FViewing = false;
}

void TEasyStream::SetSize(std::int64_t ASize) {
  if (FViewing) {  // only the bytes that stay are copied
    FData.assign(FBegin, FBegin + std::min(FSize, ASize));
    FViewing = false;
  }
  FData.resize(static_cast<std::size_t>(ASize));
  FBegin = FData.data();
  FSize = ASize;
}

bool TEasyStream::ReadBytes(void* Buff, std::int64_t Size) {
  if (Size <= 0) return Size == 0;
  const std::int64_t available = std::clamp<std::int64_t>(ReadableSize(), 0, Size);
  if (available > 0) std::memcpy(Buff, FBegin + FPosition, static_cast<std::size_t>(available));
  FPosition += available;
  return available == Size;
}

bool TEasyStream::ReadString(std::string& S, std::int64_t Size) {
  if (Size < 0 || ReadableSize() < Size) return false;
  S.assign(reinterpret_cast<const char*>(FBegin + FPosition), static_cast<std::size_t>(Size));
  FPosition += Size;
  return true;
}

void TEasyStream::WriteBytes(const void* Buff, std::int64_t Size) {
  if (Size <= 0) return;
  Own();
  if (FPosition + Size > this->Size()) SetSize(FPosition + Size);
  std::memcpy(FBegin + FPosition, Buff, static_cast<std::size_t>(Size));
  FPosition += Size;
}

void TEasyStream::WriteLittleEndian(std::uint64_t value, int count) {
  std::uint8_t bytes[8];
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  WriteBytes(bytes, count);
}
