#pragma once
// TXLSFile: one spreadsheet file and the workbook it fills. Opening reads a BIFF8 .xls file
// (a compound document with a "Workbook" stream) or an Office Open XML .xlsx package, chosen by
// the file's first bytes, into the workbook; the workbook is cleared first, so a failed open
// leaves it empty or partly filled with DataFromFile false.

#include <functional>
#include <istream>
#include <memory>
#include <string>

#include "xls/XLSWorkbook.h"

class TXLSFile;

// Reading progress: the share of the workbook stream read, 0 to 1.
using TProgressEvent = std::function<void(TXLSFile* Sender, double ProgressRate)>;

// What the reader takes from a file.
struct TReaderOptions {
  bool ReadEmptyCells = true;                   // BLANK and MULBLANK make cells
  bool ReadRowFormats = true;                   // ROW records are applied
  bool ReadColumnFormats = true;                // COLINFO records are applied
  bool ReadFormulas = true;                     // formula token data and shared formulas are kept
  bool RaiseErrorOnReadUnknownFormula = false;  // a formula without text fails the open
  bool ReadDrawings = true;                     // pictures, comments and their records are read
};

class TXLSFile {
 public:
  // A workbook with one sheet, default reader options, the system code page and the locale's
  // list separator.
  TXLSFile();
  TXLSFile(const TXLSFile&) = delete;
  TXLSFile& operator=(const TXLSFile&) = delete;

  TWorkbook& Workbook() { return *FWorkbook; }

  // OpenProtectedFile with an empty password.
  void OpenFile(const std::u16string& AFileName);
  // Reads the file into the workbook; an encrypted file opens with `APassword` or, failing that,
  // with the password of files encrypted without one. Raises ECFileError when the file is no
  // compound document, EXLSError for a file that is no BIFF8 workbook or holds inconsistent
  // records, and Exception with the fixed texts of the protection failures. A package (.xlsx)
  // ignores the password; it raises Exception when damaged, hostile or encrypted, and EXLSError
  // for cells beyond the model's rows and columns.
  void OpenProtectedFile(const std::u16string& AFileName, const std::u16string& APassword);
  // The same from a byte stream (read from its start); a missing stream does nothing.
  void OpenStream(std::istream* AStream);
  void OpenProtectedStream(std::istream* AStream, const std::u16string& APassword);
  // No sheets, new default tables, no link data, no protection, the default palette;
  // DataFromFile false. Reading a workbook starts with it.
  void Clear();

  bool DataFromFile() const { return FDataFromFile; }
  int CodePage() const { return FCodePage; }
  // Also sets the process-wide code page of 8-bit workbook text.
  void SetCodePage(int AValue);
  char ListSeparator() const { return FListSeparator; }
  void SetListSeparator(char AValue) { FListSeparator = AValue; }
  const TReaderOptions& ReaderOptions() const { return FReaderOptions; }

  bool ReadEmptyCells() const { return FReaderOptions.ReadEmptyCells; }
  void SetReadEmptyCells(bool AValue) { FReaderOptions.ReadEmptyCells = AValue; }
  bool ReadRowFormats() const { return FReaderOptions.ReadRowFormats; }
  void SetReadRowFormats(bool AValue) { FReaderOptions.ReadRowFormats = AValue; }
  bool ReadColumnFormats() const { return FReaderOptions.ReadColumnFormats; }
  void SetReadColumnFormats(bool AValue) { FReaderOptions.ReadColumnFormats = AValue; }
  bool ReadFormulas() const { return FReaderOptions.ReadFormulas; }
  void SetReadFormulas(bool AValue) { FReaderOptions.ReadFormulas = AValue; }
  bool RaiseErrorOnReadUnknownFormula() const { return FReaderOptions.RaiseErrorOnReadUnknownFormula; }
  void SetRaiseErrorOnReadUnknownFormula(bool AValue) { FReaderOptions.RaiseErrorOnReadUnknownFormula = AValue; }
  bool ReadDrawings() const { return FReaderOptions.ReadDrawings; }
  void SetReadDrawings(bool AValue) { FReaderOptions.ReadDrawings = AValue; }

  TProgressEvent OnProgress;  // called after every record read

 private:
  std::unique_ptr<TWorkbook> FWorkbook;  // the workbook, owned
  TReaderOptions FReaderOptions;
  bool FDataFromFile = false;            // the workbook holds a file's data
  int FCodePage = 0;                     // code page of 8-bit workbook text
  char FListSeparator = ';';             // list separator of the locale
};
