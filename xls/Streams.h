#pragma once
// TEasyStream: a growable in-memory byte stream with a position and typed little-endian reads
// and writes. Reads never fail hard: near the end only the remaining bytes are copied and the
// rest of the target keeps what it held; the result tells whether everything was read.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class TEasyStream {
 public:
  std::int64_t Size() const { return static_cast<std::int64_t>(FData.size()); }
  // Grows (zero-filled) or shrinks the data; the position stays.
  void SetSize(std::int64_t ASize) { FData.resize(static_cast<std::size_t>(ASize)); }
  std::int64_t Position() const { return FPosition; }
  void SetPosition(std::int64_t APosition) { FPosition = APosition < 0 ? 0 : APosition; }
  // Size minus position; negative once the position has been skipped past the end.
  std::int64_t ReadableSize() const { return Size() - FPosition; }
  const std::uint8_t* Data() const { return FData.data(); }
  std::uint8_t* Data() { return FData.data(); }

  bool ReadByte(std::uint8_t& Value) { return ReadLittleEndian(Value); }
  bool ReadWord(std::uint16_t& Value) { return ReadLittleEndian(Value); }
  bool ReadDWord(std::uint32_t& Value) { return ReadLittleEndian(Value); }
  bool ReadInt(std::int32_t& Value) { return ReadLittleEndian(Value); }
  // Copies up to `Size` bytes into `Buff`; true only when all were there.
  bool ReadBytes(void* Buff, std::int64_t Size);
  // `S` becomes exactly the next `Size` bytes; when fewer remain, false and `S` is left as it was.
  bool ReadString(std::string& S, std::int64_t Size);
  // Moves the position forward; it may pass the end, after which reads read nothing.
  void SkipBytes(std::int64_t Size) { FPosition += Size; }

  // Writes at the position, growing the data as needed, and advances.
  void WriteByte(std::uint8_t Value) { WriteLittleEndian(Value, 1); }
  void WriteWord(std::uint16_t Value) { WriteLittleEndian(Value, 2); }
  void WriteDWord(std::uint32_t Value) { WriteLittleEndian(Value, 4); }
  void WriteBytes(const void* Buff, std::int64_t Size);

 private:
  template <typename T>
  bool ReadLittleEndian(T& value) {
    static_assert(std::endian::native == std::endian::little);
    if (FPosition >= 0 && ReadableSize() >= static_cast<std::int64_t>(sizeof(T))) {
      std::memcpy(&value, FData.data() + FPosition, sizeof(T));  // the common case, at once
      FPosition += sizeof(T);
      return true;
    }
    std::uint8_t bytes[sizeof(T)];
    auto bits = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    const bool all = ReadBytes(bytes, sizeof(T));
    bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) bits |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    value = static_cast<T>(bits);
    return all;
  }
  void WriteLittleEndian(std::uint64_t value, int count);

  std::vector<std::uint8_t> FData;  // the bytes
  std::int64_t FPosition = 0;       // read and write position
};
