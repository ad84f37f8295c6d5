#pragma once
// File modification times as the agent compares them: the last-write time in local time,
// packed into the FAT file system's 32-bit date and time (two-second resolution, years 1980 to
// 2107), and that packed value as a date-time value.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// The last-write time of the regular file at `path` (UTF-8), or nothing when there is no
// regular file of that name (a directory does not count).
std::optional<std::time_t> FileLastWriteTime(const std::string& path);

// A local broken-down time packed as FAT date and time: bits 31-25 year - 1980, 24-21 month,
// 20-16 day, 15-11 hours, 10-5 minutes, 4-0 seconds / 2; -1 when the year lies outside 1980 to
// 2107.
std::int32_t LocalTimeToPackedFat(const std::tm& local);
// A moment converted to local time and packed; -1 when it cannot be expressed.
std::int32_t TimeToPackedFat(std::time_t moment);
// The packed FAT date and time of a file's last write, or -1 when the file is missing or its
// time cannot be expressed.
std::int32_t FileAgePacked(const std::string& path);

// The date-time value of a packed FAT date and time; raises EConvertError "Invalid argument to
// date encode" (or "... time encode") when the fields do not form a valid date (as -1 does not).
double PackedFatToDateTime(std::int32_t packed);
