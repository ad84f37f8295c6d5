#pragma once
// EXLSError: the spreadsheet code's failure, with a fixed English message per code.

#include <string>

#include "platform/exception.h"

enum TXLSErrorCode {
  EXLS_NOERROR = 0,
  EXLS_NOTENOUGHBUFFER = 1,
  EXLS_STREAMNOTFOUND = 2,
  EXLS_BADCELLVALUE = 3,
  EXLS_BADCELLPROPERTY = 4,
  EXLS_BADROWCOL = 5,
  EXLS_BADSHEETNAME = 6,
  EXLS_BADSHEETNAMELENGTH = 7,
  EXLS_BADFORMULA = 8,
  EXLS_BADFORMULAFUNCTION = 9,
  EXLS_FMLASTRINGTOOLONG = 10,
  EXLS_INVALIDNAME = 11,
  EXLS_NOSHEETS = 12,
  EXLS_UNKNOWNFORMULA = 13,
  EXLS_INVALIDLINKTABLE = 14,
  EXLS_INVALIDDRAWING = 15,
  EXLS_INVALIDHLINK = 16,
};

class EXLSError : public Exception {
 public:
  // The code's message; the codes whose message takes a text (2, 9, 11) get `AArgument` in it.
  explicit EXLSError(TXLSErrorCode ACode, const std::u16string& AArgument = u"");
  // The same message followed by one blank and `AExtra`.
  EXLSError(TXLSErrorCode ACode, const std::u16string& AArgument, const std::u16string& AExtra);

  TXLSErrorCode ErrorCode() const { return FErrorCode; }

 private:
  TXLSErrorCode FErrorCode;  // what failed
};
