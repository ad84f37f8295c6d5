#include "xls/XLSXParts.h"

#include <charconv>

#include "platform/utf.h"

namespace {

// Reads the relationships of a part.
class TRelationshipsReader : public TXmlHandler {
 public:
  TRelationshipsReader(std::string ASource, std::vector<TXLSXRelationship>& AOut)
      : FSource(std::move(ASource)), FOut(AOut) {}
  void StartElement(std::string_view AName, const TXmlAttributes& AAttributes) override {
    if (AName != "Relationship") return;
    const char* id = AAttributes.Find("Id");
    const char* type = AAttributes.Find("Type");
    const char* target = AAttributes.Find("Target");
    if (!id || !type || !target) return;
    TXLSXRelationship relationship;
    relationship.Id = id;
    relationship.Type = type;
    const char* mode = AAttributes.Find("TargetMode");
    relationship.External = mode && std::string_view(mode) == "External";
    relationship.Target = relationship.External ? std::string(target) : ResolvePartName(FSource, target);
    FOut.push_back(std::move(relationship));
  }
  void EndElement(std::string_view) override {}
  void Text(std::string_view) override {}

 private:
  std::string FSource;
  std::vector<TXLSXRelationship>& FOut;
};

}  // namespace

void ReadXmlPart(const TZipPackage& APackage, std::string_view AName, TXmlHandler& AHandler) {
  TXmlReader reader(AHandler, std::string(AName));
  APackage.ReadPart(AName, [&reader](const char* AData, std::size_t ASize) {
    reader.Feed(AData, ASize, false);
  });
  reader.Feed("", 0, true);
}

std::vector<TXLSXRelationship> ReadRelationships(const TZipPackage& APackage, std::string_view ASource) {
  const std::size_t slash = ASource.rfind('/');
  const std::string folder(slash == std::string_view::npos ? std::string_view() : ASource.substr(0, slash + 1));
  const std::string file(slash == std::string_view::npos ? ASource : ASource.substr(slash + 1));
  const std::string name = folder + "_rels/" + file + ".rels";
  std::vector<TXLSXRelationship> out;
  if (!APackage.HasPart(name)) return out;
  TRelationshipsReader reader(std::string(ASource), out);
  ReadXmlPart(APackage, name, reader);
  return out;
}

const TXLSXRelationship* FindRelationship(const std::vector<TXLSXRelationship>& ARelationships,
                                          std::string_view AKind) {
  const std::string suffix = "/" + std::string(AKind);
  for (const TXLSXRelationship& r : ARelationships)
    if (r.Type.size() >= suffix.size() && r.Type.compare(r.Type.size() - suffix.size(), suffix.size(), suffix) == 0)
      return &r;
  return nullptr;
}

std::string ResolvePartName(std::string_view ASource, std::string_view ATarget) {
  std::string path;
  if (!ATarget.empty() && ATarget[0] == '/') {
    path = ATarget.substr(1);
  } else {
    const std::size_t slash = ASource.rfind('/');
    path = std::string(slash == std::string_view::npos ? std::string_view() : ASource.substr(0, slash + 1));
    path += ATarget;
  }
  // "." and ".." segments resolved; a ".." above the root stays at the root.
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& segment : segments) out += (out.empty() ? "" : "/") + segment;
  return out;
}

void TXLSXRichText::Start(std::string_view AName) {
  if (AName == "rPh") ++FPhonetic;
  else if (AName == "t" && FPhonetic == 0) FInText = true;
}

void TXLSXRichText::End(std::string_view AName) {
  if (AName == "rPh" && FPhonetic > 0) --FPhonetic;
  else if (AName == "t") FInText = false;
}

std::u16string TXLSXRichText::Take() {
  std::u16string text = DecodeXmlEscapes(Utf8ToUtf16(FText));
  FText.clear();
  FInText = false;
  FPhonetic = 0;
  return text;
}

void TXLSXSharedStringsReader::StartElement(std::string_view AName, const TXmlAttributes&) {
  if (AName == "si") FInItem = true;
  else if (FInItem) FItem.Start(AName);
}

void TXLSXSharedStringsReader::EndElement(std::string_view AName) {
  if (AName == "si") {
    FStrings.push_back(FItem.Take());
    FInItem = false;
  } else if (FInItem) {
    FItem.End(AName);
  }
}

std::u16string DecodeXmlEscapes(std::u16string AText) {
  std::size_t at = AText.find(u"_x");
  if (at == std::u16string::npos) return AText;
  std::u16string out;
  std::size_t done = 0;
  for (; at != std::u16string::npos; at = AText.find(u"_x", at + 1)) {
    if (at < done || at + 7 > AText.size() || AText[at + 6] != u'_') continue;
    unsigned value = 0;
    bool hex = true;
    for (std::size_t i = at + 2; i < at + 6; ++i) {
      const char16_t c = AText[i];
      const int digit = c >= u'0' && c <= u'9' ? c - u'0'
                        : c >= u'A' && c <= u'F' ? c - u'A' + 10
                        : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                 : -1;
      if (digit < 0) hex = false;
      value = value * 16 + static_cast<unsigned>(digit < 0 ? 0 : digit);
    }
    if (!hex) continue;
    out.append(AText, done, at - done);
    out += static_cast<char16_t>(value);
    done = at + 7;
  }
  out.append(AText, done, std::u16string::npos);
  return out;
}
