#pragma once
// Text as a list of lines, the way a list of strings takes and gives its text, and trimming.

#include <string>
#include <string_view>
#include <vector>

// Splits at CR, LF or CR LF; a line break at the very end starts no further line.
std::vector<std::u16string> SplitLines(std::u16string_view text);
// The lines joined with `separator` between them.
std::u16string JoinLines(const std::vector<std::u16string>& lines, std::u16string_view separator);
// The text without the blanks and control characters (up to U+0020) at both ends.
std::u16string Trim(std::u16string_view text);
