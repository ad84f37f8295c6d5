#include "tools/service/http_request.h"

#include <optional>
#include <vector>

namespace {

constexpr std::string_view kLineEnd = "\r\n";

THttpRefusal Malformed(std::string why) { return {400, std::move(why)}; }

// A character of a method or header name ("token").
bool IsNameChar(char c) {
  return c > ' ' && c < 127 && std::string_view("\"(),/:;<=>?@[\\]{}").find(c) == std::string_view::npos;
}

bool IsName(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (!IsNameChar(c)) return false;
  }
  return true;
}

// Visible ASCII and, inside a header value, blanks and tabs.
bool IsFieldText(std::string_view text, bool blanks) {
  for (const char c : text) {
    const bool visible = c > ' ' && c < 127;
    if (!visible && !(blanks && (c == ' ' || c == '\t'))) return false;
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "GET /path?query HTTP/1.1", single blanks between the three parts.
std::optional<THttpRefusal> ParseRequestLine(std::string_view line, THttpRequest& request) {
  const std::size_t first = line.find(' ');
  const std::size_t last = line.rfind(' ');
  if (first == std::string_view::npos || first == last) {
    return Malformed("Неверная строка запроса");
  }
  const std::string_view method = line.substr(0, first);
  const std::string_view target = line.substr(first + 1, last - first - 1);
  const std::string_view version = line.substr(last + 1);
  if (!IsName(method)) return Malformed("Неверный метод запроса");
  if (target.empty() || target[0] != '/' || !IsFieldText(target, false)) {
    return Malformed("Неверный адрес в строке запроса");
  }
  if (version != "HTTP/1.1" && version != "HTTP/1.0") {
    if (version.starts_with("HTTP/")) return THttpRefusal{505, "Поддерживается только HTTP/1.1"};
    return Malformed("Неверная версия протокола");
  }
  request.method = method;
  request.target = target;
  return std::nullopt;
}

// "Name: value" without folding; the value without surrounding blanks.
std::optional<THttpRefusal> ParseHeaderLine(std::string_view line, THttpHeaders& headers) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos || !IsName(line.substr(0, colon))) {
    return Malformed("Неверная строка заголовка");
  }
  const std::string_view value = TrimBlanks(line.substr(colon + 1));
  if (!IsFieldText(value, true)) return Malformed("Недопустимый символ в заголовке");
  headers.push_back({std::string(line.substr(0, colon)), std::string(value)});
  return std::nullopt;
}

// The headers that change how the body is read; anything but a plain length is refused.
std::optional<THttpRefusal> ReadBodyHeaders(THttpRequest& request, std::uint64_t max_body) {
  std::size_t lengths = 0;
  for (const THttpHeader& header : request.headers) {
    if (SameHeaderName(header.name, "Transfer-Encoding")) {
      return THttpRefusal{411, "Тело запроса принимается только с заголовком Content-Length"};
    }
    if (SameHeaderName(header.name, "Content-Encoding") && !SameHeaderName(header.value, "identity")) {
      return THttpRefusal{415, "Сжатое тело запроса не принимается"};
    }
    if (SameHeaderName(header.name, "Expect")) {
      if (!SameHeaderName(header.value, "100-continue")) {
        return THttpRefusal{417, "Неизвестное ожидание Expect: " + header.value};
      }
      request.expect_continue = true;
    }
    if (!SameHeaderName(header.name, "Content-Length")) continue;
    if (++lengths > 1) return Malformed("Заголовок Content-Length указан дважды");
    const std::string& text = header.value;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
      return Malformed("Неверная длина тела запроса Content-Length: " + text);
    }
    // Twenty digits may overflow; any number that long is too large anyway.
    const std::uint64_t length = text.size() > 19 ? max_body + 1 : std::stoull(text);
    if (length > max_body) {
      return THttpRefusal{413, "Запрос больше допустимых " + std::to_string(max_body) + " байт"};
    }
    request.content_length = length;
  }
  return std::nullopt;
}

}  // namespace

std::string_view THttpRequest::Path() const {
  return std::string_view(target).substr(0, target.find('?'));
}

std::string_view THttpRequest::Header(std::string_view name) const {
  const THttpHeader* header = FindHeader(headers, name);
  return header == nullptr ? std::string_view() : std::string_view(header->value);
}

std::variant<std::size_t, THttpRefusal> HeadScanner::Scan(std::string_view received) {
  for (; scanned_ < received.size(); ++scanned_) {
    if (received[scanned_] != '\n') continue;
    ++lines_;
    const std::size_t end = scanned_ + 1;
    const bool complete = end >= 4 && received.substr(end - 4, 4) == "\r\n\r\n";
    // Lines so far: the request line, the header lines and, once complete, the empty line.
    const std::size_t headers = lines_ - (complete ? 2 : 1);
    if (headers > limits_.max_headers || end > limits_.max_bytes) {
      return THttpRefusal{431, "Слишком много или слишком длинные заголовки запроса"};
    }
    if (complete) return end;
  }
  if (received.size() > limits_.max_bytes) {
    if (lines_ == 0) return THttpRefusal{414, "Слишком длинный адрес запроса"};
    return THttpRefusal{431, "Слишком много или слишком длинные заголовки запроса"};
  }
  return std::size_t{0};
}

std::variant<THttpRequest, THttpRefusal> ParseRequestHead(std::string_view head,
                                                          std::uint64_t max_body) {
  THttpRequest request;
  std::vector<std::string_view> lines;
  while (!head.empty()) {
    const std::size_t end = head.find(kLineEnd);
    if (end == std::string_view::npos) return Malformed("Заголовки запроса не завершены");
    const std::string_view line = head.substr(0, end);
    // A lone CR or LF inside a line could be read as a line end elsewhere.
    if (line.find_first_of("\r\n") != std::string_view::npos) {
      return Malformed("Строки запроса должны оканчиваться CR LF");
    }
    lines.push_back(line);
    head.remove_prefix(end + kLineEnd.size());
  }
  if (lines.size() < 2 || !lines.back().empty()) return Malformed("Заголовки запроса не завершены");
  lines.pop_back();
  if (auto refusal = ParseRequestLine(lines.front(), request)) return *refusal;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (auto refusal = ParseHeaderLine(lines[i], request.headers)) return *refusal;
  }
  if (auto refusal = ReadBodyHeaders(request, max_body)) return *refusal;
  return request;
}
