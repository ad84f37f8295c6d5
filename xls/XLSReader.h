#pragma once
// TXLSReader: reads one workbook file once into a TXLSFile's workbook. It walks the workbook
// stream record by record, hands each record to its handler by id (the workbook globals in
// XLSReadGlobals.cpp, the worksheet records in XLSReadSheet.cpp, the drawing layer to
// TMSOData) and then runs the passes that tie the pieces together.

#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "xls/BiffStream.h"
#include "xls/CFile.h"
#include "xls/XLSFile.h"
#include "xls/XLSError.h"
#include "xls/XLSFormatClass.h"
#include "xls/XLSMSOData.h"
#include "xls/XLSSharedStrings.h"

class TXLSLinkTable;

class TXLSReader {
 public:
  // Cells that merged areas and hyperlinks may cover in one workbook: four full columns,
  // far beyond any real list.
  static constexpr std::int64_t kMaxAreaCells = 4 * 65536;

  explicit TXLSReader(TXLSFile* AXLSFile);
  ~TXLSReader();
  TXLSReader(const TXLSReader&) = delete;
  TXLSReader& operator=(const TXLSReader&) = delete;

  // Clears the file object, then reads the file's workbook stream and runs the passes.
  void ReadFromFile(const std::u16string& AFileName, const std::u16string& APassword,
                    const TReaderOptions& AOptions);
  // The same on a copy of `AStream`; false, with nothing done, when there is no stream.
  bool ReadFromStream(std::istream* AStream, const std::u16string& APassword,
                      const TReaderOptions& AOptions);

  // 8 when the file opens as a compound document with a "Workbook" stream, else 0.
  static int GetFileVersion(const std::u16string& AFileName);
  // The protection among the first five records: 0 none, or RC4 that the default password
  // opens; 10 RC4 needing another password; -1 any other. Raises EXLSError
  // EXLS_STREAMNOTFOUND without a "Workbook" stream, and the compound document's errors.
  static int GetFileProtectionMethod(const std::u16string& AFileName);

  TProgressEvent FOnProgress;  // copied from the file object

 private:
  // A formula cell whose token data was kept.
  struct TFormulaCell {
    int Sheet;
    int Row;
    int Column;
  };
  // A shared formula record with its sheet.
  struct TSharedFormula {
    int Sheet;
    std::string Data;
  };

  void ReadCFile();
  // The sheet and table accessors the handlers share.
  TVirtualXFTable& XFTable() { return FWorkbook->XFTable(); }
  void ReadWorkbookStream(TCFileStream& AStream);
  // The next record to dispatch: the unconsumed current one once more, else the next one read.
  bool FetchRecord();
  // Tells FOnProgress how much of the stream has been loaded.
  void ReportProgress();
  // Consumes the current record and fetches the next; true when it continues the current one
  // (CONTINUE, and MSODRAWINGGROUP when `AOrDrawingGroup`), which is then consumed too.
  // Otherwise the record fetched waits for the main loop, and later look-aheads of the same
  // handler find nothing.
  bool LookAheadContinue(bool AOrDrawingGroup = false);
  void Dispatch();
  void RunPassesAfterReading();
  void ApplyDefinedNames();
  void ApplyFormulaTexts();
  void FixColumnFormats();
  TEasyStream& Data() { return FBIFFRecord->DataStream(); }
  TSheet* CurrentSheet();

  // Character data that may go on in CONTINUE records, each of which starts with a fresh
  // option byte telling whether its piece is 16-bit. Appends the characters to `AText`; true
  // when some piece was 16-bit.
  bool ReadContinuedChars(int ACount, bool ASixteenBit, std::u16string& AText);
  // Skips `ACount` bytes, crossing into CONTINUE records.
  void SkipContinued(std::int64_t ACount);

  // Workbook globals.
  void ReadBOF();
  void ReadEOF();
  void ReadFilePass();
  void ReadBoundSheet();
  void ReadSST();
  void ReadFont();
  void ReadFormat();
  void ReadXF();
  void ReadPalette();
  void ReadPassword();
  void ReadLinkRecord();

  // Drawing layer.
  void ReadDrawingGroup();
  void ReadObj();
  void ReadTxo();

  // Worksheet records.
  void ApplyCellFormat(TCell* ACell, int AXFIndex);
  // The value kind of an XF's number format: None when its format is not in the table. Found
  // once per XF; `AXFIndex` lies within FBaseValueTypes, which ApplyCellFormat sees to.
  TFormatClass BaseValueType(int AXFIndex);
  TFormatClass FindBaseValueType(int AXFIndex);
  void ReadNumber();
  void ReadRK();
  void ReadMulRK();
  void ReadLabel();
  void ReadLabelSST();
  void ReadBlank();
  void ReadMulBlank();
  void ReadBoolErr();
  void ReadFormula();
  void ReadString();
  void ReadSharedFormula();
  void ReadRow();
  void ReadColInfo();
  void ReadMergedCells();
  void ReadHyperlink();
  // Counts the cells of a merged area or hyperlink about to be created; raises EXLSError `ACode`
  // once the workbook's areas exceed kMaxAreaCells, so a damaged record claiming the whole sheet
  // is refused instead of filling memory with millions of cells.
  void CountAreaCells(int ARowFrom, int ARowTo, int AColumnFrom, int AColumnTo,
                      TXLSErrorCode ACode);
  void ReadSheetSetting();
  void ReadHeaderFooter();
  void ReadSetup();
  void ReadDataValidation();
  // No number format, wrap, fill, merge, indent or border, and locked (font, alignment and
  // colours do not count). Raises EListError for an XF beyond the table.
  bool PlainXF(int AXFIndex);
  void AfterBOFEOF();
  // The drawing records that follow an OBJ or a note's TXO: a CONTINUE waits for the main loop
  // as a drawing record.
  void RedeliverContinueAsDrawing();

  TXLSFile* FXLSFile;                      // the file object (not owned)
  std::unique_ptr<TCFile> FCFile;          // the open compound document while reading
  TWorkbook* FWorkbook;                    // the file object's workbook
  TReaderOptions FOptions;
  int FBOFEOFCounter = 0;                  // nesting depth of BOF/EOF pairs
  bool FGlobalSubstreamRead = false;       // the globals substream has ended
  int FCurrentSheetIndex = 0;              // sheet whose substream is read
  bool FBIFFRecordProcessed = true;        // the current record has been consumed
  std::uint8_t FBIFFRecordFetchCount = 0;  // re-deliveries of the unconsumed record
  bool FEndOfStream = false;               // the last read found no record
  bool FLookAheadStopped = false;          // a look-ahead of this handler found no continuation
  bool FFontRecordsExist = false;
  bool FXFRecordsExist = false;
  int FRow = -1, FColumn = -1, FXFIndex = -1;  // formula cell awaiting its string result
  std::u16string FPassword;
  std::vector<std::int8_t> FBaseValueTypes;  // value kind of each XF's format; -1 not yet found
  std::unique_ptr<TBIFFStream> FWorkbookStream;
  TBIFFRecord* FBIFFRecord = nullptr;      // the stream's current record
  TSharedStrings FSST;                     // shared strings, decoded once
  std::vector<std::string> FFormulas;      // option flags and tokens of each FORMULA
  std::vector<TFormulaCell> FFormulaCells; // the cell of each entry of FFormulas
  std::vector<TSharedFormula> FSharedFormulas;
  TXLSLinkTable* FLinkTable;               // the workbook's link table
  std::unique_ptr<TMSOData> FMSOData;      // drawing-layer collector
  std::int64_t FAreaCells = 0;             // cells covered so far by merged areas and hyperlinks
};
