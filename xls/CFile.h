#pragma once
// The object tree of a compound document: TCFile opens a file (or a copy of a byte stream),
// decodes its container and opens every storage and stream at once, so that a reader can look
// streams up by name and read them. A file stays open and its stream data is read from it on
// demand. Read-only: documents are never written here.

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/CFileError.h"
#include "xls/CompoundDocument.h"

// A named element of the tree; the name is the element's name in the system code page.
class TCFileItem {
 public:
  explicit TCFileItem(std::string AName) : FName(std::move(AName)) {}
  virtual ~TCFileItem() = default;
  TCFileItem(const TCFileItem&) = delete;
  TCFileItem& operator=(const TCFileItem&) = delete;

  const std::string& Name() const { return FName; }

 protected:
  std::string FName;  // element name, 8-bit text
};

// An open stream: reads its bytes sequentially from any position. A read past the end is no
// error; it returns fewer bytes (0 at the end). Bytes the file no longer holds (it shrank after
// opening) raise ECFileError ECFILE_OPEN_STREAM.
class TCFileStream : public TCFileItem {
 public:
  // `file` holds the document's bytes and must outlive the stream.
  TCFileStream(std::string AName, TByteSource& file, TCompoundStreamLayout layout);

  // Copies up to `Count` bytes from the position on and advances; returns how many were copied.
  // Adjacent sectors are read at once.
  std::int32_t Read(void* Buffer, std::int32_t Count);
  // True when `Buff` is present and at least one byte was read.
  bool ReadBytes(void* Buff, std::int32_t Size);
  // True only when all 2 (4) bytes were read; little-endian.
  bool ReadWord(std::uint16_t& Value);
  bool ReadDWord(std::uint32_t& Value);
  // Origin 0 from the start, 1 from the position, 2 from the end; returns the new position. A
  // target before the start is refused and leaves the position where it was.
  std::int32_t Seek(std::int32_t Offset, int Origin);
  // Stream length; leaves the position unchanged.
  std::int32_t Size();
  std::int32_t Position();
  // Seeks from the start; raises ECFileError ECFILE_STREAM_SETPOSITION when it lands elsewhere.
  void SetPosition(std::int32_t Value);

 private:
  TByteSource& FFile;                      // the document's bytes
  TCompoundStreamLayout FStream;           // where the stream's bytes lie
  std::int64_t FPosition = 0;              // read position
};

// A storage with its children, in the order the directory lists them.
class TCFileStorage : public TCFileItem {
 public:
  explicit TCFileStorage(std::string AName) : TCFileItem(std::move(AName)) {}

  int Count() const { return static_cast<int>(FItems.size()); }
  TCFileItem* Item(int Index) const { return FItems.at(Index).get(); }
  // The first direct child whose name equals `AName` ignoring letter case (code-page capitals),
  // or nullptr. Children of sub-storages are not searched.
  TCFileItem* FindItem(std::string_view AName) const;
  // Replaces the children by those of directory entry `id` of `document`, opening every stream
  // and every sub-storage below it. Raises ECFileError: ECFILE_OPEN_STREAM for a stream that
  // cannot be opened, ECFILE_OPEN_STORAGE for a sub-storage whose tree is broken, and
  // `tree_failure` when this storage's own tree is.
  void FillFromIStorage(TCompoundDocument& document, std::uint32_t id,
                        TCFileErrorCode tree_failure);

 private:
  std::vector<std::unique_ptr<TCFileItem>> FItems;  // owned children
};

enum TCFileCreateMode { cfCreateNew = 0, cfCreateFromFile = 1, cfCreateNewInMemory = 2 };

// One compound document, opened whole at construction and read on one thread.
class TCFile {
 public:
  // Only cfCreateFromFile is supported: the file is opened, its structure decoded and its tree
  // opened; it stays open until the object is destroyed. The creating modes raise ECFileError ECFILE_CREATE_DOCFILE (documents are not written here).
  // A missing or unreadable file, a path of 260 UTF-16 units or more, or bytes that are no
  // usable compound document raise ECFILE_OPEN_DOCFILE; damaged elements raise the codes of
  // TCFileStorage::FillFromIStorage.
  TCFile(TCFileCreateMode ACreateMode, std::u16string AFileName);
  // Copies `AStream` from its start in chunks of 100000 bytes and opens the copy like a file.
  static std::unique_ptr<TCFile> CreateFromStream(std::istream& AStream);

  TCFileStorage& Root() { return *FRoot; }
  const std::u16string& Name() const { return FName; }

 private:
  TCFile() = default;
  void Open(std::unique_ptr<TByteSource> source);

  std::u16string FName;                           // path given to the constructor
  std::unique_ptr<TCompoundDocument> FDocument;  // the decoded container; outlives the tree
  std::unique_ptr<TCFileStorage> FRoot;           // "Root Entry" and everything below it
};
