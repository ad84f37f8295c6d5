#pragma once
// TCompoundDocument: a read-only decoder of the compound document container ([MS-CFB]): header,
// sector allocation table (with its extension sectors), directory, mini stream and mini
// allocation table, with 512- and 4096-byte sectors. The structure is read into memory at
// construction; stream data stays in the byte source and is read from there on demand.
//
// Damaged input never reads outside the source's bytes, never loops and allocates at most a
// small multiple of their size: every sector id is checked against the file, every chain may
// claim a sector only once in the whole document (so loops and shared sectors are refused), and
// every size is checked against what the file can hold.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/ByteSource.h"
#include "xls/CFileError.h"

// Where a stream's bytes lie: the file offset of each of its sectors, all of one size.
struct TCompoundStreamLayout {
  std::vector<std::uint64_t> SectorOffsets;  // file offset of each sector, in stream order
  std::uint32_t SectorSize = 0;              // bytes per sector (64 for mini streams)
  std::uint32_t Size = 0;                    // stream length in bytes
};

class TCompoundDocument {
 public:
  enum TEntryType : std::uint8_t { etEmpty = 0, etStorage = 1, etStream = 2, etRoot = 5 };

  // One directory entry.
  struct TEntry {
    std::u16string Name;        // element name
    std::uint8_t Type = 0;      // TEntryType value as stored
    std::uint32_t Left = 0;     // sibling tree: smaller names
    std::uint32_t Right = 0;    // sibling tree: larger names
    std::uint32_t Child = 0;    // root of the children's tree (storages)
    std::uint32_t Start = 0;    // first sector of the data
    std::uint64_t Size = 0;     // data length in bytes
  };

  static constexpr std::uint32_t kRootId = 0;

  // Decodes the container's structure from `source`, which it keeps. Raises ECFileError
  // ECFILE_OPEN_DOCFILE when the bytes are no compound document or its header, allocation
  // tables, directory or mini stream are unusable.
  explicit TCompoundDocument(std::unique_ptr<TByteSource> source);

  TByteSource& Source() { return *FSource; }
  const TEntry& Entry(std::uint32_t id) const { return FEntries.at(id); }

  // The direct children of storage `id`, in the order of the directory's sibling tree. Each
  // entry belongs to one place in the tree only; a tree that points outside the directory or
  // reaches an entry twice raises ECFileError with `failure`.
  std::vector<std::uint32_t> Children(std::uint32_t id, TCFileErrorCode failure);

  // The sectors of stream `id`. Raises ECFileError ECFILE_OPEN_STREAM when its chain is broken,
  // shorter than its size, uses a sector already in use, or its size exceeds what the file holds.
  TCompoundStreamLayout StreamLayout(std::uint32_t id);

 private:
  // Follows a chain of the allocation table from `start`, claiming each sector, for `limit`
  // sectors; `must_fill` chains must reach that many (and their tail is claimed too), others
  // may end earlier at the end-of-chain mark. Raises ECFileError with `failure` on any fault.
  std::vector<std::uint32_t> FollowChain(std::uint32_t start, std::uint64_t limit,
                                         bool must_fill, TCFileErrorCode failure);
  void ReadHeaderAndTables();
  void ReadDirectory();
  void ReadMiniStream();
  std::uint64_t SectorOffset(std::uint32_t sector) const;
  // Reads sector `sector`, which must lie wholly in the file, into FSector.
  void LoadSector(std::uint32_t sector);

  std::unique_ptr<TByteSource> FSource;       // the document's bytes
  std::uint64_t FFileSize = 0;                // bytes of the file
  std::vector<std::uint8_t> FSector;          // the structure sector read last
  std::uint32_t FSectorShift = 9;             // log2 of the sector size
  std::uint32_t FSectorSize = 512;            // bytes per sector
  std::uint32_t FFileSectors = 0;             // sectors that start inside the file
  std::vector<std::uint32_t> FFat;            // the sector allocation table
  std::vector<bool> FClaimed;                 // sectors already given to a chain
  std::vector<TEntry> FEntries;               // the directory
  std::vector<bool> FPlaced;                  // entries already met in a sibling tree
  std::vector<std::uint32_t> FMiniFat;        // the mini allocation table
  std::vector<std::uint64_t> FMiniStream;     // file offsets of the mini stream's sectors
  std::uint64_t FMiniStreamSize = 0;          // bytes of the mini stream
  std::vector<bool> FMiniClaimed;             // mini sectors already given to a stream
  std::uint32_t FFirstDirSector = 0;          // header fields kept for the later steps
  std::uint32_t FFirstMiniFatSector = 0;
  bool FVersion4 = false;                     // 64-bit stream sizes are valid
};
