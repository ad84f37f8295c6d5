#include "platform/utf.h"

#include <algorithm>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Writes the UTF-8 bytes of `c` at `p`; returns the position after them.
char* PutUtf8(char* p, char32_t c) {
  if (c < 0x80) {
    *p++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *p++ = static_cast<char>(0xC0 | (c >> 6));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (c >> 12));
    *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (c >> 18));
    *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return p;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (c >> 10));
    out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  size_t i = 0;
  while (i < in.size()) {
    const unsigned char b = static_cast<unsigned char>(in[i]);
    int extra;
    char32_t c;
    char32_t min;
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3, c = b & 0x07, min = 0x10000;
    } else {
      out += static_cast<char16_t>(kReplacement);
      ++i;
      continue;
    }
    size_t j = i + 1;
    for (; j < in.size() && j <= i + extra; ++j) {
      const unsigned char t = static_cast<unsigned char>(in[j]);
      if ((t & 0xC0) != 0x80) break;
      c = (c << 6) | (t & 0x3F);
    }
    if (j != i + 1 + extra || c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out += static_cast<char16_t>(kReplacement);
      i = j > i + 1 ? j : i + 1;
      continue;
    }
    AppendUtf16(out, c);
    i = j;
  }
  return out;
}

char* WriteUtf16AsUtf8(char* out, std::u16string_view in) {
  char* p = out;
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c < 0x80) {
      *p++ = static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    p = PutUtf8(p, c);
  }
  return p;
}

void AppendUtf16AsUtf8(std::string& out, std::u16string_view in) {
  // Written in a stack buffer piece by piece (a pair of units is never split), so that the
  // string is not first filled with zeros it does not need.
  char buffer[768];
  while (!in.empty()) {
    std::size_t take = std::min<std::size_t>(in.size(), sizeof buffer / 3);
    if (take < in.size() && in[take - 1] >= 0xD800 && in[take - 1] <= 0xDBFF) --take;
    out.append(buffer, WriteUtf16AsUtf8(buffer, in.substr(0, take)));
    in.remove_prefix(take);
  }
}

std::string Utf16ToUtf8(std::u16string_view in) {
  std::string out;
  AppendUtf16AsUtf8(out, in);
  return out;
}
