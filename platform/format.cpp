#include "platform/format.h"

#include <vector>

#include "platform/exception.h"

namespace {

std::u16string Digits(std::uint64_t v, unsigned base) {
  std::u16string out;
  do {
    const unsigned d = static_cast<unsigned>(v % base);
    out.insert(out.begin(), static_cast<char16_t>(d < 10 ? u'0' + d : u'A' + d - 10));
    v /= base;
  } while (v != 0);
  return out;
}

}  // namespace

std::u16string Format(std::u16string_view format, std::initializer_list<FormatArg> args) {
  const std::vector<FormatArg> list(args);
  auto invalid = [&]() {
    return EConvertError(u"Format '" + std::u16string(format) +
                         u"' invalid or incompatible with argument");
  };
  std::u16string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != u'%') {
      out += format[i];
      continue;
    }
    if (++i >= format.size()) throw invalid();
    if (format[i] == u'%') {
      out += u'%';
      continue;
    }
    bool left = false;
    if (format[i] == u'-') left = true, ++i;
    size_t width = 0;
    int precision = -1;
    while (i < format.size() && format[i] >= u'0' && format[i] <= u'9')
      width = width * 10 + (format[i++] - u'0');
    if (i < format.size() && format[i] == u'.') {
      precision = 0;
      while (++i < format.size() && format[i] >= u'0' && format[i] <= u'9')
        precision = precision * 10 + (format[i] - u'0');
    }
    if (i >= format.size() || next >= list.size()) throw invalid();
    const FormatArg& arg = list[next++];
    std::u16string field;
    const char16_t kind = format[i];
    if (kind == u'd' || kind == u'u' || kind == u'x') {
      const auto* v = std::get_if<std::int64_t>(&arg.value);
      if (v == nullptr) throw invalid();
      const bool negative = kind == u'd' && *v < 0;
      std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(*v)
                                         : static_cast<std::uint64_t>(*v);
      if (kind == u'u') magnitude = static_cast<std::uint32_t>(*v);
      field = Digits(magnitude, kind == u'x' ? 16 : 10);
      if (precision > 0 && field.size() < static_cast<size_t>(precision))
        field.insert(0, precision - field.size(), u'0');
      if (negative) field.insert(field.begin(), u'-');
    } else if (kind == u's') {
      const auto* v = std::get_if<std::u16string>(&arg.value);
      if (v == nullptr) throw invalid();
      field = precision >= 0 ? v->substr(0, precision) : *v;
    } else {
      throw invalid();
    }
    if (field.size() < width) {
      if (left) {
        field.append(width - field.size(), u' ');
      } else {
        field.insert(0, width - field.size(), u' ');
      }
    }
    out += field;
  }
  return out;
}
