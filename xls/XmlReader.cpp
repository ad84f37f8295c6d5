#include "xls/XmlReader.h"

#include <expat.h>

#include <cstring>
#include <limits>

#include "platform/exception.h"

namespace {

constexpr char kPrefixSeparator = ':';

}  // namespace

std::string_view XmlLocalName(const char* AName) {
  const char* separator = std::strrchr(AName, kPrefixSeparator);
  return separator ? std::string_view(separator + 1) : std::string_view(AName);
}

bool XmlBool(const char* AValue, bool ADefault) {
  if (!AValue) return ADefault;
  const std::string_view value(AValue);
  return value == "1" || value == "true" || value == "on";
}

const char* TXmlAttributes::Find(std::string_view ALocalName) const {
  for (const char** at = FList; at && *at; at += 2)
    if (XmlLocalName(at[0]) == ALocalName) return at[1];
  return nullptr;
}

TXmlReader::TXmlReader(TXmlHandler& AHandler, std::string APartName)
    : FParser(XML_ParserCreate(nullptr)),
      FHandler(AHandler),
      FPartName(std::move(APartName)) {
  if (!FParser) throw Exception("Out of memory while reading " + FPartName);
  XML_SetUserData(FParser, this);
  XML_SetElementHandler(FParser, &OnStart, &OnEnd);
  XML_SetCharacterDataHandler(FParser, &OnText);
  XML_SetStartDoctypeDeclHandler(FParser, &OnDoctype);
  XML_SetParamEntityParsing(FParser, XML_PARAM_ENTITY_PARSING_NEVER);
}

TXmlReader::~TXmlReader() { XML_ParserFree(FParser); }

template <typename Call>
void TXmlReader::Guard(Call ACall) {
  if (FError || FDoctype) return;
  try {
    ACall();
  } catch (...) {
    FError = std::current_exception();
    XML_StopParser(FParser, XML_FALSE);
  }
}

void TXmlReader::OnStart(void* AUser, const char* AName, const char** AAttributes) {
  auto* self = static_cast<TXmlReader*>(AUser);
  self->Guard([&] { self->FHandler.StartElement(XmlLocalName(AName), TXmlAttributes(AAttributes)); });
}

void TXmlReader::OnEnd(void* AUser, const char* AName) {
  auto* self = static_cast<TXmlReader*>(AUser);
  self->Guard([&] { self->FHandler.EndElement(XmlLocalName(AName)); });
}

void TXmlReader::OnText(void* AUser, const char* AText, int ALength) {
  auto* self = static_cast<TXmlReader*>(AUser);
  self->Guard([&] { self->FHandler.Text(std::string_view(AText, static_cast<std::size_t>(ALength))); });
}

void TXmlReader::OnDoctype(void* AUser, const char*, const char*, const char*, int) {
  auto* self = static_cast<TXmlReader*>(AUser);
  self->FDoctype = true;
  XML_StopParser(self->FParser, XML_FALSE);
}

void TXmlReader::Feed(const char* AData, std::size_t ASize, bool AFinal) {
  while (true) {
    const int piece = static_cast<int>(std::min<std::size_t>(ASize, std::numeric_limits<int>::max() / 2));
    const bool last = AFinal && static_cast<std::size_t>(piece) == ASize;
    const XML_Status status = XML_Parse(FParser, AData, piece, last ? XML_TRUE : XML_FALSE);
    if (FError) std::rethrow_exception(FError);
    if (FDoctype) {
      throw Exception("Error: the part " + FPartName +
                      " holds a document type declaration; declarations and entities are refused.");
    }
    if (status != XML_STATUS_OK) {
      throw Exception("Error: the part " + FPartName + " is no well-formed XML (" +
                      XML_ErrorString(XML_GetErrorCode(FParser)) + " at line " +
                      std::to_string(XML_GetCurrentLineNumber(FParser)) + ").");
    }
    AData += piece;
    ASize -= static_cast<std::size_t>(piece);
    if (ASize == 0) return;
  }
}
