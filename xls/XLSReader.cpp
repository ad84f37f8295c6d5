#include "xls/XLSReader.h"

#include <algorithm>

#include "platform/exception.h"
#include "xls/BiffStrings.h"
#include "xls/RC4.h"
#include "xls/XLSError.h"
#include "xls/XLSFilePass.h"
#include "xls/XLSLinkTable.h"
#include "xls/XLSRecordData.h"

namespace {

constexpr std::int32_t kContinue = 0x003C;
constexpr std::int32_t kDrawingGroup = 0x00EB;
constexpr std::int32_t kFilePass = 0x002F;
constexpr char kWorkbookStreamName[] = "Workbook";

// The "Workbook" stream of a document; EXLS_STREAMNOTFOUND when there is none (a storage of
// that name does not count).
TCFileStream& WorkbookStream(TCFile& AFile) {
  auto* stream = dynamic_cast<TCFileStream*>(AFile.Root().FindItem(kWorkbookStreamName));
  if (!stream) throw EXLSError(EXLS_STREAMNOTFOUND, u"Workbook");
  return *stream;
}

}  // namespace

TXLSReader::TXLSReader(TXLSFile* AXLSFile)
    : FXLSFile(AXLSFile),
      FWorkbook(&AXLSFile->Workbook()),
      FLinkTable(AXLSFile->Workbook().LinkTable()),
      FMSOData(std::make_unique<TMSOData>()) {}

TXLSReader::~TXLSReader() = default;

void TXLSReader::ReadFromFile(const std::u16string& AFileName, const std::u16string& APassword,
                              const TReaderOptions& AOptions) {
  FOptions = AOptions;
  FPassword = APassword;
  FXLSFile->Clear();
  FCFile = std::make_unique<TCFile>(cfCreateFromFile, AFileName);
  ReadCFile();
  FCFile.reset();
}

bool TXLSReader::ReadFromStream(std::istream* AStream, const std::u16string& APassword,
                                const TReaderOptions& AOptions) {
  if (!AStream) return false;
  FOptions = AOptions;
  FPassword = APassword;
  FXLSFile->Clear();
  FCFile = TCFile::CreateFromStream(*AStream);
  ReadCFile();
  FCFile.reset();
  return true;
}

void TXLSReader::ReadCFile() {
  FLinkTable = FWorkbook->LinkTable();
  ReadWorkbookStream(WorkbookStream(*FCFile));
  RunPassesAfterReading();
}

void TXLSReader::ReadWorkbookStream(TCFileStream& AStream) {
  FWorkbook->SetProcessingState(psReading);
  FWorkbookStream = std::make_unique<TBIFFStream>(&AStream);
  FWorkbookStream->Reset();
  FBIFFRecord = &FWorkbookStream->BIFFRecord();
  FBIFFRecordProcessed = true;
  while (FetchRecord()) Dispatch();
  FWorkbookStream.reset();
  FBIFFRecord = nullptr;
  FWorkbook->SetProcessingState(psDataFromFile);
}

bool TXLSReader::FetchRecord() {
  bool delivered;
  if (!FBIFFRecordProcessed) {
    if (++FBIFFRecordFetchCount > 1) throw Exception("Error: BIFF record can not be processed");
    delivered = true;
  } else if (FEndOfStream) {
    delivered = false;
  } else {
    delivered = FWorkbookStream->ReadBIFFRecord();
    // After the last record nothing is handed out again, not even the record cut short.
    FEndOfStream = !delivered;
    FBIFFRecordProcessed = !delivered;
    FBIFFRecordFetchCount = 0;
  }
  if (FOnProgress) ReportProgress();
  return delivered;
}

void TXLSReader::ReportProgress() {
  const std::int32_t size = FWorkbookStream->Size();
  FOnProgress(FXLSFile, size == 0 ? 1.0 : static_cast<double>(FWorkbookStream->Position()) / size);
}

bool TXLSReader::LookAheadContinue(bool AOrDrawingGroup) {
  if (FLookAheadStopped) return false;
  FBIFFRecordProcessed = true;
  if (FetchRecord()) {
    const std::int32_t id = FBIFFRecord->RecNum;
    if (id == kContinue || (AOrDrawingGroup && id == kDrawingGroup)) {
      FBIFFRecordProcessed = true;
      return true;
    }
  }
  FLookAheadStopped = true;
  return false;
}

void TXLSReader::RedeliverContinueAsDrawing() {
  if (!LookAheadContinue()) return;
  FBIFFRecord->RecNum = 0x00EC;
  FBIFFRecordProcessed = false;
}

TSheet* TXLSReader::CurrentSheet() { return FWorkbook->Sheets().Item(FCurrentSheetIndex); }

bool TXLSReader::ReadContinuedChars(int ACount, bool ASixteenBit, std::u16string& AText) {
  int missing = ACount;
  bool sixteen = ASixteenBit;
  bool wide = false;
  while (missing > 0 && !FLookAheadStopped) {
    TEasyStream& data = Data();
    const std::int64_t left = data.ReadableSize();
    if (left <= 0) {
      if (!LookAheadContinue()) break;
      if (Data().ReadableSize() > 0) sixteen = (RecordByte(Data()) & 1) != 0;
      continue;
    }
    // A 16-bit character split between two records cannot be read: the string ends there.
    if (sixteen && left < 2) break;
    wide |= sixteen;
    const int piece = static_cast<int>(std::min<std::int64_t>(sixteen ? left / 2 : left, missing));
    AppendChars(AText, data.Data() + data.Position(), piece, sixteen);
    data.SkipBytes(sixteen ? 2 * piece : piece);
    missing -= piece;
  }
  return wide;
}

void TXLSReader::SkipContinued(std::int64_t ACount) {
  while (ACount > 0 && !FLookAheadStopped) {
    const std::int64_t left = Data().ReadableSize();
    if (left <= 0) {
      if (!LookAheadContinue()) return;
      continue;
    }
    const std::int64_t step = std::min(left, ACount);
    Data().SkipBytes(step);
    ACount -= step;
  }
}

void TXLSReader::Dispatch() {
  FBIFFRecordProcessed = true;
  FLookAheadStopped = false;
  const bool drawings = FOptions.ReadDrawings;
  switch (FBIFFRecord->RecNum) {
    case 0x0809: ReadBOF(); break;
    case 0x000A: ReadEOF(); break;
    case kFilePass: ReadFilePass(); break;
    case 0x0085: ReadBoundSheet(); break;
    case 0x00FC: ReadSST(); break;
    case 0x0031: ReadFont(); break;
    case 0x041E: ReadFormat(); break;
    case 0x00E0: ReadXF(); break;
    case 0x0092: ReadPalette(); break;
    case 0x0013: ReadPassword(); break;
    case 0x0018: case 0x0017: case 0x0023: case 0x01AE: ReadLinkRecord(); break;
    case kDrawingGroup: if (drawings) ReadDrawingGroup(); break;
    case 0x00EC:
      if (drawings) FMSOData->ReadDrawing(RecordRest(Data()), FCurrentSheetIndex);
      break;
    case 0x005D: if (drawings) ReadObj(); break;
    case 0x01B6: if (drawings) ReadTxo(); break;
    case 0x001C: if (drawings) FMSOData->ReadNote(RecordRest(Data()), FCurrentSheetIndex); break;
    case 0x0203: ReadNumber(); break;
    case 0x027E: ReadRK(); break;
    case 0x00BD: ReadMulRK(); break;
    case 0x0204: ReadLabel(); break;
    case 0x00FD: ReadLabelSST(); break;
    case 0x0201: ReadBlank(); break;
    case 0x00BE: ReadMulBlank(); break;
    case 0x0205: ReadBoolErr(); break;
    case 0x0006: ReadFormula(); break;
    case 0x0207: ReadString(); break;
    case 0x04BC: ReadSharedFormula(); break;
    case 0x0208: ReadRow(); break;
    case 0x007D: ReadColInfo(); break;
    case 0x00E5: ReadMergedCells(); break;
    case 0x01B8: ReadHyperlink(); break;
    case 0x0014: case 0x0015: ReadHeaderFooter(); break;
    case 0x00A1: ReadSetup(); break;
    case 0x01BE: ReadDataValidation(); break;
    case 0x0867: case 0x023E: case 0x0041: case 0x00A0: case 0x0081: case 0x002A: case 0x002B:
    case 0x0083: case 0x0084: case 0x0026: case 0x0027: case 0x0028: case 0x0029:
      ReadSheetSetting();
      break;
    default: break;  // consumed without effect
  }
}

void TXLSReader::RunPassesAfterReading() {
  ApplyDefinedNames();
  if (!FFormulas.empty()) ApplyFormulaTexts();
  XFTable().UpdateDefaultIndex();
  FixColumnFormats();
  FLinkTable->ClearLocalDocument();
  if (FOptions.ReadDrawings) FMSOData->ApplyTo(*FWorkbook);
}

void TXLSReader::ApplyDefinedNames() {
  TSheets& sheets = FWorkbook->Sheets();
  for (const TXLSDefinedName& name : FLinkTable->Names()) {
    const TXLSNameArea area = FLinkTable->NameArea(name);
    if (area.SheetIndex < 0 || area.SheetIndex >= sheets.Count()) continue;
    TSheet* sheet = sheets.Item(area.SheetIndex);
    if (!name.BuiltIn) {
      TRange* range = sheet->Ranges().Add();
      range->SetName(name.Name);
      range->AddRangeRects(area.Rects);
    } else if (name.Code == TXLSLinkTable::kPrintArea) {
      sheet->PageSetup().PrintArea().AddRangeRects(area.Rects);
    } else if (name.Code == TXLSLinkTable::kPrintTitles) {
      // Whole rows repeat rows and whole columns repeat columns; any other rectangle gives
      // the rows when it comes first and the columns when it comes second.
      TPageSetup& setup = sheet->PageSetup();
      for (int i = 0; i < area.Rects.RectsCount(); ++i) {
        const TRangeRect& rect = area.Rects.Rect(i);
        const bool all_rows = rect.RowFrom == 0 && rect.RowTo == 65535;
        const bool all_columns = rect.ColumnFrom == 0 && rect.ColumnTo == 255;
        bool as_rows;
        if (all_columns != all_rows) as_rows = all_columns;
        else if (i < 2) as_rows = i == 0;
        else continue;
        if (as_rows) {
          setup.FPrintRowsOnEachPageFrom = rect.RowFrom;
          setup.FPrintRowsOnEachPageTo = rect.RowTo;
        } else {
          setup.FPrintColumnsOnEachPageFrom = rect.ColumnFrom;
          setup.FPrintColumnsOnEachPageTo = rect.ColumnTo;
        }
      }
    }
  }
}

void TXLSReader::ApplyFormulaTexts() {
  // There is no formula token parser: every formula is left without text. A cell that the
  // formula alone kept (no value, the default format, no other side data) is not kept.
  TSheets& sheets = FWorkbook->Sheets();
  for (const TFormulaCell& at : FFormulaCells) {
    if (at.Sheet < 0 || at.Sheet >= sheets.Count()) continue;
    TCell* cell = sheets.Item(at.Sheet)->Cells().FindCell(at.Row, at.Column);
    if (!cell) continue;
    cell->SetFormula("");
    if (IsEmptyValue(cell->Value()) && cell->XFTableIndex() == 0 && cell->StringData().empty())
      cell->Clear();
  }
}

void TXLSReader::FixColumnFormats() {
  // A column may name an XF beyond the table (COLINFO is stored unchecked); it takes the
  // default XF, so that nothing reads past the table later.
  TVirtualXFTable& xfs = XFTable();
  TSheets& sheets = FWorkbook->Sheets();
  for (int s = 0; s < sheets.Count(); ++s) {
    TColumns& columns = sheets.Item(s)->Columns();
    for (int i = 0; i < columns.Count(); ++i) {
      TColumn* column = columns.ItemByIndex(i);
      if (column->XFTableIndex() >= xfs.Count()) column->SetXFTableIndex(xfs.DefaultIndex());
    }
  }
}

int TXLSReader::GetFileVersion(const std::u16string& AFileName) {
  try {
    TCFile file(cfCreateFromFile, AFileName);
    WorkbookStream(file);
    return 8;
  } catch (const std::exception&) {
    return 0;
  }
}

int TXLSReader::GetFileProtectionMethod(const std::u16string& AFileName) {
  TCFile file(cfCreateFromFile, AFileName);
  TBIFFStream biff(&WorkbookStream(file));
  biff.Reset();
  for (int i = 0; i < 5 && biff.ReadBIFFRecord(); ++i) {
    if (biff.BIFFRecord().RecNum != kFilePass) continue;
    TRC4FilePass pass;
    if (ReadRC4FilePass(biff.BIFFRecord().DataStream(), pass) != kRC4FilePass) return -1;
    TMD5Digest digest;
    return VerifyRC4FilePass(pass, u"", digest) ? 0 : 10;
  }
  return 0;
}
