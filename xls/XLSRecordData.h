#pragma once
// Value-returning reads of a record's data for the record handlers: a field the record is too
// short for reads as 0, and a byte run never goes past the data's end.

#include <cstdint>
#include <cstring>
#include <string>

#include "xls/BiffStrings.h"
#include "xls/Streams.h"

inline std::uint8_t RecordByte(TEasyStream& AData) {
  std::uint8_t v = 0;
  AData.ReadByte(v);
  return v;
}

inline std::uint16_t RecordWord(TEasyStream& AData) {
  std::uint16_t v = 0;
  AData.ReadWord(v);
  return v;
}

inline std::uint32_t RecordDWord(TEasyStream& AData) {
  std::uint32_t v = 0;
  AData.ReadDWord(v);
  return v;
}

inline double RecordDouble(TEasyStream& AData) {
  std::uint8_t bytes[8] = {};
  AData.ReadBytes(bytes, 8);
  double v;
  std::memcpy(&v, bytes, 8);
  return v;
}

// Up to `ACount` bytes from the position on (fewer when the data ends first).
inline std::string RecordBytes(TEasyStream& AData, std::int64_t ACount) {
  const std::int64_t available = AData.ReadableSize();
  const std::int64_t n = ACount < 0 ? 0 : (ACount < available ? ACount : (available > 0 ? available : 0));
  std::string bytes(static_cast<std::size_t>(n), '\0');
  AData.ReadBytes(bytes.data(), n);
  return bytes;
}

// The record data from the position to the end.
inline std::string RecordRest(TEasyStream& AData) { return RecordBytes(AData, AData.ReadableSize()); }

// `ACount` characters after string flags already read: 16-bit when bit 0 of `AFlags` is set,
// else 8-bit, each byte the character U+0000 to U+00FF of the same number.
inline std::u16string RecordText(TEasyStream& AData, std::int64_t ACount, std::uint8_t AFlags) {
  if (AFlags & 1) {
    const std::string bytes = RecordBytes(AData, 2 * ACount);
    return Utf16LEToText(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size() / 2);
  }
  return WidenBytes(RecordBytes(AData, ACount));
}

// String flags (1 byte) and `ACount` characters.
inline std::u16string RecordFlaggedText(TEasyStream& AData, std::int64_t ACount) {
  const std::uint8_t flags = RecordByte(AData);
  return RecordText(AData, ACount, flags);
}
