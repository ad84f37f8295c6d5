#include "platform/http_message.h"

#include "platform/internet_client.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool IsTokenChar(char c) {
  return c > ' ' && c < 127 && c != ':' && c != '(' && c != ')' && c != '<' && c != '>' &&
         c != '@' && c != ',' && c != ';' && c != '\\' && c != '"' && c != '/' && c != '[' &&
         c != ']' && c != '?' && c != '=' && c != '{' && c != '}';
}

// Splits "Name: value"; false for a line that is no header.
bool SplitHeaderLine(std::string_view line, THttpHeader* header) {
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  const std::string_view name = line.substr(0, colon);
  for (char c : name) {
    if (!IsTokenChar(c)) return false;
  }
  const std::string_view value = Trim(line.substr(colon + 1));
  for (char c : value) {
    if (c == '\r' || c == '\n' || c == '\0') return false;
  }
  header->name.assign(name);
  header->value.assign(value);
  return true;
}

// The lines of `text`, split at LF with a CR before it dropped.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

bool SameHeaderName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

const THttpHeader* FindHeader(const THttpHeaders& headers, std::string_view name,
                              size_t occurrence) {
  for (const THttpHeader& header : headers) {
    if (SameHeaderName(header.name, name) && occurrence-- == 0) return &header;
  }
  return nullptr;
}

DWORD ApplyHeaderLines(THttpHeaders* headers, std::string_view text, DWORD modifiers) {
  THttpHeaders lines;
  for (std::string_view line : Lines(text)) {
    if (Trim(line).empty()) continue;
    THttpHeader header;
    if (!SplitHeaderLine(line, &header)) return ERROR_HTTP_INVALID_HEADER;
    lines.push_back(std::move(header));
  }
  DWORD result = 0;
  for (THttpHeader& line : lines) {
    auto existing = headers->end();
    for (auto it = headers->begin(); it != headers->end(); ++it) {
      if (SameHeaderName(it->name, line.name)) {
        existing = it;
        break;
      }
    }
    if (modifiers & HTTP_ADDREQ_FLAG_REPLACE) {
      std::erase_if(*headers, [&](const THttpHeader& h) { return SameHeaderName(h.name, line.name); });
      if (!line.value.empty()) headers->push_back(std::move(line));
    } else if (existing != headers->end() && (modifiers & HTTP_ADDREQ_FLAG_ADD_IF_NEW)) {
      result = ERROR_HTTP_HEADER_ALREADY_EXISTS;
    } else if (existing != headers->end() &&
               (modifiers & (HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA |
                             HTTP_ADDREQ_FLAG_COALESCE_WITH_SEMICOLON))) {
      existing->value += (modifiers & HTTP_ADDREQ_FLAG_COALESCE_WITH_COMMA) ? ", " : "; ";
      existing->value += line.value;
    } else {
      headers->push_back(std::move(line));
    }
  }
  return result;
}

bool ParseResponseHead(std::string_view text, THttpResponseHead* head) {
  std::vector<std::string_view> lines = Lines(text);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty()) return false;
  // Status line: HTTP/x.y SP 3DIGIT [SP reason]
  const std::string_view status_line = lines.front();
  if (status_line.substr(0, 5) != "HTTP/") return false;
  const size_t space = status_line.find(' ');
  if (space == std::string_view::npos) return false;
  std::string_view rest = status_line.substr(space + 1);
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  if (rest.size() < 3) return false;
  DWORD status = 0;
  for (int i = 0; i < 3; ++i) {
    if (rest[i] < '0' || rest[i] > '9') return false;
    status = status * 10 + static_cast<DWORD>(rest[i] - '0');
  }
  if (rest.size() > 3 && rest[3] != ' ') return false;
  if (status < 100) return false;
  THttpResponseHead parsed;
  parsed.version.assign(status_line.substr(0, space));
  parsed.status = status;
  parsed.reason.assign(Trim(rest.substr(3)));
  parsed.raw.append(status_line).append("\r\n");
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (!line.empty() && (line.front() == ' ' || line.front() == '\t') && !parsed.headers.empty()) {
      parsed.headers.back().value += " ";  // a folded line continues the previous header
      parsed.headers.back().value += Trim(line);
    } else {
      THttpHeader header;
      if (!SplitHeaderLine(line, &header)) return false;
      parsed.headers.push_back(std::move(header));
    }
    parsed.raw.append(line).append("\r\n");
  }
  parsed.raw.append("\r\n");
  *head = std::move(parsed);
  return true;
}
