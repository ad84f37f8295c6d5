#include "xls/XLSFile.h"

#include "platform/codepage.h"
#include "platform/format_settings.h"
#include "xls/BiffStrings.h"
#include "xls/XLSPalette.h"
#include "xls/XLSReader.h"
#include "xls/XLSXReader.h"

TXLSFile::TXLSFile() : FWorkbook(std::make_unique<TWorkbook>(1)) {
  SetCodePage(GetACP());
  const std::string separator = WideToMultiByte(std::u16string(1, FormatSettings.ListSeparator));
  FListSeparator = separator.empty() ? ',' : separator[0];
}

void TXLSFile::OpenFile(const std::u16string& AFileName) { OpenProtectedFile(AFileName, u""); }

void TXLSFile::OpenProtectedFile(const std::u16string& AFileName, const std::u16string& APassword) {
  if (TXLSXReader::IsPackageFile(AFileName)) {
    TXLSXReader(this).ReadFromFile(AFileName, FReaderOptions);
  } else {
    TXLSReader reader(this);
    reader.FOnProgress = OnProgress;
    try {
      reader.ReadFromFile(AFileName, APassword, FReaderOptions);
    } catch (const EXLSError& e) {
      // A compound document without a workbook stream may be an encrypted .xlsx package.
      if (e.ErrorCode() == EXLS_STREAMNOTFOUND) {
        TCFile document(cfCreateFromFile, AFileName);
        if (TXLSXReader::HoldsEncryptedPackage(document)) TXLSXReader::RaiseEncryptedPackage();
      }
      throw;
    }
  }
  FDataFromFile = true;
}

void TXLSFile::OpenStream(std::istream* AStream) { OpenProtectedStream(AStream, u""); }

void TXLSFile::OpenProtectedStream(std::istream* AStream, const std::u16string& APassword) {
  if (!AStream) return;
  if (TXLSXReader::IsPackageStream(*AStream)) {
    TXLSXReader(this).ReadFromStream(*AStream, FReaderOptions);
  } else {
    TXLSReader reader(this);
    reader.FOnProgress = OnProgress;
    try {
      reader.ReadFromStream(AStream, APassword, FReaderOptions);
    } catch (const EXLSError& e) {
      if (e.ErrorCode() == EXLS_STREAMNOTFOUND &&
          TXLSXReader::HoldsEncryptedPackage(*TCFile::CreateFromStream(*AStream)))
        TXLSXReader::RaiseEncryptedPackage();
      throw;
    }
  }
  FDataFromFile = true;
}

void TXLSFile::Clear() {
  FWorkbook->Clear();
  ResetPalette();  // a PALETTE record of an earlier workbook must not colour this one
  FDataFromFile = false;
}

void TXLSFile::SetCodePage(int AValue) {
  FCodePage = AValue;
  SetWorkbookCodePage(AValue);
}
