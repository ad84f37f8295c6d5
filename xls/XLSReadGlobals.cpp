// The handlers of the workbook globals: substream counting, protection, the sheet list, shared
// strings, fonts, number formats, XFs, the palette and the link table; and the drawing records
// whose data the drawing collector takes.

#include <cstring>

#include "platform/exception.h"
#include "xls/BiffStrings.h"
#include "xls/XLSFilePass.h"
#include "xls/XLSFormatStr.h"
#include "xls/XLSLinkTable.h"
#include "xls/XLSReader.h"
#include "xls/XLSRecordData.h"

void TXLSReader::ReadBOF() {
  ++FBOFEOFCounter;
  AfterBOFEOF();
}

void TXLSReader::ReadEOF() {
  --FBOFEOFCounter;
  AfterBOFEOF();
}

void TXLSReader::AfterBOFEOF() {
  // A substream ends at depth 0: first the globals, then one sheet after the other; the BOF
  // and EOF of an embedded chart nest inside and move nothing.
  if (FBOFEOFCounter != 0) return;
  if (!FGlobalSubstreamRead) FGlobalSubstreamRead = true;
  else ++FCurrentSheetIndex;
}

void TXLSReader::ReadFilePass() {
  TRC4FilePass pass;
  switch (ReadRC4FilePass(Data(), pass)) {
    case kOtherEncryption:
      throw Exception("Error: data is protected, and this encryption type not supported.");
    case kStrongEncryption: throw Exception("Error: strong encryption not supported.");
    case kRC4FilePass: break;
  }
  if (FPassword.size() > 15) throw Exception("File protection password must have 0-15 characters.");
  TMD5Digest digest;
  if (!VerifyRC4FilePass(pass, FPassword, digest))
    throw Exception("Error: file is protected, and password is invalid!");
  FWorkbookStream->SetBIFF8Encryption(digest);
}

void TXLSReader::ReadBoundSheet() {
  TEasyStream& data = Data();
  data.SkipBytes(4);  // stream position of the sheet's BOF
  const std::uint8_t visibility = RecordByte(data);
  data.SkipBytes(1);  // sheet type: every kind makes a sheet
  const std::uint8_t count = RecordByte(data);
  const std::u16string name = RecordFlaggedText(data, count);
  TSheet* sheet = FWorkbook->Sheets().Add(name);
  FLinkTable->AddLocalSheetName(name);
  if (visibility & 1) sheet->SetVisible(false);
}

namespace {

// Takes the shared string at the position when it lies wholly in the record's data, with its
// rich-text runs and phonetic data (which are dropped); false, with nothing read, otherwise.
bool TakeWholeString(TEasyStream& data, TSharedStrings& strings) {
  const std::int64_t left = data.ReadableSize();
  if (left < 3) return false;
  const std::uint8_t* at = data.Data() + data.Position();
  const std::uint32_t count = at[0] | (at[1] << 8);
  const std::uint8_t options = at[2];
  std::int64_t header = 3;
  std::int64_t skipped = 0;
  if (options & 0x08) {
    if (left < header + 2) return false;
    skipped += 4 * std::int64_t{static_cast<std::uint32_t>(at[header] | (at[header + 1] << 8))};
    header += 2;
  }
  if (options & 0x04) {
    if (left < header + 4) return false;
    std::uint32_t phonetic;
    std::memcpy(&phonetic, at + header, 4);
    skipped += phonetic;
    header += 4;
  }
  const std::int64_t chars = options & 1 ? 2 * std::int64_t{count} : count;
  if (header + chars + skipped > left) return false;
  DecodeChars(strings.Append(count), at + header, count, (options & 1) != 0);
  data.SkipBytes(header + chars + skipped);
  return true;
}

}  // namespace

void TXLSReader::ReadSST() {
  Data().SkipBytes(8);  // the counts: strings are read while there is data
  while (!FLookAheadStopped && (Data().ReadableSize() >= 2 || LookAheadContinue())) {
    if (TakeWholeString(Data(), FSST)) continue;
    // A string that goes on in CONTINUE records.
    const std::uint16_t count = RecordWord(Data());
    if (Data().ReadableSize() <= 0 && !LookAheadContinue()) break;
    const std::uint8_t options = RecordByte(Data());
    const std::uint16_t runs = options & 0x08 ? RecordWord(Data()) : 0;
    const std::uint32_t phonetic = options & 0x04 ? RecordDWord(Data()) : 0;
    std::u16string text;
    ReadContinuedChars(count, (options & 1) != 0, text);
    FSST.Add(text);
    // Rich-text runs and phonetic data are dropped.
    if (runs != 0) SkipContinued(std::int64_t{runs} * 4);
    if (phonetic != 0) SkipContinued(phonetic);
  }
}

void TXLSReader::ReadFont() {
  TVirtualFontTable& fonts = FWorkbook->FontTable();
  if (!FFontRecordsExist) {
    fonts.Clear();
    FFontRecordsExist = true;
  }
  DecodeFontRecord(Data(), fonts.ClearBuffer());
  fonts.SaveChangedBufferWithDuplicates();
}

void TXLSReader::ReadFormat() {
  TEasyStream& data = Data();
  const std::uint16_t number = RecordWord(data);
  const std::uint16_t count = RecordWord(data);
  FWorkbook->FormatStrings()->AddFormatAndIfmt(RecordFlaggedText(data, count), number);
  FBaseValueTypes.clear();
}

void TXLSReader::ReadXF() {
  TVirtualXFTable& xfs = XFTable();
  if (!FXFRecordsExist) {
    xfs.Clear();
    FXFRecordsExist = true;
  }
  TXFData& xf = xfs.ClearBuffer();
  DecodeXFRecord(Data(), xf);  // also lowers font numbers above 3
  // The format number becomes its position in the number-format table (0 when absent).
  const int position = FWorkbook->FormatStrings()->IndexOfIfmt(xf.FormatIndex);
  xf.FormatIndex = static_cast<std::uint16_t>(position < 0 ? 0 : position);
  xfs.SaveChangedBufferWithDuplicates();
  FBaseValueTypes.clear();
}

void TXLSReader::ReadPalette() {
  TEasyStream& data = Data();
  const std::uint16_t count = RecordWord(data);
  for (int k = 1; k <= count && k <= kPaletteSize; ++k)
    SetPaletteColor(static_cast<TXLColorIndex>(k), RecordDWord(data));
}

void TXLSReader::ReadPassword() {
  const std::uint16_t hash = RecordWord(Data());
  if (!FGlobalSubstreamRead) FWorkbook->SetProtectPasswordHash(hash);
  else CurrentSheet()->SetProtectPasswordHash(hash);
}

void TXLSReader::ReadLinkRecord() {
  const std::string data = RecordRest(Data());
  switch (FBIFFRecord->RecNum) {
    case 0x0018: FLinkTable->AddName(data); break;
    case 0x0017: FLinkTable->AddExternsheet(data); break;
    case 0x0023: FLinkTable->AddExternname(data); break;
    default: FLinkTable->AddSupbook(data); break;
  }
}

void TXLSReader::ReadDrawingGroup() {
  std::string data = RecordRest(Data());
  while (LookAheadContinue(true)) data += RecordRest(Data());
  FMSOData->ReadDrawingGroup(data);
}

void TXLSReader::ReadObj() {
  FMSOData->ReadObj(RecordRest(Data()));
  RedeliverContinueAsDrawing();
}

void TXLSReader::ReadTxo() {
  constexpr int kNoteObject = 25;
  if (FMSOData->LastObjType() != kNoteObject) return;
  if (!LookAheadContinue()) return;
  FMSOData->ReadTxoText(RecordRest(Data()));
  if (!LookAheadContinue()) return;
  FMSOData->ReadTxoRuns(RecordRest(Data()));
  RedeliverContinueAsDrawing();
}
