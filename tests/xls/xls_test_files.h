#pragma once
// Helpers shared by the xls tests: whole files as bytes, little-endian patches, and a small
// writer of compound documents for fixtures the corpus lacks.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

inline const std::string kCorpus = "../shared/corpus/";

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::uint32_t GetU32(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | (static_cast<std::uint8_t>(b[at + 1]) << 8) |
         (static_cast<std::uint8_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24);
}

inline void PutU16(std::string& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

inline void PutU32(std::string& b, std::size_t at, std::uint32_t v) {
  PutU16(b, at, v & 0xFFFF);
  PutU16(b, at + 2, v >> 16);
}

// A stream of a fixture document: name and bytes.
struct FixtureStream {
  std::u16string Name;
  std::string Data;
};

// A compound document with `streams` directly below the root, sectors of 1 << `shift` bytes
// (9: version 3, 12: version 4). Streams under 4096 bytes go to the mini stream. The children's
// tree is a chain of right siblings, so a walk lists them in the order given. The allocation
// table takes at least `min_fat_sectors` sectors; beyond 109 they are listed in extension sectors.
inline std::string BuildCompoundFile(int shift, const std::vector<FixtureStream>& streams,
                                     std::size_t min_fat_sectors = 1) {
  const std::size_t ssz = std::size_t{1} << shift;
  auto sectors_for = [ssz](std::size_t n) { return (n + ssz - 1) / ssz; };
  std::string mini;
  std::vector<std::uint32_t> mini_fat;
  std::vector<std::uint32_t> starts;
  std::string big;
  std::vector<std::size_t> big_sizes;
  for (const auto& s : streams) {
    if (s.Data.empty()) {
      starts.push_back(0xFFFFFFFE);
    } else if (s.Data.size() < 4096) {
      const auto first = static_cast<std::uint32_t>(mini.size() / 64);
      const std::size_t count = (s.Data.size() + 63) / 64;
      for (std::size_t i = 0; i < count; ++i)
        mini_fat.push_back(i + 1 == count ? 0xFFFFFFFE : first + static_cast<std::uint32_t>(i) + 1);
      mini += s.Data;
      mini.resize((first + count) * 64, '\0');
      starts.push_back(first);
    } else {
      starts.push_back(0);  // fixed below, once the layout is known
      big_sizes.push_back(s.Data.size());
    }
  }
  const std::size_t dir_sectors = sectors_for((streams.size() + 1) * 128);
  const std::size_t mini_fat_sectors = sectors_for(mini_fat.size() * 4);
  const std::size_t mini_sectors = sectors_for(mini.size());
  std::size_t data_sectors = 0;
  for (std::size_t n : big_sizes) data_sectors += sectors_for(n);
  const std::size_t ids_per_difat = ssz / 4 - 1;
  auto difat_for = [&](std::size_t fat) { return fat > 109 ? (fat - 109 + ids_per_difat - 1) / ids_per_difat : 0; };
  std::size_t fat_sectors = min_fat_sectors;
  while ((fat_sectors + difat_for(fat_sectors) + dir_sectors + mini_fat_sectors + mini_sectors +
          data_sectors) > fat_sectors * (ssz / 4))
    ++fat_sectors;
  const std::size_t difat_sectors = difat_for(fat_sectors);
  const std::size_t meta = fat_sectors + difat_sectors;
  const std::size_t total = meta + dir_sectors + mini_fat_sectors + mini_sectors + data_sectors;
  std::vector<std::uint32_t> fat(fat_sectors * (ssz / 4), 0xFFFFFFFF);
  std::size_t next = 0;
  auto chain = [&](std::size_t count) {
    const auto first = static_cast<std::uint32_t>(next);
    for (std::size_t i = 0; i < count; ++i, ++next)
      fat[next] = i + 1 == count ? 0xFFFFFFFE : static_cast<std::uint32_t>(next + 1);
    return count ? first : 0xFFFFFFFE;
  };
  for (std::size_t i = 0; i < fat_sectors; ++i) fat[next++] = 0xFFFFFFFD;
  for (std::size_t i = 0; i < difat_sectors; ++i) fat[next++] = 0xFFFFFFFC;
  const std::uint32_t dir_start = chain(dir_sectors);
  const std::uint32_t mini_fat_start = chain(mini_fat_sectors);
  const std::uint32_t mini_start = chain(mini_sectors);
  std::string data;
  for (std::size_t i = 0; i < streams.size(); ++i) {
    if (streams[i].Data.size() < 4096) continue;
    starts[i] = chain(sectors_for(streams[i].Data.size()));
    data += streams[i].Data;
    data.resize(sectors_for(data.size()) * ssz, '\0');
  }

  std::string out(ssz * (total + 1), '\0');
  const char sig[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
  out.replace(0, 8, sig, 8);
  PutU16(out, 0x18, 0x3E);
  PutU16(out, 0x1A, shift == 12 ? 4 : 3);
  PutU16(out, 0x1C, 0xFFFE);
  PutU16(out, 0x1E, shift);
  PutU16(out, 0x20, 6);
  PutU32(out, 0x28, shift == 12 ? static_cast<std::uint32_t>(dir_sectors) : 0);
  PutU32(out, 0x2C, static_cast<std::uint32_t>(fat_sectors));
  PutU32(out, 0x30, dir_start);
  PutU32(out, 0x38, 4096);
  PutU32(out, 0x3C, mini_fat_start);
  PutU32(out, 0x40, static_cast<std::uint32_t>(mini_fat_sectors));
  PutU32(out, 0x44, difat_sectors ? static_cast<std::uint32_t>(fat_sectors) : 0xFFFFFFFE);
  PutU32(out, 0x48, static_cast<std::uint32_t>(difat_sectors));
  for (std::size_t i = 0; i < 109; ++i)
    PutU32(out, 0x4C + 4 * i, i < fat_sectors ? static_cast<std::uint32_t>(i) : 0xFFFFFFFF);
  auto sector_at = [ssz](std::size_t sector) { return (sector + 1) * ssz; };
  for (std::size_t i = 0; i < fat.size(); ++i) PutU32(out, sector_at(0) + 4 * i, fat[i]);
  for (std::size_t d = 0; d < difat_sectors; ++d) {
    const std::size_t at = sector_at(fat_sectors + d);
    for (std::size_t i = 0; i < ids_per_difat; ++i) {
      const std::size_t fat_id = 109 + d * ids_per_difat + i;
      PutU32(out, at + 4 * i, fat_id < fat_sectors ? static_cast<std::uint32_t>(fat_id) : 0xFFFFFFFF);
    }
    PutU32(out, at + 4 * ids_per_difat,
           d + 1 < difat_sectors ? static_cast<std::uint32_t>(fat_sectors + d + 1) : 0xFFFFFFFE);
  }
  auto entry = [&](std::size_t index, const std::u16string& name, int type, std::uint32_t right,
                   std::uint32_t child, std::uint32_t start, std::size_t size) {
    const std::size_t at = sector_at(dir_start) + index * 128;
    for (std::size_t c = 0; c < name.size(); ++c) PutU16(out, at + 2 * c, name[c]);
    PutU16(out, at + 64, static_cast<std::uint32_t>((name.size() + 1) * 2));
    out[at + 66] = static_cast<char>(type);
    out[at + 67] = 1;
    PutU32(out, at + 68, 0xFFFFFFFF);
    PutU32(out, at + 72, right);
    PutU32(out, at + 76, child);
    PutU32(out, at + 116, start);
    PutU32(out, at + 120, static_cast<std::uint32_t>(size));
  };
  for (std::size_t i = streams.size() + 1; i < dir_sectors * ssz / 128; ++i) {
    const std::size_t at = sector_at(dir_start) + i * 128;
    PutU32(out, at + 68, 0xFFFFFFFF);
    PutU32(out, at + 72, 0xFFFFFFFF);
    PutU32(out, at + 76, 0xFFFFFFFF);
  }
  entry(0, u"Root Entry", 5, 0xFFFFFFFF, streams.empty() ? 0xFFFFFFFF : 1, mini_start, mini.size());
  for (std::size_t i = 0; i < streams.size(); ++i)
    entry(i + 1, streams[i].Name, 2,
          i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : 0xFFFFFFFF, 0xFFFFFFFF,
          starts[i], streams[i].Data.size());
  for (std::size_t i = 0; i < mini_fat.size(); ++i)
    PutU32(out, sector_at(mini_fat_start) + 4 * i, mini_fat[i]);
  if (!mini.empty()) out.replace(sector_at(mini_start), mini.size(), mini);
  if (!data.empty()) out.replace(sector_at(meta + dir_sectors + mini_fat_sectors + mini_sectors), data.size(), data);
  return out;
}
