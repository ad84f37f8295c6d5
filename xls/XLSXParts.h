#pragma once
// The package structure of an .xlsx workbook: reading an XML part, the relationships of a part
// and where their targets lie, and the rich-text strings of the shared-string table and of
// inline cells (runs flattened, phonetic text left out).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "xls/XmlReader.h"
#include "xls/ZipPackage.h"

// Streams part `AName` of the package through `AHandler`; the exceptions of both.
void ReadXmlPart(const TZipPackage& APackage, std::string_view AName, TXmlHandler& AHandler);

struct TXLSXRelationship {
  std::string Id;
  std::string Type;     // the relationship type's URI
  std::string Target;   // a part name (resolved) or, when External, the target as written
  bool External = false;
};

// The relationships of part `ASource` (the package itself when empty); none when the package
// has no relationships part for it.
std::vector<TXLSXRelationship> ReadRelationships(const TZipPackage& APackage, std::string_view ASource);
// The first relationship whose type ends in "/" + `AKind`, or nullptr.
const TXLSXRelationship* FindRelationship(const std::vector<TXLSXRelationship>& ARelationships,
                                          std::string_view AKind);
// The part a relative or absolute target of part `ASource` names.
std::string ResolvePartName(std::string_view ASource, std::string_view ATarget);

// Collects the text of a string item (shared string or inline string) as its elements arrive.
class TXLSXRichText {
 public:
  // Call for every element inside the item.
  void Start(std::string_view AName);
  void End(std::string_view AName);
  void Add(std::string_view AText) {
    if (FInText) FText += AText;
  }
  // The text so far as UTF-16, escapes decoded; empties the collector.
  std::u16string Take();

 private:
  std::string FText;        // UTF-8 text collected
  bool FInText = false;     // inside a text element that counts
  int FPhonetic = 0;        // depth inside phonetic runs, whose text is left out
};

// The shared-string table.
class TXLSXSharedStringsReader : public TXmlHandler {
 public:
  void StartElement(std::string_view AName, const TXmlAttributes& AAttributes) override;
  void EndElement(std::string_view AName) override;
  void Text(std::string_view AText) override { FItem.Add(AText); }
  std::vector<std::u16string>& Strings() { return FStrings; }

 private:
  std::vector<std::u16string> FStrings;
  TXLSXRichText FItem;    // the item being read
  bool FInItem = false;
};

// "_xHHHH_" escapes (characters XML cannot hold) replaced by their characters.
std::u16string DecodeXmlEscapes(std::u16string AText);
