#include "platform/text_lines.h"

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    lines.emplace_back(text.substr(start, end - start));
    if (end < text.size()) {
      if (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ++end;
      ++end;
    }
    start = end;
  }
  return lines;
}

std::u16string JoinLines(const std::vector<std::u16string>& lines, std::u16string_view separator) {
  std::u16string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += separator;
    text += lines[i];
  }
  return text;
}

std::u16string Trim(std::u16string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  return std::u16string(text.substr(begin, end - begin));
}
