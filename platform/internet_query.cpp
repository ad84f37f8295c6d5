#include "platform/internet_client.h"

#include <algorithm>
#include <cstring>

#include "platform/internet_handles.h"

using namespace internet;

namespace {

struct LastResponse {
  DWORD error = 0;
  std::string text;
};
thread_local LastResponse last_response;

const char* HeaderNameOfLevel(DWORD level) {
  switch (level) {
    case HTTP_QUERY_CONTENT_TYPE: return "Content-Type";
    case HTTP_QUERY_CONTENT_LENGTH: return "Content-Length";
    case 6: return "Content-Language";
    case 9: return "Date";
    case 10: return "Expires";
    case 11: return "Last-Modified";
    case 17: return "Pragma";
    case 23: return "Connection";
    case HTTP_QUERY_LOCATION: return "Location";
    case 37: return "Server";
    case 43: return "Set-Cookie";
    case 47: return "Content-Disposition";
    case HTTP_QUERY_TRANSFER_ENCODING: return "Transfer-Encoding";
    default: return nullptr;
  }
}

bool TimeoutOption(DWORD option) {
  return option == INTERNET_OPTION_CONNECT_TIMEOUT || option == INTERNET_OPTION_SEND_TIMEOUT ||
         option == INTERNET_OPTION_RECEIVE_TIMEOUT || option == INTERNET_OPTION_DATA_SEND_TIMEOUT ||
         option == INTERNET_OPTION_DATA_RECEIVE_TIMEOUT;
}

int* TimeoutField(THttpTimeouts& timeouts, DWORD option) {
  if (option == INTERNET_OPTION_CONNECT_TIMEOUT) return &timeouts.connect_ms;
  if (option == INTERNET_OPTION_SEND_TIMEOUT || option == INTERNET_OPTION_DATA_SEND_TIMEOUT)
    return &timeouts.send_ms;
  return &timeouts.receive_ms;
}

std::string* TextOption(Node& node, DWORD option) {
  switch (option) {
    case INTERNET_OPTION_USERNAME: return &node.user_name;
    case INTERNET_OPTION_PASSWORD: return &node.password;
    case INTERNET_OPTION_PROXY_USERNAME: return &node.proxy_user;
    case INTERNET_OPTION_PROXY_PASSWORD: return &node.proxy_password;
    case INTERNET_OPTION_USER_AGENT: return &node.agent;
    default: return nullptr;
  }
}

bool ReadDword(const void* buffer, DWORD length, DWORD* value) {
  if (buffer == nullptr || length < sizeof(DWORD)) return Fail(ERROR_INTERNET_BAD_OPTION_LENGTH);
  std::memcpy(value, buffer, sizeof(DWORD));
  return true;
}

}  // namespace

bool HttpQueryInfo(HINTERNET request, DWORD info_level, void* buffer, DWORD* buffer_length,
                   DWORD* index) {
  std::shared_ptr<Node> node = Find(request, {Kind::kRequest});
  if (node == nullptr) return false;
  std::lock_guard guard(node->lock);
  const DWORD level = info_level & 0xFFFF;
  const bool number = (info_level & HTTP_QUERY_FLAG_NUMBER) != 0;
  const bool of_request = (info_level & HTTP_QUERY_FLAG_REQUEST_HEADERS) != 0;
  if (!of_request && node->phase != Phase::kResponse)
    return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  const THttpResponseHead* head = of_request ? nullptr : &node->exchange->Head();
  std::string value;
  switch (level) {
    case HTTP_QUERY_STATUS_CODE:
      if (of_request) return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
      if (number) return CopyNumber(head->status, buffer, buffer_length);
      return CopyOut(std::to_string(head->status), buffer, buffer_length);
    case HTTP_QUERY_STATUS_TEXT:
      if (of_request) return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
      return CopyOut(head->reason, buffer, buffer_length);
    case HTTP_QUERY_VERSION:
      return CopyOut(of_request ? node->version : head->version, buffer, buffer_length);
    case HTTP_QUERY_RAW_HEADERS_CRLF:
      return CopyOut(of_request ? node->sent_head : head->raw, buffer, buffer_length);
    case HTTP_QUERY_RAW_HEADERS: {
      std::string_view raw = of_request ? node->sent_head : head->raw;
      for (size_t start = 0; start < raw.size();) {
        const size_t end = raw.find("\r\n", start);
        if (end == std::string_view::npos || end == start) break;
        value.append(raw.substr(start, end - start)).push_back('\0');
        start = end + 2;
      }
      value.push_back('\0');
      if (buffer_length == nullptr) return Fail(ERROR_INVALID_PARAMETER);
      if (buffer == nullptr || *buffer_length < value.size()) {
        *buffer_length = static_cast<DWORD>(value.size());
        return Fail(ERROR_INSUFFICIENT_BUFFER);
      }
      std::memcpy(buffer, value.data(), value.size());
      *buffer_length = static_cast<DWORD>(value.size() - 1);
      return Succeed();
    }
    default:
      break;
  }
  std::string name;
  if (level == HTTP_QUERY_CUSTOM) {
    if (buffer == nullptr || buffer_length == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    const char* text = static_cast<const char*>(buffer);
    name.assign(text, strnlen(text, *buffer_length));
  } else if (const char* known = HeaderNameOfLevel(level)) {
    name = known;
  } else {
    return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
  }
  const THttpHeaders& headers = of_request ? node->headers : head->headers;
  const DWORD occurrence = index != nullptr ? *index : 0;
  const THttpHeader* header = FindHeader(headers, name, occurrence);
  if (header == nullptr) return Fail(ERROR_HTTP_HEADER_NOT_FOUND);
  bool ok;
  if (number) {
    DWORD parsed = 0;
    const std::string& v = header->value;
    if (v.empty() || v.size() > 10 || !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        std::stoull(v) > 0xFFFFFFFFull)
      return Fail(ERROR_HTTP_INVALID_HEADER);
    parsed = static_cast<DWORD>(std::stoull(v));
    ok = CopyNumber(parsed, buffer, buffer_length);
  } else {
    ok = CopyOut(header->value, buffer, buffer_length);
  }
  if (ok && index != nullptr) ++*index;
  return ok;
}

bool InternetSetOption(HINTERNET internet, DWORD option, const void* buffer, DWORD buffer_length) {
  DWORD value = 0;
  if (internet == 0) {
    if (option == INTERNET_OPTION_CONNECTED_STATE) {
      if (buffer == nullptr || buffer_length < sizeof(INTERNET_CONNECTED_INFO))
        return Fail(ERROR_INTERNET_BAD_OPTION_LENGTH);
      INTERNET_CONNECTED_INFO info;
      std::memcpy(&info, buffer, sizeof info);
      Global().connected_state = info.dwConnectedState;
      return Succeed();
    }
    if (option == INTERNET_OPTION_MAX_CONNS_PER_SERVER || option == INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER) {
      if (!ReadDword(buffer, buffer_length, &value)) return false;
      if (value == 0) return Fail(ERROR_INVALID_PARAMETER);
      (option == INTERNET_OPTION_MAX_CONNS_PER_SERVER ? Global().max_conns_per_server
                                                      : Global().max_conns_per_1_0_server) = value;
      return Succeed();
    }
    if (TimeoutOption(option)) {
      if (!ReadDword(buffer, buffer_length, &value)) return false;
      std::lock_guard guard(Global().lock);
      *TimeoutField(Global().timeouts, option) = value > 0x7FFFFFFF ? -1 : static_cast<int>(value);
      return Succeed();
    }
    return Fail(ERROR_INTERNET_INVALID_OPTION);
  }
  std::shared_ptr<Node> node = Find(internet, {Kind::kSession, Kind::kConnect, Kind::kRequest});
  if (node == nullptr) return false;
  std::lock_guard guard(node->lock);
  if (TimeoutOption(option)) {
    if (!ReadDword(buffer, buffer_length, &value)) return false;
    *TimeoutField(node->timeouts, option) = value > 0x7FFFFFFF ? -1 : static_cast<int>(value);
    return Succeed();
  }
  if (std::string* text = TextOption(*node, option)) {
    if (buffer == nullptr && buffer_length > 0) return Fail(ERROR_INVALID_PARAMETER);
    const char* chars = static_cast<const char*>(buffer);
    const std::string given(chars == nullptr ? "" : chars, chars == nullptr ? 0 : strnlen(chars, buffer_length));
    if (HasControlCharacters(given)) return Fail(ERROR_INVALID_PARAMETER);
    *text = given;
    return Succeed();
  }
  switch (option) {
    case INTERNET_OPTION_SECURITY_FLAGS:
      if (!ReadDword(buffer, buffer_length, &value)) return false;
      node->security_flags = value;
      return Succeed();
    case INTERNET_OPTION_CONTEXT_VALUE:
      if (buffer == nullptr || buffer_length < sizeof(DWORD_PTR)) return Fail(ERROR_INTERNET_BAD_OPTION_LENGTH);
      std::memcpy(&node->context, buffer, sizeof(DWORD_PTR));
      return Succeed();
    case INTERNET_OPTION_CLIENT_CERT_CONTEXT:
      return Succeed();  // accepted; plain HTTP never asks for a certificate
    case INTERNET_OPTION_HANDLE_TYPE:
      return Fail(ERROR_INTERNET_OPTION_NOT_SETTABLE);
    default:
      return Fail(ERROR_INTERNET_INVALID_OPTION);
  }
}

bool InternetQueryOption(HINTERNET internet, DWORD option, void* buffer, DWORD* buffer_length) {
  if (internet == 0) {
    switch (option) {
      case INTERNET_OPTION_CONNECTED_STATE: {
        if (buffer_length == nullptr) return Fail(ERROR_INVALID_PARAMETER);
        return CopyNumber(Global().connected_state.load(), buffer, buffer_length);
      }
      case INTERNET_OPTION_MAX_CONNS_PER_SERVER:
        return CopyNumber(Global().max_conns_per_server.load(), buffer, buffer_length);
      case INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER:
        return CopyNumber(Global().max_conns_per_1_0_server.load(), buffer, buffer_length);
      default:
        if (TimeoutOption(option)) {
          std::lock_guard guard(Global().lock);
          return CopyNumber(static_cast<DWORD>(*TimeoutField(Global().timeouts, option)), buffer, buffer_length);
        }
        return Fail(ERROR_INTERNET_INVALID_OPTION);
    }
  }
  std::shared_ptr<Node> node = Find(internet, {Kind::kSession, Kind::kConnect, Kind::kRequest});
  if (node == nullptr) return false;
  std::lock_guard guard(node->lock);
  if (TimeoutOption(option))
    return CopyNumber(static_cast<DWORD>(*TimeoutField(node->timeouts, option)), buffer, buffer_length);
  if (std::string* text = TextOption(*node, option)) return CopyOut(*text, buffer, buffer_length);
  switch (option) {
    case INTERNET_OPTION_SECURITY_FLAGS:
      return CopyNumber(node->security_flags, buffer, buffer_length);
    case INTERNET_OPTION_HANDLE_TYPE:
      return CopyNumber(node->kind == Kind::kSession   ? INTERNET_HANDLE_TYPE_INTERNET
                        : node->kind == Kind::kConnect ? INTERNET_HANDLE_TYPE_CONNECT_HTTP
                                                       : INTERNET_HANDLE_TYPE_HTTP_REQUEST,
                        buffer, buffer_length);
    case INTERNET_OPTION_CONTEXT_VALUE:
      if (buffer_length == nullptr) return Fail(ERROR_INVALID_PARAMETER);
      if (buffer == nullptr || *buffer_length < sizeof(DWORD_PTR)) {
        *buffer_length = sizeof(DWORD_PTR);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
      }
      std::memcpy(buffer, &node->context, sizeof(DWORD_PTR));
      *buffer_length = sizeof(DWORD_PTR);
      return Succeed();
    default:
      return Fail(ERROR_INTERNET_INVALID_OPTION);
  }
}

bool InternetGetLastResponseInfo(DWORD* error, char* buffer, DWORD* buffer_length) {
  if (error != nullptr) *error = last_response.error;
  return CopyOut(last_response.text, buffer, buffer_length);
}

void InternetSetLastResponseInfo(DWORD error, std::string_view text) {
  last_response.error = error;
  last_response.text.assign(text);
}
