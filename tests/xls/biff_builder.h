#pragma once
// Fixtures for the workbook reader: BIFF8 record data written field by field, records, whole
// workbook streams (globals with their sheet list, then one substream per sheet) and the
// compound document around them, opened through TXLSFile.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "xls/XLSFile.h"
#include "xls_test_files.h"

// Record data, built little-endian field by field: Data().W(row).W(col).D(1.5).
class Data {
 public:
  Data& B(unsigned v) {
    s_ += static_cast<char>(v & 0xFF);
    return *this;
  }
  Data& W(unsigned v) { return B(v).B(v >> 8); }
  Data& L(std::uint32_t v) { return W(v & 0xFFFF).W(v >> 16); }
  Data& D(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, 8);
    return L(static_cast<std::uint32_t>(bits)).L(static_cast<std::uint32_t>(bits >> 32));
  }
  Data& Raw(const std::string& bytes) {
    s_ += bytes;
    return *this;
  }
  Data& Zeros(std::size_t n) { return Raw(std::string(n, '\0')); }
  // Characters as UTF-16LE.
  Data& Wide(const std::u16string& text) {
    for (char16_t c : text) W(c);
    return *this;
  }
  operator std::string() const { return s_; }
  const std::string& str() const { return s_; }

 private:
  std::string s_;
};

inline std::string Rec(unsigned id, const std::string& data = "") {
  return Data().W(id).W(static_cast<unsigned>(data.size())).Raw(data);
}

inline std::string Bof() { return Rec(0x0809, Data().W(0x0600).W(0x0010).Zeros(12)); }
inline std::string Eof() { return Rec(0x000A); }

// An XF: font and format numbers, then the attributes the plain-XF rule looks at.
struct XfSpec {
  unsigned font = 0;
  unsigned format = 0;
  bool locked = true;
  bool wrap = false;
  unsigned indent = 0;
  unsigned borders = 0;  // four 4-bit line styles: left, right, top, bottom
  unsigned pattern = 0;
};
inline std::string XfRec(const XfSpec& x) {
  return Rec(0x00E0, Data()
                         .W(x.font)
                         .W(x.format)
                         .W(x.locked ? 1 : 0)
                         .W(x.wrap ? 0x28 : 0x20)
                         .W(x.indent)
                         .W(x.borders)
                         .W(0)
                         .L(static_cast<std::uint32_t>(x.pattern) << 26)
                         .W(0x20C0));
}
// A FONT record of 10 points; `bold` gives weight 700.
inline std::string FontRec(bool bold = false, const std::string& name = "Arial") {
  return Rec(0x0031, Data().W(200).W(0).W(0x7FFF).W(bold ? 700 : 400).W(0).B(0).B(0).B(0).B(0)
                         .B(static_cast<unsigned>(name.size())).B(0).Raw(name));
}
inline std::string FormatRec(unsigned number, const std::u16string& text) {
  return Rec(0x041E, Data().W(number).W(static_cast<unsigned>(text.size())).B(1).Wide(text));
}

// Cell records.
inline std::string NumberRec(unsigned row, unsigned col, unsigned xf, double v) {
  return Rec(0x0203, Data().W(row).W(col).W(xf).D(v));
}
inline std::string LabelRec(unsigned row, unsigned col, unsigned xf, const std::u16string& text) {
  return Rec(0x0204, Data().W(row).W(col).W(xf).W(static_cast<unsigned>(text.size())).B(1).Wide(text));
}
inline std::string BlankRec(unsigned row, unsigned col, unsigned xf) {
  return Rec(0x0201, Data().W(row).W(col).W(xf));
}
inline std::string BoolErrRec(unsigned row, unsigned col, unsigned xf, unsigned value, bool error) {
  return Rec(0x0205, Data().W(row).W(col).W(xf).B(value).B(error ? 1 : 0));
}
// A FORMULA with an 8-byte cached result and a one-token formula.
inline std::string FormulaRec(unsigned row, unsigned col, unsigned xf, const std::string& result) {
  return Rec(0x0006, Data().W(row).W(col).W(xf).Raw(result).W(0).L(0).W(3).B(0x1E).W(1));
}
// A cached result that is no number: kind 0 text, 1 Boolean, 2 error, 3 empty.
inline std::string SpecialResult(unsigned kind, unsigned value = 0) {
  return Data().B(kind).B(0).B(value).B(0).B(0).B(0).W(0xFFFF);
}

// A workbook stream: BOF, one BOUNDSHEET per sheet, `globals`, EOF, then each sheet's
// substream around its records.
inline std::string WorkbookStream(const std::string& globals,
                                  const std::vector<std::pair<std::u16string, std::string>>& sheets) {
  std::string out = Bof();
  for (const auto& [name, records] : sheets)
    out += Rec(0x0085, Data().L(0).B(0).B(0).B(static_cast<unsigned>(name.size())).B(1).Wide(name));
  out += globals + Eof();
  for (const auto& sheet : sheets) out += Bof() + sheet.second + Eof();
  return out;
}
// One sheet "Sheet1" with `records`, after `globals`.
inline std::string OneSheet(const std::string& records, const std::string& globals = "") {
  return WorkbookStream(globals, {{u"Sheet1", records}});
}

// Opens a workbook stream through its compound document.
inline void OpenWorkbook(TXLSFile& file, const std::string& stream, const std::u16string& password = u"") {
  std::istringstream in(BuildCompoundFile(9, {{u"Workbook", stream}}));
  file.OpenProtectedStream(&in, password);
}
