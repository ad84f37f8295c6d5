#pragma once
// TXmlReader: streaming XML through expat for the parts of a package. Elements and attributes
// are reported by local name (the prefix is dropped: the parts of a workbook use each name in
// one namespace only, and expanding every name to its namespace would cost a third of the
// reading), text in pieces. A document type
// declaration, and with it every entity declaration, is refused: the part fails at once, and
// nothing outside the part is ever read.

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

struct XML_ParserStruct;

// The attributes of one element: expat's name/value list.
class TXmlAttributes {
 public:
  explicit TXmlAttributes(const char** AList) : FList(AList) {}
  // The value of the attribute with local name `ALocalName`, or nullptr.
  const char* Find(std::string_view ALocalName) const;

 private:
  const char** FList;  // name, value, ..., nullptr
};

// What a reader of one part does with its elements; the handlers may throw.
class TXmlHandler {
 public:
  virtual ~TXmlHandler() = default;
  virtual void StartElement(std::string_view AName, const TXmlAttributes& AAttributes) = 0;
  virtual void EndElement(std::string_view AName) = 0;
  virtual void Text(std::string_view AText) = 0;
};

class TXmlReader {
 public:
  // `APartName` names the part in error messages.
  TXmlReader(TXmlHandler& AHandler, std::string APartName);
  ~TXmlReader();
  TXmlReader(const TXmlReader&) = delete;
  TXmlReader& operator=(const TXmlReader&) = delete;

  // Parses the next piece; `AFinal` for the end of the part. Raises Exception for malformed
  // XML or a document type declaration, and passes on what a handler raised.
  void Feed(const char* AData, std::size_t ASize, bool AFinal);

 private:
  static void OnStart(void* AUser, const char* AName, const char** AAttributes);
  static void OnEnd(void* AUser, const char* AName);
  static void OnText(void* AUser, const char* AText, int ALength);
  static void OnDoctype(void* AUser, const char*, const char*, const char*, int);
  // Runs a handler call; an exception it raises stops the parser and waits for Feed.
  template <typename Call>
  void Guard(Call ACall);

  XML_ParserStruct* FParser;       // the expat parser, owned
  TXmlHandler& FHandler;           // receives the elements
  std::string FPartName;           // for messages
  std::exception_ptr FError;       // raised by a handler, passed on by Feed
  bool FDoctype = false;           // a document type declaration was met
};

// The local part of a name ("prefix:local" or "local").
std::string_view XmlLocalName(const char* AName);
// "1", "true" and "on" are true; a missing value gives `ADefault`.
bool XmlBool(const char* AValue, bool ADefault);
