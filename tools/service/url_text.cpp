#include "tools/service/url_text.h"

namespace {

// A query key or value: "+" stands for a blank (the agent writes a "+" itself as "%2B").
std::optional<std::string> DecodeQueryText(std::string_view text) {
  std::string blanks(text);
  for (char& c : blanks) {
    if (c == '+') c = ' ';
  }
  return PercentDecode(blanks);
}

}  // namespace

std::optional<QueryPairs> ParseQuery(std::string_view query) {
  QueryPairs pairs;
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view piece = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    if (piece.empty()) continue;
    const std::size_t eq = piece.find('=');
    auto key = DecodeQueryText(piece.substr(0, eq));
    auto value = DecodeQueryText(eq == std::string_view::npos ? std::string_view() : piece.substr(eq + 1));
    if (!key || !value) return std::nullopt;
    pairs.emplace_back(std::move(*key), std::move(*value));
  }
  return pairs;
}

std::string_view QueryOfTarget(std::string_view target) {
  const std::size_t question = target.find('?');
  if (question == std::string_view::npos) return {};
  std::string_view query = target.substr(question + 1);
  return query.substr(0, query.find('#'));
}
