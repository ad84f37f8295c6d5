#include "app/file_date.h"

#include "platform/file_time.h"
#include "platform/utf.h"

bool FileExists(const std::u16string& FileName) {
  return FileLastWriteTime(Utf16ToUtf8(FileName)).has_value();
}

double GetFileDate(const std::u16string& FileName) {
  const std::optional<std::time_t> written = FileLastWriteTime(Utf16ToUtf8(FileName));
  if (!written) return 0;
  return PackedFatToDateTime(TimeToPackedFat(*written));
}
