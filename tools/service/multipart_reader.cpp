#include "tools/service/multipart_reader.h"

#include "platform/http_message.h"

namespace {

// Longest header block of one part; the agent's is about 100 bytes.
constexpr std::size_t kMaxPartHead = 8 * 1024;
// Longest blank padding after a boundary before its line ends.
constexpr std::size_t kMaxPadding = 64;
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kBlankLine = "\r\n\r\n";

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The field name a part's header block gives in its Content-Disposition, or empty.
std::string FieldName(std::string_view block) {
  while (!block.empty()) {
    const std::size_t end = block.find(kLineEnd);
    const std::string_view line = block.substr(0, end);
    block = end == std::string_view::npos ? std::string_view() : block.substr(end + 2);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos ||
        !SameHeaderName(TrimBlanks(line.substr(0, colon)), "Content-Disposition")) {
      continue;
    }
    const std::string_view value = TrimBlanks(line.substr(colon + 1));
    if (!SameHeaderName(TrimBlanks(value.substr(0, value.find(';'))), "form-data")) return {};
    return HeaderParameter(value, "name").value_or("");
  }
  return {};
}

}  // namespace

std::optional<std::string> HeaderParameter(std::string_view value, std::string_view name) {
  std::size_t at = value.find(';');
  while (at != std::string_view::npos && at < value.size()) {
    ++at;  // past the ";"
    const std::size_t equals = value.find('=', at);
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view key = TrimBlanks(value.substr(at, equals - at));
    std::size_t pos = equals + 1;
    while (pos < value.size() && (value[pos] == ' ' || value[pos] == '\t')) ++pos;
    std::string text;
    if (pos < value.size() && value[pos] == '"') {
      for (++pos; pos < value.size() && value[pos] != '"'; ++pos) {
        if (value[pos] == '\\' && pos + 1 < value.size()) ++pos;
        text += value[pos];
      }
      if (pos == value.size()) return std::nullopt;  // no closing quote
      at = value.find(';', pos);
    } else {
      at = value.find(';', pos);
      text = TrimBlanks(value.substr(pos, at == std::string_view::npos ? at : at - pos));
    }
    if (SameHeaderName(key, name)) return text;
  }
  return std::nullopt;
}

std::optional<std::string> FormDataBoundary(std::string_view content_type) {
  const std::string_view type = TrimBlanks(content_type.substr(0, content_type.find(';')));
  if (!SameHeaderName(type, "multipart/form-data")) return std::nullopt;
  std::optional<std::string> boundary = HeaderParameter(content_type, "boundary");
  if (!boundary || boundary->empty() || boundary->size() > 70) return std::nullopt;
  return boundary;
}

MultipartReader::MultipartReader(std::string_view boundary, THandlers handlers)
    : delimiter_("\r\n--" + std::string(boundary)), handlers_(std::move(handlers)),
      // The first boundary line may open the body: as if a line end came before it.
      pending_(kLineEnd) {}

bool MultipartReader::Feed(const char* data, std::size_t size) {
  if (state_ == State::Failed) return false;
  if (state_ == State::Finished) return true;
  pending_.append(data, size);
  while (Step()) {
  }
  return state_ != State::Failed;
}

void MultipartReader::PassOnAllButTail(bool emit) {
  const std::size_t keep = delimiter_.size() - 1;
  if (pending_.size() <= keep) return;
  const std::size_t count = pending_.size() - keep;
  if (emit) handlers_.data(pending_.data(), count);
  pending_.erase(0, count);
}

bool MultipartReader::Step() {
  switch (state_) {
    case State::Preamble:
    case State::PartData: {
      const bool emit = state_ == State::PartData;
      const std::size_t found = pending_.find(delimiter_);
      if (found == std::string::npos) {
        PassOnAllButTail(emit);
        return false;
      }
      if (emit && found > 0) handlers_.data(pending_.data(), found);
      pending_.erase(0, found + delimiter_.size());
      state_ = State::AfterBoundary;
      return true;
    }
    case State::AfterBoundary: {
      if (pending_.size() < 2) return false;
      if (pending_.starts_with("--")) {
        state_ = State::Finished;
        pending_.clear();
        return false;
      }
      // Blanks may follow the boundary before its line ends; the CR may have come already.
      const std::size_t end = pending_.find(kLineEnd);
      std::string_view padding = std::string_view(pending_).substr(0, end);
      if (end == std::string::npos && padding.ends_with('\r')) padding.remove_suffix(1);
      if (padding.size() > kMaxPadding || padding.find_first_not_of(" \t") != std::string_view::npos) {
        state_ = State::Failed;
        return false;
      }
      if (end == std::string::npos) return false;
      pending_.erase(0, end + kLineEnd.size());
      state_ = State::PartHeaders;
      return true;
    }
    case State::PartHeaders: {
      // The block ends at the first empty line, which may come at once.
      std::size_t end = pending_.starts_with(kLineEnd) ? 0 : pending_.find(kBlankLine);
      if (end == std::string::npos) {
        if (pending_.size() > kMaxPartHead) state_ = State::Failed;
        return false;
      }
      if (end > kMaxPartHead) {
        state_ = State::Failed;
        return false;
      }
      handlers_.part(FieldName(std::string_view(pending_).substr(0, end)));
      pending_.erase(0, end == 0 ? kLineEnd.size() : end + kBlankLine.size());
      state_ = State::PartData;
      return true;
    }
    case State::Finished:
    case State::Failed:
      return false;
  }
  return false;
}
