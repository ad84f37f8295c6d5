#pragma once
// Workbook files as the change detection and the publishing see them: whether one exists and
// its modification date.

#include <string>

// Whether a regular file of that name exists (a directory does not count).
bool FileExists(const std::u16string& FileName);
// The date-time value of the last write of the file `FileName` (two-second resolution), or 0
// when no file of that name exists (a directory does not count). Raises EConvertError
// "Invalid argument to date encode" when the time cannot be expressed (before 1980, after 2107).
double GetFileDate(const std::u16string& FileName);
