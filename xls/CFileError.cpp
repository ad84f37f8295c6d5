#include "xls/CFileError.h"

namespace {

const char* MessageOf(TCFileErrorCode code) {
  switch (code) {
    case ECFILE_CREATE_DOCFILE: return "Can not create a file";
    case ECFILE_CREATE_STREAM: return "Can not create a stream";
    case ECFILE_CREATE_STORAGE: return "Can not create a storage";
    case ECFILE_OPEN_DOCFILE:
      return "Can not open a file (probably it is already opened or does not exist)";
    case ECFILE_OPEN_STREAM: return "Can not open a stream";
    case ECFILE_OPEN_STORAGE: return "Can not open a storage";
    case ECFILE_STREAM_SETPOSITION: return "Can not set stream position";
    case ECFILE_COMMIT_STORAGE: return "Can not commit a storage";
  }
  return "";
}

}  // namespace

ECFileError::ECFileError(TCFileErrorCode code) : Exception(MessageOf(code)), FErrorCode(code) {}
