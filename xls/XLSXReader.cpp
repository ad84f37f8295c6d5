#include "xls/XLSXReader.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "platform/exception.h"
#include "platform/utf.h"
#include "xls/CFile.h"
#include "xls/XLSError.h"
#include "xls/XLSWorkbook.h"
#include "xls/XLSXColors.h"
#include "xls/XLSXParts.h"
#include "xls/XLSXSheet.h"
#include "xls/XLSXStyles.h"
#include "xls/ZipPackage.h"

namespace {

// A sheet as the workbook part lists it.
struct TSheetEntry {
  std::u16string Name;
  bool Hidden = false;
  std::string Id;  // relationship of its part
};

// The workbook part: its sheets in order and the date system.
class TWorkbookPartReader : public TXmlHandler {
 public:
  void StartElement(std::string_view AName, const TXmlAttributes& AAttributes) override {
    if (FDepth++ == 0 && AName != "workbook") RaiseDamagedPackage("the workbook part holds no workbook");
    if (AName == "workbookPr") {
      Date1904 = XmlBool(AAttributes.Find("date1904"), false);
    } else if (AName == "sheet") {
      const char* name = AAttributes.Find("name");
      const char* state = AAttributes.Find("state");
      const char* id = AAttributes.Find("id");
      TSheetEntry& sheet = Sheets.emplace_back();
      sheet.Name = Utf8ToUtf16(name ? name : "");
      sheet.Hidden = state && std::string_view(state) != "visible";
      sheet.Id = id ? id : "";
    }
  }
  void EndElement(std::string_view) override { --FDepth; }
  void Text(std::string_view) override {}

  std::vector<TSheetEntry> Sheets;
  bool Date1904 = false;

 private:
  int FDepth = 0;
};

// Finds a schema that an XML map takes from outside the file.
class TXmlMapsReader : public TXmlHandler {
 public:
  void StartElement(std::string_view, const TXmlAttributes& AAttributes) override {
    const char* location = AAttributes.Find("schemaLocation");
    if (location) {
      throw Exception("Error: the workbook's XML map takes a schema from outside the file (" +
                      std::string(location) + "); such workbooks are refused.");
    }
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}
};

// The kind of a hyperlink's outside target.
TCellHyperlinkType TargetType(const std::string& ATarget) {
  if (ATarget.rfind("\\\\", 0) == 0) return hltUNC;
  const std::size_t colon = ATarget.find(':');
  if (colon >= 2 && colon != std::string::npos) {
    bool scheme = true;
    for (std::size_t i = 0; i < colon; ++i) {
      const char c = ATarget[i];
      scheme = scheme && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (i > 0 && (c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9'))));
    }
    if (scheme) return hltURL;
  }
  return hltFile;
}

}  // namespace

bool TXLSXReader::IsPackageStart(std::string_view AFirstBytes) {
  return AFirstBytes.size() >= 4 && AFirstBytes[0] == 'P' && AFirstBytes[1] == 'K' &&
         ((AFirstBytes[2] == 3 && AFirstBytes[3] == 4) || (AFirstBytes[2] == 5 && AFirstBytes[3] == 6));
}

bool TXLSXReader::IsPackageFile(const std::u16string& AFileName) {
  std::ifstream in(Utf16ToUtf8(AFileName.substr(0, AFileName.find(u'\0'))), std::ios::binary);
  char start[4] = {};
  return in.read(start, 4) && IsPackageStart(std::string_view(start, 4));
}

bool TXLSXReader::IsPackageStream(std::istream& AStream) {
  char start[4] = {};
  AStream.clear();
  AStream.seekg(0);
  const bool read = static_cast<bool>(AStream.read(start, 4));
  AStream.clear();
  AStream.seekg(0);
  return read && IsPackageStart(std::string_view(start, 4));
}

bool TXLSXReader::HoldsEncryptedPackage(TCFile& AFile) {
  return AFile.Root().FindItem("EncryptedPackage") != nullptr;
}

void TXLSXReader::RaiseEncryptedPackage() {
  throw Exception(
      "Error: the workbook is an encrypted .xlsx package (saved with a password); encrypted "
      ".xlsx workbooks are not supported.");
}

void TXLSXReader::ReadFromFile(const std::u16string& AFileName, const TReaderOptions& AOptions) {
  FXLSFile->Clear();
  std::ifstream in(Utf16ToUtf8(AFileName.substr(0, AFileName.find(u'\0'))), std::ios::binary);
  if (!in) throw ECFileError(ECFILE_OPEN_DOCFILE);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw ECFileError(ECFILE_OPEN_DOCFILE);
  ReadPackage(std::move(bytes), AOptions);
}

void TXLSXReader::ReadFromStream(std::istream& AStream, const TReaderOptions& AOptions) {
  FXLSFile->Clear();
  AStream.clear();
  AStream.seekg(0);
  ReadPackage(std::string((std::istreambuf_iterator<char>(AStream)), std::istreambuf_iterator<char>()), AOptions);
}

void TXLSXReader::ReadPackage(std::string ABytes, const TReaderOptions& AOptions) {
  TWorkbook& workbook = FXLSFile->Workbook();
  workbook.SetProcessingState(psReading);
  const TZipPackage package(std::move(ABytes));
  if (!package.HasPart("_rels/.rels")) RaiseDamagedPackage("the package's relationships part is missing");
  const TXLSXRelationship* document = nullptr;
  const std::vector<TXLSXRelationship> root = ReadRelationships(package, "");
  document = FindRelationship(root, "officeDocument");
  if (!document) RaiseDamagedPackage("the package names no workbook part");
  const std::string workbook_part = document->Target;

  TWorkbookPartReader book;
  ReadXmlPart(package, workbook_part, book);
  const std::vector<TXLSXRelationship> parts = ReadRelationships(package, workbook_part);
  if (const TXLSXRelationship* maps = FindRelationship(parts, "xmlMaps")) CheckXmlMaps(package, maps->Target);

  TXLSXThemeReader theme;
  if (const TXLSXRelationship* r = FindRelationship(parts, "theme"); r && package.HasPart(r->Target))
    ReadXmlPart(package, r->Target, theme);
  if (const TXLSXRelationship* r = FindRelationship(parts, "styles")) {
    TXLSXStylesReader styles(theme.Colors());
    ReadXmlPart(package, r->Target, styles);
    styles.ApplyTo(workbook);
  }
  TXLSXSharedStringsReader strings;
  if (const TXLSXRelationship* r = FindRelationship(parts, "sharedStrings"))
    ReadXmlPart(package, r->Target, strings);

  if (book.Sheets.empty()) throw EXLSError(EXLS_NOSHEETS);
  for (const TSheetEntry& entry : book.Sheets) {
    TSheet* sheet = workbook.Sheets().Add(entry.Name);
    if (entry.Hidden) sheet->SetVisible(false);
  }
  const TXLSXRelationship* first = nullptr;
  for (const TXLSXRelationship& r : parts)
    if (r.Id == book.Sheets.front().Id) first = &r;
  if (!first || first->External) RaiseDamagedPackage("the first sheet's part is not named");
  // A chart sheet or dialog sheet first holds no cells.
  if (FindRelationship({*first}, "worksheet"))
    ReadFirstSheet(package, first->Target, book.Date1904, strings.Strings(), AOptions);
  package.VerifyUnreadParts();
  workbook.SetProcessingState(psDataFromFile);
  if (FXLSFile->OnProgress) FXLSFile->OnProgress(FXLSFile, 1.0);
}

void TXLSXReader::ReadFirstSheet(const TZipPackage& APackage, const std::string& APart, bool ADate1904,
                                 const std::vector<std::u16string>& ASharedStrings,
                                 const TReaderOptions& AOptions) {
  TSheet& sheet = *FXLSFile->Workbook().Sheets().Item(0);
  TXLSXSheetReader reader(sheet, ASharedStrings, AOptions, ADate1904);
  ReadXmlPart(APackage, APart, reader);
  reader.Finish();
  if (reader.Hyperlinks().empty()) return;
  const std::vector<TXLSXRelationship> targets = ReadRelationships(APackage, APart);
  for (const TXLSXHyperlink& link : reader.Hyperlinks()) {
    int row_from, column_from, row_to, column_to;
    if (!ParseAreaRef(link.Ref, row_from, column_from, row_to, column_to))
      RaiseDamagedPackage("hyperlink area " + link.Ref + " is invalid");
    std::string text = link.Location;
    TCellHyperlinkType type = hltCurrentWorkbook;
    for (const TXLSXRelationship& r : targets) {
      if (link.Id.empty() || r.Id != link.Id) continue;
      text = r.Target;
      type = r.External ? TargetType(r.Target) : hltFile;
    }
    if (text.empty()) continue;
    CheckCellLimits(row_to, column_to, "hyperlink area " + link.Ref);
    reader.CountAreaCells(row_from, column_from, row_to, column_to, EXLS_INVALIDHLINK);
    const std::u16string text16 = Utf8ToUtf16(text);
    TCells& cells = sheet.Cells();
    for (int row = row_from; row <= row_to; ++row)
      for (int column = column_from; column <= column_to; ++column) {
        TCell* cell = cells.Item(row, column);
        cell->SetHyperlink(text16);
        cell->SetHyperlinkType(type);
      }
  }
}

void TXLSXReader::CheckXmlMaps(const TZipPackage& APackage, const std::string& APart) {
  if (!APackage.HasPart(APart)) return;
  TXmlMapsReader maps;
  ReadXmlPart(APackage, APart, maps);
}
