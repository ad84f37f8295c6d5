#include "xls/XLSError.h"

#include "platform/format.h"

namespace {

const char16_t* TemplateOf(TXLSErrorCode code) {
  switch (code) {
    case EXLS_NOERROR: return u"";
    case EXLS_NOTENOUGHBUFFER: return u"Buffer size is too small.";
    case EXLS_STREAMNOTFOUND: return u"Stream not found: %s. File format is not Excel 97 or higher.";
    case EXLS_BADCELLVALUE: return u"Invalid cell value or type.";
    case EXLS_BADCELLPROPERTY: return u"Invalid cell property value.";
    case EXLS_BADROWCOL: return u"Invalid row or column number.";
    case EXLS_BADSHEETNAME: return u"Invalid or duplicated sheet name.";
    case EXLS_BADSHEETNAMELENGTH: return u"Sheet name must have a length 1..255.";
    case EXLS_BADFORMULA: return u"Invalid formula.";
    case EXLS_BADFORMULAFUNCTION: return u"Invalid function in formula: %s.";
    case EXLS_FMLASTRINGTOOLONG: return u"String constants in formula must have a length 0..255.";
    case EXLS_INVALIDNAME: return u"Invalid range name: %s.";
    case EXLS_NOSHEETS: return u"There are no sheets in the workbook.";
    case EXLS_UNKNOWNFORMULA: return u"Formula not recognized.";
    case EXLS_INVALIDLINKTABLE: return u"Invalid data. Error in link table.";
    case EXLS_INVALIDDRAWING: return u"Invalid data. Error in drawing stream.";
    case EXLS_INVALIDHLINK: return u"Invalid data. Error in hyperlink.";
  }
  return u"";
}

std::u16string MessageOf(TXLSErrorCode code, const std::u16string& argument) {
  const bool takes_text =
      code == EXLS_STREAMNOTFOUND || code == EXLS_BADFORMULAFUNCTION || code == EXLS_INVALIDNAME;
  return takes_text ? Format(TemplateOf(code), {argument}) : std::u16string(TemplateOf(code));
}

}  // namespace

EXLSError::EXLSError(TXLSErrorCode ACode, const std::u16string& AArgument)
    : Exception(MessageOf(ACode, AArgument)), FErrorCode(ACode) {}

EXLSError::EXLSError(TXLSErrorCode ACode, const std::u16string& AArgument,
                     const std::u16string& AExtra)
    : Exception(MessageOf(ACode, AArgument) + u" " + AExtra), FErrorCode(ACode) {}
