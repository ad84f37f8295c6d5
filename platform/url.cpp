#include "platform/url.h"

#include <cstring>

#include "platform/internet_client.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

// Stores one part when it is wanted; false when it does not fit its capacity.
bool Store(std::string_view value, std::string* target, DWORD* capacity) {
  if (*capacity == 0) return true;
  if (value.size() + 1 > *capacity) return false;
  target->assign(value);
  *capacity = static_cast<DWORD>(value.size());
  return true;
}

// The port text of an authority: digits only, 1 to 65535.
bool ParsePort(std::string_view text, INTERNET_PORT* port) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return false;
  *port = static_cast<INTERNET_PORT>(value);
  return true;
}

}  // namespace

INTERNET_SCHEME SchemeFromName(std::string_view name) {
  static constexpr std::pair<const char*, INTERNET_SCHEME> kSchemes[] = {
      {"ftp", INTERNET_SCHEME_FTP},       {"gopher", INTERNET_SCHEME_GOPHER},
      {"http", INTERNET_SCHEME_HTTP},     {"https", INTERNET_SCHEME_HTTPS},
      {"file", INTERNET_SCHEME_FILE},     {"news", INTERNET_SCHEME_NEWS},
      {"mailto", INTERNET_SCHEME_MAILTO},
  };
  for (const auto& [text, scheme] : kSchemes) {
    if (name.size() != std::strlen(text)) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) same = Lower(name[i]) == text[i];
    if (same) return scheme;
  }
  return INTERNET_SCHEME_UNKNOWN;
}

INTERNET_PORT DefaultPortOfScheme(INTERNET_SCHEME scheme) {
  switch (scheme) {
    case INTERNET_SCHEME_HTTP: return INTERNET_DEFAULT_HTTP_PORT;
    case INTERNET_SCHEME_HTTPS: return INTERNET_DEFAULT_HTTPS_PORT;
    case INTERNET_SCHEME_FTP: return INTERNET_DEFAULT_FTP_PORT;
    case INTERNET_SCHEME_GOPHER: return INTERNET_DEFAULT_GOPHER_PORT;
    default: return INTERNET_INVALID_PORT_NUMBER;
  }
}

bool InternetCrackUrl(std::string_view url, DWORD /*flags*/, URL_COMPONENTS* components) {
  if (components == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const size_t colon = url.find(':');
  if (colon == std::string_view::npos || colon == 0) return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
  const std::string_view scheme_name = url.substr(0, colon);
  const INTERNET_SCHEME scheme = SchemeFromName(scheme_name);
  if (scheme == INTERNET_SCHEME_UNKNOWN) return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);

  std::string_view rest = url.substr(colon + 1);
  std::string_view user, password, host, path, extra;
  INTERNET_PORT port = DefaultPortOfScheme(scheme);
  const bool hierarchical = rest.substr(0, 2) == "//";
  if (hierarchical) {
    rest.remove_prefix(2);
    const size_t end = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
      const std::string_view credentials = authority.substr(0, at);
      authority.remove_prefix(at + 1);
      const size_t separator = credentials.find(':');
      user = credentials.substr(0, separator);
      if (separator != std::string_view::npos) password = credentials.substr(separator + 1);
    }
    size_t port_colon = authority.rfind(':');
    if (!authority.empty() && authority.front() == '[') {  // [IPv6 address]
      const size_t close = authority.find(']');
      if (close == std::string_view::npos) return Fail(ERROR_INTERNET_INVALID_URL);
      port_colon = close + 1 < authority.size() ? close + 1 : std::string_view::npos;
      if (port_colon != std::string_view::npos && authority[port_colon] != ':')
        return Fail(ERROR_INTERNET_INVALID_URL);
    }
    host = authority.substr(0, port_colon);
    if (port_colon != std::string_view::npos &&
        !ParsePort(authority.substr(port_colon + 1), &port))
      return Fail(ERROR_INTERNET_INVALID_URL);
    if (host.empty() && scheme != INTERNET_SCHEME_FILE) return Fail(ERROR_INTERNET_INVALID_URL);
    for (char c : host) {
      if (static_cast<unsigned char>(c) <= ' ') return Fail(ERROR_INTERNET_INVALID_URL);
    }
  }
  const size_t extra_start = rest.find_first_of("?#");
  path = rest.substr(0, extra_start);
  if (extra_start != std::string_view::npos) extra = rest.substr(extra_start);

  URL_COMPONENTS& c = *components;
  if (!Store(scheme_name, &c.lpszScheme, &c.dwSchemeLength) ||
      !Store(host, &c.lpszHostName, &c.dwHostNameLength) ||
      !Store(user, &c.lpszUserName, &c.dwUserNameLength) ||
      !Store(password, &c.lpszPassword, &c.dwPasswordLength) ||
      !Store(path, &c.lpszUrlPath, &c.dwUrlPathLength) ||
      !Store(extra, &c.lpszExtraInfo, &c.dwExtraInfoLength))
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  c.nScheme = scheme;
  c.nPort = port;
  SetLastError(ERROR_SUCCESS);
  return true;
}

bool InternetCreateUrl(const URL_COMPONENTS* components, DWORD /*flags*/, char* url,
                       DWORD* url_length) {
  if (components == nullptr || url_length == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const URL_COMPONENTS& c = *components;
  INTERNET_SCHEME scheme = c.nScheme;
  std::string text = c.lpszScheme;
  if (text.empty()) {
    static constexpr const char* kNames[] = {"http", "ftp", "gopher", "http", "https",
                                             "file", "news", "mailto"};
    if (scheme < INTERNET_SCHEME_DEFAULT || scheme > INTERNET_SCHEME_MAILTO)
      return Fail(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    text = kNames[scheme];
    if (scheme == INTERNET_SCHEME_DEFAULT) scheme = INTERNET_SCHEME_HTTP;
  } else if (scheme <= INTERNET_SCHEME_DEFAULT) {
    scheme = SchemeFromName(text);
  }
  const bool hierarchical = scheme != INTERNET_SCHEME_MAILTO && scheme != INTERNET_SCHEME_NEWS;
  text += hierarchical ? "://" : ":";
  if (!c.lpszUserName.empty()) {
    text += c.lpszUserName;
    if (!c.lpszPassword.empty()) text += ":" + c.lpszPassword;
    text += "@";
  }
  text += c.lpszHostName;
  if (c.nPort != 0 && c.nPort != DefaultPortOfScheme(scheme)) text += ":" + std::to_string(c.nPort);
  if (hierarchical && !c.lpszUrlPath.empty() && c.lpszUrlPath.front() != '/' &&
      !c.lpszHostName.empty())
    text += "/";
  text += c.lpszUrlPath;
  text += c.lpszExtraInfo;
  if (url == nullptr || *url_length < text.size() + 1) {
    *url_length = static_cast<DWORD>(text.size() + 1);
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(url, text.c_str(), text.size() + 1);
  *url_length = static_cast<DWORD>(text.size());
  SetLastError(ERROR_SUCCESS);
  return true;
}
