#include "xls/CompoundDocument.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint64_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kHeaderFatEntries = 109;
constexpr std::uint32_t kEntrySize = 128;
constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

[[noreturn]] void Fail(TCFileErrorCode code) { throw ECFileError(code); }

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t unit) { return (value + unit - 1) / unit; }

std::uint32_t U16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

TCompoundDocument::TCompoundDocument(std::unique_ptr<TByteSource> source)
    : FSource(std::move(source)), FFileSize(FSource->Size()) {
  // A file that shrinks while the structure is read fails like a damaged one.
  try {
    ReadHeaderAndTables();
    ReadDirectory();
    ReadMiniStream();
  } catch (const ECFileError&) {
    Fail(ECFILE_OPEN_DOCFILE);
  }
}

void TCompoundDocument::LoadSector(std::uint32_t sector) {
  FSector.resize(FSectorSize);
  FSource->ReadAt(SectorOffset(sector), FSector.data(), FSectorSize);
}

std::uint64_t TCompoundDocument::SectorOffset(std::uint32_t sector) const {
  return (static_cast<std::uint64_t>(sector) + 1) << FSectorShift;
}

void TCompoundDocument::ReadHeaderAndTables() {
  if (FFileSize < 512) Fail(ECFILE_OPEN_DOCFILE);
  std::uint8_t header[512];
  FSource->ReadAt(0, header, sizeof header);
  if (!std::equal(kSignature, kSignature + 8, header)) Fail(ECFILE_OPEN_DOCFILE);
  const std::uint32_t major_version = U16(header + 0x1A);
  FSectorShift = U16(header + 0x1E);
  if (U16(header + 0x1C) != 0xFFFE || (FSectorShift != 9 && FSectorShift != 12) ||
      U16(header + 0x20) != 6)
    Fail(ECFILE_OPEN_DOCFILE);
  FVersion4 = major_version == 4;
  FSectorSize = 1u << FSectorShift;
  const std::uint64_t file_size = FFileSize;
  FFileSectors = file_size > FSectorSize
                     ? static_cast<std::uint32_t>(std::min<std::uint64_t>(
                           CeilDiv(file_size - FSectorSize, FSectorSize), kMaxRegularSector))
                     : 0;
  FClaimed.assign(FFileSectors, false);

  const std::uint32_t fat_sectors = U32(header + 0x2C);
  FFirstDirSector = U32(header + 0x30);
  FFirstMiniFatSector = U32(header + 0x3C);
  std::uint32_t difat_sector = U32(header + 0x44);
  if (fat_sectors == 0 || fat_sectors > FFileSectors) Fail(ECFILE_OPEN_DOCFILE);

  // A sector holding a table must lie wholly in the file and belong to nothing else; it is
  // loaded into FSector.
  auto claim_table_sector = [this, file_size](std::uint32_t sector) {
    if (sector >= FFileSectors || FClaimed[sector] ||
        SectorOffset(sector) + FSectorSize > file_size)
      Fail(ECFILE_OPEN_DOCFILE);
    FClaimed[sector] = true;
    LoadSector(sector);
  };

  std::vector<std::uint32_t> fat_sector_ids;
  fat_sector_ids.reserve(fat_sectors);
  for (std::uint32_t i = 0; i < kHeaderFatEntries && fat_sector_ids.size() < fat_sectors; ++i)
    fat_sector_ids.push_back(U32(header + 0x4C + 4 * i));
  const std::uint32_t ids_per_difat = FSectorSize / 4 - 1;
  while (fat_sector_ids.size() < fat_sectors) {
    claim_table_sector(difat_sector);
    for (std::uint32_t i = 0; i < ids_per_difat && fat_sector_ids.size() < fat_sectors; ++i)
      fat_sector_ids.push_back(U32(&FSector[4 * i]));
    difat_sector = U32(&FSector[4 * ids_per_difat]);
  }

  const std::uint32_t entries_per_sector = FSectorSize / 4;
  FFat.reserve(static_cast<std::size_t>(fat_sectors) * entries_per_sector);
  for (std::uint32_t sector : fat_sector_ids) {
    claim_table_sector(sector);
    for (std::uint32_t i = 0; i < entries_per_sector; ++i) FFat.push_back(U32(&FSector[4 * i]));
  }
}

std::vector<std::uint32_t> TCompoundDocument::FollowChain(std::uint32_t start,
                                                          std::uint64_t limit, bool must_fill,
                                                          TCFileErrorCode failure) {
  std::vector<std::uint32_t> chain;
  std::uint32_t sector = start;
  while (chain.size() < limit) {
    if (sector == kEndOfChain && !must_fill) break;
    if (sector >= FFileSectors || sector >= FFat.size() || FClaimed[sector]) Fail(failure);
    FClaimed[sector] = true;
    chain.push_back(sector);
    sector = FFat[sector];
  }
  // A stream's chain may run on past its size; the rest must still belong to it alone, so that
  // two chains merging into one (a sector used twice) are refused.
  if (must_fill) {
    while (sector <= kMaxRegularSector && sector < FFileSectors && sector < FFat.size()) {
      if (FClaimed[sector]) Fail(failure);
      FClaimed[sector] = true;
      sector = FFat[sector];
    }
  }
  return chain;
}

void TCompoundDocument::ReadDirectory() {
  const std::vector<std::uint32_t> chain =
      FollowChain(FFirstDirSector, FFileSectors, false, ECFILE_OPEN_DOCFILE);
  if (chain.empty()) Fail(ECFILE_OPEN_DOCFILE);
  const std::uint32_t per_sector = FSectorSize / kEntrySize;
  FEntries.reserve(chain.size() * per_sector);
  for (std::uint32_t sector : chain) {
    if (SectorOffset(sector) + FSectorSize > FFileSize) Fail(ECFILE_OPEN_DOCFILE);
    LoadSector(sector);
    for (std::uint32_t i = 0; i < per_sector; ++i) {
      const std::uint8_t* at = &FSector[i * kEntrySize];
      TEntry entry;
      const std::uint32_t name_units = std::min<std::uint32_t>(U16(at + 64) / 2, 32);
      for (std::uint32_t c = 0; c < name_units; ++c) {
        const char16_t unit = static_cast<char16_t>(U16(at + 2 * c));
        if (unit == 0) break;
        entry.Name += unit;
      }
      entry.Type = at[66];
      entry.Left = U32(at + 68);
      entry.Right = U32(at + 72);
      entry.Child = U32(at + 76);
      entry.Start = U32(at + 116);
      entry.Size = U32(at + 120);
      if (FVersion4) entry.Size |= static_cast<std::uint64_t>(U32(at + 124)) << 32;
      FEntries.push_back(std::move(entry));
    }
  }
  if (FEntries[kRootId].Type != etRoot) Fail(ECFILE_OPEN_DOCFILE);
  FPlaced.assign(FEntries.size(), false);
  FPlaced[kRootId] = true;
}

void TCompoundDocument::ReadMiniStream() {
  const TEntry& root = FEntries[kRootId];
  FMiniStreamSize = root.Size;
  if (FMiniStreamSize > FFileSize) Fail(ECFILE_OPEN_DOCFILE);
  if (FMiniStreamSize == 0) return;
  const std::vector<std::uint32_t> chain =
      FollowChain(root.Start, CeilDiv(FMiniStreamSize, FSectorSize), true, ECFILE_OPEN_DOCFILE);
  for (std::size_t i = 0; i < chain.size(); ++i) {
    const std::uint64_t need = std::min<std::uint64_t>(FSectorSize, FMiniStreamSize - i * FSectorSize);
    if (SectorOffset(chain[i]) + need > FFileSize) Fail(ECFILE_OPEN_DOCFILE);
    FMiniStream.push_back(SectorOffset(chain[i]));
  }
  FMiniClaimed.assign(CeilDiv(FMiniStreamSize, kMiniSectorSize), false);
  for (std::uint32_t sector :
       FollowChain(FFirstMiniFatSector, FFileSectors, false, ECFILE_OPEN_DOCFILE)) {
    if (SectorOffset(sector) + FSectorSize > FFileSize) Fail(ECFILE_OPEN_DOCFILE);
    LoadSector(sector);
    for (std::uint32_t i = 0; i < FSectorSize / 4; ++i) FMiniFat.push_back(U32(&FSector[4 * i]));
  }
}

std::vector<std::uint32_t> TCompoundDocument::Children(std::uint32_t id, TCFileErrorCode failure) {
  std::vector<std::uint32_t> children;
  std::vector<std::uint32_t> pending;  // entries whose left subtree is being walked
  std::uint32_t current = FEntries.at(id).Child;
  while (current != kNoStream || !pending.empty()) {
    while (current != kNoStream) {
      if (current >= FEntries.size() || FPlaced[current]) Fail(failure);
      FPlaced[current] = true;
      pending.push_back(current);
      current = FEntries[current].Left;
    }
    current = pending.back();
    pending.pop_back();
    children.push_back(current);
    current = FEntries[current].Right;
  }
  return children;
}

TCompoundStreamLayout TCompoundDocument::StreamLayout(std::uint32_t id) {
  const TEntry& entry = FEntries.at(id);
  if (entry.Type != etStream || entry.Size > FFileSize ||
      entry.Size > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
    Fail(ECFILE_OPEN_STREAM);
  TCompoundStreamLayout layout;
  layout.Size = static_cast<std::uint32_t>(entry.Size);
  if (layout.Size == 0) return layout;
  auto bytes_of_sector = [&layout](std::size_t index) {
    return std::min<std::uint64_t>(layout.SectorSize, layout.Size - index * layout.SectorSize);
  };
  if (entry.Size < kMiniStreamCutoff) {
    layout.SectorSize = kMiniSectorSize;
    const std::uint64_t count = CeilDiv(layout.Size, kMiniSectorSize);
    std::uint32_t sector = entry.Start;
    for (std::uint64_t i = 0; i < count; ++i) {
      if (sector >= FMiniFat.size() || sector >= FMiniClaimed.size() || FMiniClaimed[sector] ||
          static_cast<std::uint64_t>(sector) * kMiniSectorSize + bytes_of_sector(i) > FMiniStreamSize)
        Fail(ECFILE_OPEN_STREAM);
      FMiniClaimed[sector] = true;
      const std::uint64_t in_mini = static_cast<std::uint64_t>(sector) * kMiniSectorSize;
      layout.SectorOffsets.push_back(FMiniStream[in_mini / FSectorSize] + in_mini % FSectorSize);
      sector = FMiniFat[sector];
    }
    return layout;
  }
  layout.SectorSize = FSectorSize;
  const std::vector<std::uint32_t> chain =
      FollowChain(entry.Start, CeilDiv(layout.Size, FSectorSize), true, ECFILE_OPEN_STREAM);
  for (std::size_t i = 0; i < chain.size(); ++i) {
    if (SectorOffset(chain[i]) + bytes_of_sector(i) > FFileSize) Fail(ECFILE_OPEN_STREAM);
    layout.SectorOffsets.push_back(SectorOffset(chain[i]));
  }
  return layout;
}
