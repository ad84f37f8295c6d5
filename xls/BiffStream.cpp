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

TBIFFStream::TBIFFStream(TCFileStream* ACFileStream)
    : FCFileStream(ACFileStream), FRaw(kBufferSize) {}

void TBIFFStream::Reset() {
  FCFileStream->SetPosition(0);
  FFirstBlock = -kBufferBlocks;
  FFilled = FOffset = kBufferSize;
}

bool TBIFFStream::LoadBuffer() {
  const std::int32_t got = FCFileStream->Read(FRaw.data(), kBufferSize);
  if (got <= 0) return false;
  FFirstBlock += kBufferBlocks;
  FFilled = got;
  FOffset = 0;
  if (FBIFF8Encryption) DecryptBuffer();
  return true;
}

void TBIFFStream::DecryptBuffer() {
  TRC4Key state;
  for (std::int32_t at = 0, block = FFirstBlock; at < FFilled; at += kBlockSize, ++block) {
    const TMD5Digest key = RC4BlockKey(FBIFF8Digest, static_cast<std::uint32_t>(block));
    RC4Init(state, reinterpret_cast<const std::uint8_t*>(&key), sizeof key);
    RC4Crypt(state, FRaw.data() + at, FCrypt.data() + at, std::min(kBlockSize, FFilled - at));
  }
}

bool TBIFFStream::Take(std::uint8_t* out, std::int32_t count, bool deciphered) {
  std::int32_t taken = 0;
  while (taken < count) {
    // Bytes past the end of a short last part are not data.
    const std::int32_t piece = std::min(count - taken, FFilled - FOffset);
    if (piece > 0) {
      std::memcpy(out + taken, (deciphered ? FCrypt : FRaw).data() + FOffset, piece);
      FOffset += piece;
      taken += piece;
    }
    if (taken < count && (FFilled < kBufferSize || !LoadBuffer())) return false;
  }
  return true;
}

bool TBIFFStream::ReadCopiedRecord() {
  std::uint8_t header[4];
  if (!Take(header, 2, false)) return false;
  const std::int32_t id = header[0] | (header[1] << 8);
  if (id == 0) return false;
  if (!Take(header + 2, 2, false)) return false;
  const std::int32_t size = header[2] | (header[3] << 8);
  FBIFFRecord.RecNum = id;
  FBIFFRecord.Size = size;
  TEasyStream& data = FBIFFRecord.DataStream();
  data.SetSize(0);  // drops a view without copying it
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
  FCrypt.resize(kBufferSize);
  if (FFirstBlock >= 0) DecryptBuffer();
}
