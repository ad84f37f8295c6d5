#pragma once
// ECFileError: the failure of every compound-document operation, with a fixed English message
// per code.

#include "platform/exception.h"

enum TCFileErrorCode {
  ECFILE_CREATE_DOCFILE = 0,
  ECFILE_CREATE_STREAM = 1,
  ECFILE_CREATE_STORAGE = 2,
  ECFILE_OPEN_DOCFILE = 3,
  ECFILE_OPEN_STREAM = 4,
  ECFILE_OPEN_STORAGE = 5,
  ECFILE_STREAM_SETPOSITION = 6,
  ECFILE_COMMIT_STORAGE = 7,
};

class ECFileError : public Exception {
 public:
  // The message is the code's text ("Can not open a stream" ...).
  explicit ECFileError(TCFileErrorCode code);

  TCFileErrorCode ErrorCode() const { return FErrorCode; }

 private:
  TCFileErrorCode FErrorCode;  // what failed
};
