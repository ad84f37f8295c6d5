#pragma once
// TXLSXReader: reads an Office Open XML workbook (.xlsx, .xlsm) once into a TXLSFile's
// workbook, filling the same model the BIFF reader fills: every sheet by name and visibility,
// the first sheet's contents, the styles and the palette. A damaged or hostile package fails
// with a clear Exception; cells beyond the model's limits with EXLSError.

#include <istream>
#include <string>
#include <string_view>

#include "xls/XLSFile.h"

class TCFile;
class TZipPackage;

class TXLSXReader {
 public:
  explicit TXLSXReader(TXLSFile* AXLSFile) : FXLSFile(AXLSFile) {}

  // True for the first bytes of a zip package.
  static bool IsPackageStart(std::string_view AFirstBytes);
  // Whether the file (the stream, from its start) begins like a zip package; false when it
  // cannot be read. The stream is left at its start.
  static bool IsPackageFile(const std::u16string& AFileName);
  static bool IsPackageStream(std::istream& AStream);
  // True when a compound document holds an encrypted package (an .xlsx with a password).
  static bool HoldsEncryptedPackage(TCFile& AFile);
  // Raises the error of an encrypted package.
  [[noreturn]] static void RaiseEncryptedPackage();

  // Clears the file object, then reads the package. A file that cannot be read raises
  // ECFileError ECFILE_OPEN_DOCFILE, as for .xls files.
  void ReadFromFile(const std::u16string& AFileName, const TReaderOptions& AOptions);
  void ReadFromStream(std::istream& AStream, const TReaderOptions& AOptions);

 private:
  void ReadPackage(std::string ABytes, const TReaderOptions& AOptions);
  // Reads the first sheet's part into the first sheet, with its hyperlinks.
  void ReadFirstSheet(const TZipPackage& APackage, const std::string& APart, bool ADate1904,
                      const std::vector<std::u16string>& ASharedStrings, const TReaderOptions& AOptions);
  // Refuses a workbook whose XML maps refer to schemas outside the file.
  static void CheckXmlMaps(const TZipPackage& APackage, const std::string& APart);

  TXLSFile* FXLSFile;  // the file object (not owned)
};
