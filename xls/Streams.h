#pragma once
// TEasyStream: a growable in-memory byte stream with a position and typed little-endian reads
// and writes. Reads never fail hard: near the end only the remaining bytes are copied and the
// rest of the target keeps what it held; the result tells whether everything was read. It may
// also show bytes it does not own (View), which it copies before the first change.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class TEasyStream {
 public:
  TEasyStream() = default;
  // A copy owns its bytes, even of a stream that shows others'.
  TEasyStream(const TEasyStream& other);
  TEasyStream& operator=(const TEasyStream& other);
  TEasyStream(TEasyStream&& other) noexcept;
  TEasyStream& operator=(TEasyStream&& other) noexcept;

  std::int64_t Size() const { return FSize; }
  // Grows (zero-filled) or shrinks the data; the position stays.
  void SetSize(std::int64_t ASize);
  // Shows the `ASize` bytes at `AData` from position 0 without copying them; they must stay
  // valid while shown. A later change (SetSize, a write) copies them first.
  void View(std::uint8_t* AData, std::int64_t ASize) {
    FBegin = AData;
    FSize = ASize;
    FPosition = 0;
    FViewing = true;
  }
  std::int64_t Position() const { return FPosition; }
  void SetPosition(std::int64_t APosition) { FPosition = APosition < 0 ? 0 : APosition; }
  // Size minus position; negative once the position has been skipped past the end.
  std::int64_t ReadableSize() const { return Size() - FPosition; }
  const std::uint8_t* Data() const { return FBegin; }
  std::uint8_t* Data() { return FBegin; }

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
      std::memcpy(&value, FBegin + FPosition, sizeof(T));  // the common case, at once
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
  // Makes the bytes shown the stream's own.
  void Own();

  std::vector<std::uint8_t> FData;   // the bytes owned
  std::uint8_t* FBegin = nullptr;    // the bytes shown: FData's, or those of View
  std::int64_t FSize = 0;            // bytes shown
  std::int64_t FPosition = 0;        // read and write position
  bool FViewing = false;             // FBegin shows bytes not owned
};
