#pragma once
// The header fields of an HTTP request. Every field is text; an empty text means the field is
// absent. A change of a field fires OnChanged at once, or once at the EndUpdate that closes the
// outermost BeginUpdate when fields changed inside the bracket.

#include <functional>
#include <string>
#include <vector>

// Declares a text field `F<Name>` with the getter `<Name>()` and the setter `Set<Name>()`,
// which stores and notifies only when the value differs.
#define CL_HEADER_FIELD(Name)                                                      \
 public:                                                                           \
  const std::u16string& Name() const { return F##Name; }                           \
  void Set##Name(const std::u16string& value) { SetField(F##Name, value); }        \
                                                                                   \
 private:                                                                          \
  std::u16string F##Name;

// The fields that describe the entity (the body), and whole extra header lines.
class TclHttpEntityHeader {
 public:
  TclHttpEntityHeader() = default;
  TclHttpEntityHeader(const TclHttpEntityHeader&) = delete;
  TclHttpEntityHeader& operator=(const TclHttpEntityHeader&) = delete;
  virtual ~TclHttpEntityHeader() = default;

  void BeginUpdate() { ++FUpdateCount; }
  // Closes a bracket; the outermost one fires OnChanged when a field changed inside it.
  void EndUpdate();
  // Empties every field in one bracket.
  virtual void Clear();

  // The header as lines: each non-empty field as "Name: value" in the fixed order (a value with
  // line breaks folded onto continuation lines that begin with a tab), then ExtraFields.
  std::vector<std::u16string> HeaderLines() const;

  const std::vector<std::u16string>& ExtraFields() const { return FExtraFields; }
  void SetExtraFields(const std::vector<std::u16string>& lines);

  std::function<void(TclHttpEntityHeader* sender)> OnChanged;  // a field changed

  CL_HEADER_FIELD(Boundary)
  CL_HEADER_FIELD(CharSet)
  CL_HEADER_FIELD(CacheControl)
  CL_HEADER_FIELD(Connection)
  CL_HEADER_FIELD(ContentEncoding)
  CL_HEADER_FIELD(ContentLanguage)
  CL_HEADER_FIELD(ContentLength)
  CL_HEADER_FIELD(ContentType)
  CL_HEADER_FIELD(ContentVersion)
  CL_HEADER_FIELD(Date)
  CL_HEADER_FIELD(Expires)
  CL_HEADER_FIELD(LastModified)
  CL_HEADER_FIELD(ProxyConnection)
  CL_HEADER_FIELD(TransferEncoding)

 protected:
  // Stores a changed value and notifies.
  void SetField(std::u16string& field, const std::u16string& value);
  // Appends "name: value" for a non-empty value, folded and split into lines.
  static void AddField(std::vector<std::u16string>& lines, const char16_t* name,
                       const std::u16string& value);
  // Appends the lines of the non-empty fields in their order; derived headers put theirs first.
  virtual void WriteFields(std::vector<std::u16string>& lines) const;

 private:
  void Changed();

  std::vector<std::u16string> FExtraFields;  // whole header lines, written after the fields
  int FUpdateCount = 0;                      // nesting depth of BeginUpdate
  bool FChanged = false;                     // a field changed inside the open bracket
};

// The request's own fields in front of the entity fields. A new header, and a cleared one,
// holds only Accept "*/*".
class TclHttpRequestHeader : public TclHttpEntityHeader {
 public:
  TclHttpRequestHeader();

  // Empties every field and sets Accept to "*/*", in one bracket.
  void Clear() override;

  CL_HEADER_FIELD(Accept)
  CL_HEADER_FIELD(AcceptCharSet)
  CL_HEADER_FIELD(AcceptEncoding)
  CL_HEADER_FIELD(AcceptLanguage)
  CL_HEADER_FIELD(Authorization)
  CL_HEADER_FIELD(Host)
  CL_HEADER_FIELD(ProxyAuthorization)
  CL_HEADER_FIELD(Range)
  CL_HEADER_FIELD(Referer)
  CL_HEADER_FIELD(UserAgent)

 protected:
  void WriteFields(std::vector<std::u16string>& lines) const override;
};

#undef CL_HEADER_FIELD
