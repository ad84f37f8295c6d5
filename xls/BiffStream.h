#pragma once
// The record layer of a BIFF8 workbook stream: TBIFFStream reads the stream 64 KiB at a time and
// hands out one record at a time in a reused TBIFFRecord, deciphering record data with the
// per-block RC4 of protected workbooks once that is switched on. A record lying wholly in the
// buffer is shown in place; one that crosses the buffer's end, or is read while decryption is
// on, is copied.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/md5.h"
#include "xls/CFile.h"
#include "xls/RC4.h"
#include "xls/Streams.h"

// The current record; its data is valid only until the next record is read.
class TBIFFRecord {
 public:
  TEasyStream& DataStream() { return FDataStream; }

  std::int32_t RecNum = 0;  // record id
  std::int32_t Size = 0;    // data length

 private:
  TEasyStream FDataStream;  // exactly the record's data, position 0 after reading
};

class TBIFFStream {
 public:
  static constexpr int kBlockSize = 1024;          // bytes per RC4 block
  static constexpr int kBufferBlocks = 64;         // blocks read at once
  static constexpr int kBufferSize = kBlockSize * kBufferBlocks;

  // Reads `ACFileStream` (not owned; it must outlive this object).
  explicit TBIFFStream(TCFileStream* ACFileStream);

  // Back to the start of the stream; called once before the first record.
  void Reset();
  // Reads the next record into BIFFRecord(). False at the end: no further data, a zero record
  // id (the padding of the last block), or a stream that ends inside a record header or its
  // data (the record cut short is not delivered).
  bool ReadBIFFRecord() {
    // The common case, kept inline: a plain record lying wholly in the buffer.
    if (!FBIFF8Encryption && FOffset + 4 <= FFilled) {
      std::uint8_t* header = FRaw.data() + FOffset;
      const std::int32_t id = header[0] | (header[1] << 8);
      const std::int32_t size = header[2] | (header[3] << 8);
      if (id != 0 && size <= FFilled - FOffset - 4) {
        FOffset += 4 + size;
        FBIFFRecord.RecNum = id;
        FBIFFRecord.Size = size;
        FBIFFRecord.DataStream().View(header + 4, size);
        return true;
      }
    }
    return ReadCopiedRecord();
  }
  TBIFFRecord& BIFFRecord() { return FBIFFRecord; }
  // Switches decryption on with the key material of the password check; the rest of the buffer
  // loaded now, and everything read later, is read deciphered. Record headers stay plain, and
  // so does what the encryption never enciphers: the data of BOF, FILEPASS, USREXCL, FILELOCK,
  // INTERFACEHDR, RRDINFO and RRDHEAD, and the sheet position of BOUNDSHEET.
  void SetBIFF8Encryption(const TMD5Digest& Digest);

  // Progress: the stream's size, and the end of the block of 1024 bytes that holds the last
  // byte taken (or the stream's end), as when the stream is read one block at a time; the
  // read-ahead does not show.
  std::int32_t Size() { return FCFileStream->Size(); }
  std::int32_t Position() {
    const std::int64_t taken = std::int64_t{FFirstBlock} * kBlockSize + FOffset;
    if (taken <= 0) return 0;
    const std::int64_t block_end = (taken + kBlockSize - 1) / kBlockSize * kBlockSize;
    return static_cast<std::int32_t>(std::min<std::int64_t>(block_end, Size()));
  }

 private:
  // Loads the next part of the stream into the buffer; false when nothing is left.
  bool LoadBuffer();
  // Deciphers the loaded part of the buffer, block by block, into FCrypt.
  void DecryptBuffer();
  // Takes `count` bytes at the read offset, loading further parts as needed; false when the
  // stream ends first.
  bool Take(std::uint8_t* out, std::int32_t count, bool deciphered);
  // The record whose header starts at the read offset, copied piece by piece (deciphered
  // where it is enciphered).
  bool ReadCopiedRecord();

  TCFileStream* FCFileStream;           // the stream read
  TBIFFRecord FBIFFRecord;              // the current record
  bool FBIFF8Encryption = false;        // decryption on
  TMD5Digest FBIFF8Digest{};            // key material of the password check
  std::vector<std::uint8_t> FRaw;       // the loaded part of the stream, as stored
  std::vector<std::uint8_t> FCrypt;     // the same deciphered (while decryption is on)
  // Before the first load the buffer counts as a full one read to its end.
  std::int32_t FFirstBlock = -kBufferBlocks;  // block number of the buffer's start
  std::int32_t FFilled = kBufferSize;         // bytes of the buffer the stream filled
  std::int32_t FOffset = kBufferSize;         // read offset in the buffer
};
