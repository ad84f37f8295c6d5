#include "xls/BiffStream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::int32_t kBoundSheet = 0x0085;

// Records whose data the RC4 encryption of [MS-XLS] never enciphers.
bool IsNeverEncrypted(std::int32_t id) {
  switch (id) {
    case 0x0809:  // BOF
    case 0x002F:  // FILEPASS
    case 0x0194:  // USREXCL
    case 0x0195:  // FILELOCK
    case 0x00E1:  // INTERFACEHDR
    case 0x0196:  // RRDINFO
    case 0x0138:  // RRDHEAD
      return true;
    default:
      return false;
  }
}

}  // namespace

TBIFFStream::TBIFFStream(TCFileStream* ACFileStream) : FCFileStream(ACFileStream) {}

void TBIFFStream::Reset() { FCFileStream->SetPosition(0); }

bool TBIFFStream::LoadBlock() {
  std::memset(FRawBlock, 0, sizeof FRawBlock);
  const std::int32_t got = FCFileStream->Read(FRawBlock, FBlockSize);
  if (got <= 0) return false;
  FBlockInProcess = true;
  FBlockFilled = got;
  ++FBlockNum;
  FOffsetInBlock = 0;
  if (FBIFF8Encryption) DecryptBlock();
  return true;
}

void TBIFFStream::DecryptBlock() {
  const TMD5Digest key = RC4BlockKey(FBIFF8Digest, static_cast<std::uint32_t>(FBlockNum));
  RC4Init(FBIFF8Key, reinterpret_cast<const std::uint8_t*>(&key), sizeof key);
  RC4Crypt(FBIFF8Key, FRawBlock, FCryptBlock, FBlockSize);
}

bool TBIFFStream::Take(std::uint8_t* out, std::int32_t count, bool deciphered) {
  const std::uint8_t* block = deciphered ? FCryptBlock : FRawBlock;
  std::int32_t taken = 0;
  while (taken < count) {
    // Bytes past the end of a short last block are padding, not data.
    const std::int32_t piece = std::min(count - taken, FBlockFilled - FOffsetInBlock);
    if (piece > 0) {
      std::memcpy(out + taken, block + FOffsetInBlock, piece);
      FOffsetInBlock += piece;
      taken += piece;
    }
    if (taken < count && (FBlockFilled < FBlockSize || !LoadBlock())) return false;
  }
  return true;
}

bool TBIFFStream::ReadBIFFRecord() {
  if (!FBlockInProcess || FOffsetInBlock == FBlockSize) {
    if (!LoadBlock()) return false;
  }
  std::uint8_t header[4];
  if (!Take(header, 2, false)) return false;
  const std::int32_t id = header[0] | (header[1] << 8);
  if (id == 0) return false;
  if (!Take(header + 2, 2, false)) return false;
  const std::int32_t size = header[2] | (header[3] << 8);
  FBIFFRecord.RecNum = id;
  FBIFFRecord.Size = size;
  TEasyStream& data = FBIFFRecord.DataStream();
  data.SetSize(size);
  data.SetPosition(0);
  if (size == 0) return true;
  // The encryption leaves some records, and the sheet position of BOUNDSHEET, as stored.
  std::int32_t plain = 0;
  if (!FBIFF8Encryption) plain = size;
  else if (IsNeverEncrypted(id)) plain = size;
  else if (id == kBoundSheet) plain = std::min<std::int32_t>(size, 4);
  return Take(data.Data(), plain, false) && Take(data.Data() + plain, size - plain, true);
}

void TBIFFStream::SetBIFF8Encryption(const TMD5Digest& Digest) {
  FBIFF8Digest = Digest;
  FBIFF8Encryption = true;
  if (FBlockInProcess) DecryptBlock();
}
