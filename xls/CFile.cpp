#include "xls/CFile.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/utf.h"

namespace {

constexpr std::size_t kNameBufferUnits = 260;
constexpr std::size_t kCopyChunk = 100000;

}  // namespace

// ---- TCFileStream ----

TCFileStream::TCFileStream(std::string AName, TByteSource& file, TCompoundStreamLayout layout)
    : TCFileItem(std::move(AName)), FFile(file), FStream(std::move(layout)) {}

std::int32_t TCFileStream::Read(void* Buffer, std::int32_t Count) {
  if (Count <= 0 || FPosition >= FStream.Size) return 0;
  const std::int64_t total = std::min<std::int64_t>(Count, FStream.Size - FPosition);
  auto* out = static_cast<std::uint8_t*>(Buffer);
  std::int64_t done = 0;
  const std::vector<std::uint64_t>& offsets = FStream.SectorOffsets;
  const std::int64_t sector_size = FStream.SectorSize;
  while (done < total) {
    std::size_t sector = static_cast<std::size_t>(FPosition / sector_size);
    const std::uint64_t from = offsets[sector] + FPosition % sector_size;
    std::int64_t piece = std::min<std::int64_t>(total - done, sector_size - FPosition % sector_size);
    // Sectors that follow one another in the file are read in one go.
    while (piece < total - done && sector + 1 < offsets.size() &&
           offsets[sector + 1] == offsets[sector] + sector_size) {
      ++sector;
      piece = std::min<std::int64_t>(total - done, piece + sector_size);
    }
    FFile.ReadAt(from, out + done, static_cast<std::size_t>(piece));
    done += piece;
    FPosition += piece;
  }
  return static_cast<std::int32_t>(done);
}

bool TCFileStream::ReadBytes(void* Buff, std::int32_t Size) {
  return Buff != nullptr && Read(Buff, Size) > 0;
}

bool TCFileStream::ReadWord(std::uint16_t& Value) {
  std::uint8_t b[2];
  if (Read(b, 2) != 2) return false;
  Value = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
  return true;
}

bool TCFileStream::ReadDWord(std::uint32_t& Value) {
  std::uint8_t b[4];
  if (Read(b, 4) != 4) return false;
  Value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
  return true;
}

std::int32_t TCFileStream::Seek(std::int32_t Offset, int Origin) {
  const std::int64_t base = Origin == 1 ? FPosition : Origin == 2 ? FStream.Size : 0;
  const std::int64_t target = base + Offset;
  if (target >= 0 && Origin >= 0 && Origin <= 2) FPosition = target;
  return static_cast<std::int32_t>(FPosition);
}

std::int32_t TCFileStream::Size() {
  const std::int32_t remembered = Position();
  const std::int32_t size = Seek(0, 2);
  Seek(remembered, 0);
  return size;
}

std::int32_t TCFileStream::Position() { return Seek(0, 1); }

void TCFileStream::SetPosition(std::int32_t Value) {
  if (Seek(Value, 0) != Value) throw ECFileError(ECFILE_STREAM_SETPOSITION);
}

// ---- TCFileStorage ----

TCFileItem* TCFileStorage::FindItem(std::string_view AName) const {
  const std::string wanted = CharUpperA(AName);
  for (const auto& item : FItems)
    if (CharUpperA(item->Name()) == wanted) return item.get();
  return nullptr;
}

void TCFileStorage::FillFromIStorage(TCompoundDocument& document, std::uint32_t id,
                                     TCFileErrorCode tree_failure) {
  FItems.clear();
  // Sub-storages are filled from a work list rather than by recursion, so that a deeply nested
  // (or damaged) directory cannot exhaust the stack.
  struct TPending {
    TCFileStorage* Storage;
    std::uint32_t Id;
    TCFileErrorCode Failure;
  };
  std::vector<TPending> pending{{this, id, tree_failure}};
  while (!pending.empty()) {
    const TPending work = pending.back();
    pending.pop_back();
    for (std::uint32_t child : document.Children(work.Id, work.Failure)) {
      const TCompoundDocument::TEntry& entry = document.Entry(child);
      std::string name = WideToMultiByte(entry.Name);
      if (entry.Type == TCompoundDocument::etStorage) {
        auto storage = std::make_unique<TCFileStorage>(std::move(name));
        pending.push_back({storage.get(), child, ECFILE_OPEN_STORAGE});
        work.Storage->FItems.push_back(std::move(storage));
      } else if (entry.Type == TCompoundDocument::etStream) {
        work.Storage->FItems.push_back(std::make_unique<TCFileStream>(
            std::move(name), document.Source(), document.StreamLayout(child)));
      }
    }
  }
}

// ---- TCFile ----

TCFile::TCFile(TCFileCreateMode ACreateMode, std::u16string AFileName)
    : FName(std::move(AFileName)) {
  if (ACreateMode != cfCreateFromFile) throw ECFileError(ECFILE_CREATE_DOCFILE);
  // The platform takes the path zero-terminated from a buffer of 260 units.
  const std::u16string path = FName.substr(0, FName.find(u'\0'));
  std::unique_ptr<TByteSource> source;
  if (!path.empty() && path.size() < kNameBufferUnits) source = OpenFileByteSource(Utf16ToUtf8(path));
  if (!source) throw ECFileError(ECFILE_OPEN_DOCFILE);
  Open(std::move(source));
}

std::unique_ptr<TCFile> TCFile::CreateFromStream(std::istream& AStream) {
  std::vector<std::uint8_t> bytes;
  AStream.clear();
  AStream.seekg(0);
  std::vector<char> chunk(kCopyChunk);
  while (AStream) {
    AStream.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const std::streamsize got = AStream.gcount();
    if (got <= 0) break;
    bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
  }
  std::unique_ptr<TCFile> file(new TCFile());
  file->Open(MemoryByteSource(std::move(bytes)));
  return file;
}

void TCFile::Open(std::unique_ptr<TByteSource> source) {
  FDocument = std::make_unique<TCompoundDocument>(std::move(source));
  FRoot = std::make_unique<TCFileStorage>("Root Entry");
  FRoot->FillFromIStorage(*FDocument, TCompoundDocument::kRootId, ECFILE_OPEN_DOCFILE);
}
