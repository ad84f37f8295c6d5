#include "xls/XLSStringData.h"

namespace {

constexpr std::string_view kMark("\xFF\x00\xFF\x63", 4);

std::string Opening(char tag) { return std::string(kMark) + tag + std::string(kMark); }

}  // namespace

std::string GetStringDataField(std::string_view AData, char ATag) {
  const std::string opening = Opening(ATag);
  const std::size_t start = AData.find(opening);
  if (start == std::string_view::npos) return {};
  const std::size_t value = start + opening.size();
  const std::size_t end = AData.find(kMark, value);
  if (end == std::string_view::npos) return {};
  return std::string(AData.substr(value, end - value));
}

void SetStringDataField(std::string& AData, char ATag, std::string_view AValue) {
  const std::string opening = Opening(ATag);
  std::size_t start = AData.find(opening);
  std::size_t after = AData.size();  // end of the old field (after its closing MARK)
  if (start != std::string::npos) {
    const std::size_t end = AData.find(kMark, start + opening.size());
    if (end != std::string::npos) after = end + kMark.size();
  } else {
    start = AData.size();
  }
  const std::string field =
      AValue.empty() ? std::string() : opening + std::string(AValue) + std::string(kMark);
  AData.replace(start, after - start, field);
}
