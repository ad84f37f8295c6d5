#pragma once
// Which proxy a root handle of the internet client sends its HTTP requests through.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/last_error.h"

struct TProxyConfig {
  std::string host;                   // empty: direct
  std::uint16_t port = 80;
  std::string user_name, password;    // from the proxy URL, for Proxy-Authorization
  std::vector<std::string> bypass;    // host patterns reached directly: "*.lan", "<local>"
  std::vector<std::string> suffixes;  // no_proxy domains: "example.com" matches its subdomains
};

// INTERNET_OPEN_TYPE_PROXY: `proxy` as InternetOpen takes it, the HTTP entry of it chosen.
// INTERNET_OPEN_TYPE_PRECONFIG: http_proxy / HTTP_PROXY and no_proxy / NO_PROXY.
// Anything else: direct.
TProxyConfig MakeProxyConfig(DWORD access_type, std::string_view proxy,
                             std::string_view proxy_bypass);
// True when requests to `host` go through the proxy. Loopback hosts never do.
bool UsesProxy(const TProxyConfig& config, std::string_view host);
