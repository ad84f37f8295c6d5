#include "platform/internet_proxy.h"

#include <cstdlib>

#include "platform/http_message.h"
#include "platform/internet_client.h"
#include "platform/url.h"

namespace {

std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> parts;
  while (!text.empty()) {
    const size_t end = text.find_first_of(separators);
    if (end != 0) parts.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return parts;
}

// "user:pass@host:port", with or without "http://", into the config; false when unusable.
bool ParseProxyServer(std::string_view text, TProxyConfig* config) {
  std::string url(text);
  if (url.find("://") == std::string::npos) url = "http://" + url;
  URL_COMPONENTS parts;
  parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength = 1024;
  if (!InternetCrackUrl(url, 0, &parts) || parts.lpszHostName.empty()) return false;
  config->host = parts.lpszHostName;
  config->port = parts.nPort;
  config->user_name = parts.lpszUserName;
  config->password = parts.lpszPassword;
  return true;
}

const char* Environment(const char* lower, const char* upper) {
  const char* value = std::getenv(lower);
  if (value == nullptr || *value == '\0') value = std::getenv(upper);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// Matches `host` against a pattern with '*' standing for any run of characters.
bool Matches(std::string_view pattern, std::string_view host) {
  if (pattern.empty()) return host.empty();
  if (pattern.front() == '*') {
    for (size_t i = 0; i <= host.size(); ++i) {
      if (Matches(pattern.substr(1), host.substr(i))) return true;
    }
    return false;
  }
  return !host.empty() && SameHeaderName(pattern.substr(0, 1), host.substr(0, 1)) &&
         Matches(pattern.substr(1), host.substr(1));
}

bool IsLoopback(std::string_view host) {
  return SameHeaderName(host, "localhost") || host.substr(0, 4) == "127." || host == "::1" ||
         host == "[::1]";
}

}  // namespace

TProxyConfig MakeProxyConfig(DWORD access_type, std::string_view proxy,
                             std::string_view proxy_bypass) {
  TProxyConfig config;
  if (access_type == INTERNET_OPEN_TYPE_PROXY) {
    // Entries "scheme=server" apply to that scheme, bare entries to every scheme.
    for (std::string_view entry : Split(proxy, " ;")) {
      const size_t equals = entry.find('=');
      if (equals != std::string_view::npos) {
        if (!SameHeaderName(entry.substr(0, equals), "http")) continue;
        entry.remove_prefix(equals + 1);
      }
      if (ParseProxyServer(entry, &config)) break;
    }
    for (std::string_view entry : Split(proxy_bypass, " ;\t")) config.bypass.emplace_back(entry);
  } else if (access_type == INTERNET_OPEN_TYPE_PRECONFIG) {
    if (const char* server = Environment("http_proxy", "HTTP_PROXY")) ParseProxyServer(server, &config);
    if (const char* exceptions = Environment("no_proxy", "NO_PROXY")) {
      for (std::string_view entry : Split(exceptions, ", ")) {
        if (entry == "*") {
          config.bypass.emplace_back("*");
          continue;
        }
        if (entry.front() == '.') entry.remove_prefix(1);
        if (!entry.empty()) config.suffixes.emplace_back(entry);
      }
    }
  }
  return config;
}

bool UsesProxy(const TProxyConfig& config, std::string_view host) {
  if (config.host.empty() || IsLoopback(host)) return false;
  for (const std::string& pattern : config.bypass) {
    if (pattern == "<local>" ? host.find('.') == std::string_view::npos : Matches(pattern, host))
      return false;
  }
  for (const std::string& suffix : config.suffixes) {
    if (SameHeaderName(host, suffix)) return false;
    if (host.size() > suffix.size() && host[host.size() - suffix.size() - 1] == '.' &&
        SameHeaderName(host.substr(host.size() - suffix.size()), suffix))
      return false;
  }
  return true;
}
