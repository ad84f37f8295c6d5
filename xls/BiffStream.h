#pragma once
// The record layer of a BIFF8 workbook stream: TBIFFStream reads the stream 1024 bytes at a
// time and hands out one record at a time in a reused TBIFFRecord, deciphering record data with
// the per-block RC4 of protected workbooks once that is switched on.

#include <cstdint>

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
  static constexpr int kBlockSize = 1024;

  // Reads `ACFileStream` (not owned; it must outlive this object).
  explicit TBIFFStream(TCFileStream* ACFileStream);

  // Back to the start of the stream; called once before the first record.
  void Reset();
  // Reads the next record into BIFFRecord(). False at the end: no further block, a zero record
  // id (the padding of the last block), or a stream that ends inside a record header or its
  // data (the record cut short is not delivered).
  bool ReadBIFFRecord();
  TBIFFRecord& BIFFRecord() { return FBIFFRecord; }
  // Switches decryption on with the key material of the password check; the rest of the block
  // loaded now, and every later block, is read deciphered. Record headers stay plain, and so
  // does what the encryption never enciphers: the data of BOF, FILEPASS, USREXCL, FILELOCK,
  // INTERFACEHDR, RRDINFO and RRDHEAD, and the sheet position of BOUNDSHEET.
  void SetBIFF8Encryption(const TMD5Digest& Digest);

  // Progress: the stream's size, and the end of the last block loaded.
  std::int32_t Size() { return FCFileStream->Size(); }
  std::int32_t Position() { return FCFileStream->Position(); }

 private:
  bool LoadBlock();
  void DecryptBlock();
  // Takes `count` bytes at the read offset, loading blocks as needed.
  bool Take(std::uint8_t* out, std::int32_t count, bool deciphered);

  TCFileStream* FCFileStream;                // the stream read
  TBIFFRecord FBIFFRecord;                   // the current record
  bool FBIFF8Encryption = false;             // decryption on
  TMD5Digest FBIFF8Digest{};                 // key material of the password check
  TRC4Key FBIFF8Key{};                       // RC4 state of the loaded block
  bool FBlockInProcess = false;              // a block is loaded
  std::int32_t FBlockSize = kBlockSize;      // bytes per block
  std::uint8_t FRawBlock[kBlockSize] = {};   // the block as stored
  std::uint8_t FCryptBlock[kBlockSize] = {}; // the block deciphered
  std::int32_t FBlockNum = -1;               // number of the loaded block
  std::int32_t FOffsetInBlock = 0;           // read offset in the loaded block
  std::int32_t FBlockFilled = 0;             // bytes of the loaded block the stream held
};
