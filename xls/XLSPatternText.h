#pragma once
// Text pieces the format parser and the pattern engines share: words matched regardless of
// letter case, quoted literals (text between two single or two double quotes, written without
// the quotes; a quote that never closes runs to the end) and integers padded with zeros.

#include <charconv>
#include <string>
#include <string_view>

inline bool IsPatternQuote(char16_t c) { return c == u'\'' || c == u'"'; }

// True when `s` continues at `i` with `word` (lower-case ASCII), letter case ignored.
inline bool StartsWithWord(std::u16string_view s, size_t i, std::u16string_view word) {
  if (s.size() - i < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k) {
    const char16_t c = s[i + k];
    if ((c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c) != word[k]) return false;
  }
  return true;
}

// The position just past the quoted text that starts with the quote at `i`.
inline size_t SkipQuoted(std::u16string_view s, size_t i) {
  const size_t close = s.find(s[i], i + 1);
  return close == std::u16string_view::npos ? s.size() : close + 1;
}

// Appends the quoted text that starts with the quote at `i`, without its quotes; returns the
// position just past it.
inline size_t AppendQuoted(std::u16string& out, std::u16string_view s, size_t i) {
  const size_t close = s.find(s[i], i + 1);
  if (close == std::u16string_view::npos) {
    out.append(s.substr(i + 1));
    return s.size();
  }
  out.append(s.substr(i + 1, close - i - 1));
  return close + 1;
}

// Appends `value` in decimal with at least `min_digits` digits (zeros in front, after a minus).
inline void AppendPadded(std::u16string& out, long long value, int min_digits) {
  char text[24];
  const char* end = std::to_chars(text, text + sizeof text, value).ptr;
  const char* p = text;
  if (*p == '-') {
    out += u'-';
    ++p;
  }
  for (auto n = end - p; n < min_digits; ++n) out += u'0';
  for (; p < end; ++p) out += static_cast<char16_t>(*p);
}
