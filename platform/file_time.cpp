#include "platform/file_time.h"

#include <sys/stat.h>

#include "platform/date_time.h"

std::optional<std::time_t> FileLastWriteTime(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return st.st_mtim.tv_sec;
}

std::int32_t LocalTimeToPackedFat(const std::tm& local) {
  const int year = local.tm_year + 1900;
  if (year < 1980 || year > 2107) return -1;
  const std::uint32_t packed = static_cast<std::uint32_t>(year - 1980) << 25 |
                               static_cast<std::uint32_t>(local.tm_mon + 1) << 21 |
                               static_cast<std::uint32_t>(local.tm_mday) << 16 |
                               static_cast<std::uint32_t>(local.tm_hour) << 11 |
                               static_cast<std::uint32_t>(local.tm_min) << 5 |
                               static_cast<std::uint32_t>(local.tm_sec / 2);
  return static_cast<std::int32_t>(packed);
}

std::int32_t TimeToPackedFat(std::time_t moment) {
  std::tm local;
  if (localtime_r(&moment, &local) == nullptr) return -1;
  return LocalTimeToPackedFat(local);
}

std::int32_t FileAgePacked(const std::string& path) {
  const std::optional<std::time_t> written = FileLastWriteTime(path);
  return written ? TimeToPackedFat(*written) : -1;
}

double PackedFatToDateTime(std::int32_t packed) {
  const std::uint32_t p = static_cast<std::uint32_t>(packed);
  const double date = EncodeDate(static_cast<int>(p >> 25) + 1980, (p >> 21) & 0xF, (p >> 16) & 0x1F);
  return date + EncodeTime((p >> 11) & 0x1F, (p >> 5) & 0x3F, (p & 0x1F) * 2, 0);
}
