#include "platform/internet_client.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/cancel_signal.h"
#include "platform/http_exchange.h"
#include "platform/http_message.h"
#include "platform/internet_proxy.h"

namespace {

enum class Kind { kSession, kConnect, kRequest };
enum class Phase { kIdle, kWriting, kResponse };

// One open handle. Fields set at creation are read without the lock; the rest are guarded by
// `lock`, which a call holds for its whole duration. Closing never takes it: it raises `cancel`.
struct Node {
  Kind kind = Kind::kSession;
  HINTERNET handle = 0;
  std::vector<HINTERNET> ancestors;  // the handles this one was opened under
  TCancelSignal cancel;              // raised when this handle or one above it is closed
  std::recursive_mutex lock;         // re-entrant: status callbacks may query the handle

  DWORD_PTR context = 0;
  THttpTimeouts timeouts;
  INTERNET_STATUS_CALLBACK callback;
  std::string agent;                  // User-Agent text; empty: none
  TProxyConfig proxy;
  std::string user_name, password;    // Basic authorization when set
  std::string proxy_user, proxy_password;
  DWORD security_flags = 0;

  // Connection and request handles.
  std::string server;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
  DWORD service = INTERNET_SERVICE_HTTP;

  // Request handles.
  std::string verb, object, version;
  DWORD flags = 0;
  THttpHeaders headers;                     // request headers kept across sends
  std::string sent_head;                    // the last request head sent
  std::unique_ptr<THttpExchange> exchange;  // the connection of the last send
  Phase phase = Phase::kIdle;
  std::uint64_t body_total = 0, body_written = 0;  // during HttpSendRequestEx writes
};

struct Globals {
  std::mutex lock;                                   // guards `handles` and `next`
  std::map<HINTERNET, std::shared_ptr<Node>> handles;
  HINTERNET next = 0xCC0004;
  THttpTimeouts timeouts;                            // what new root handles start with
  std::atomic<DWORD> connected_state{INTERNET_STATE_CONNECTED};
  std::atomic<DWORD> max_conns_per_server{2};
  std::atomic<DWORD> max_conns_per_1_0_server{4};
};

Globals& Global() {
  static Globals* globals = new Globals;  // lives to the end of the process: calls may outlast main
  return *globals;
}

struct LastResponse {
  DWORD error = 0;
  std::string text;
};
thread_local LastResponse last_response;

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

bool Succeed() {
  SetLastError(ERROR_SUCCESS);
  return true;
}

// The node of `handle` when it is open and of the wanted kind; else null with the last error set.
std::shared_ptr<Node> Find(HINTERNET handle, std::initializer_list<Kind> kinds) {
  std::shared_ptr<Node> node;
  {
    std::lock_guard guard(Global().lock);
    auto it = Global().handles.find(handle);
    if (it != Global().handles.end()) node = it->second;
  }
  if (node == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (std::find(kinds.begin(), kinds.end(), node->kind) == kinds.end()) {
    SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    return nullptr;
  }
  return node;
}

// Registers `node` under `parent` (none for a root); 0 when the parent was closed meanwhile.
HINTERNET Register(const std::shared_ptr<Node>& node, const Node* parent) {
  std::lock_guard guard(Global().lock);
  if (parent != nullptr) {
    if (!Global().handles.contains(parent->handle)) {
      SetLastError(ERROR_INTERNET_OPERATION_CANCELLED);
      return 0;
    }
    node->ancestors = parent->ancestors;
    node->ancestors.push_back(parent->handle);
  }
  node->handle = Global().next;
  Global().next += 4;
  Global().handles.emplace(node->handle, node);
  SetLastError(ERROR_SUCCESS);
  return node->handle;
}

void Notify(const Node& node, DWORD status, const void* info = nullptr, DWORD length = 0) {
  if (node.callback) node.callback(node.handle, node.context, status, info, length);
}

// Copies what a child inherits from its parent. The caller holds the parent's lock.
void Inherit(const Node& parent, Node* child) {
  child->timeouts = parent.timeouts;
  child->callback = parent.callback;
  child->agent = parent.agent;
  child->proxy = parent.proxy;
  child->user_name = parent.user_name;
  child->password = parent.password;
  child->proxy_user = parent.proxy_user;
  child->proxy_password = parent.proxy_password;
  child->server = parent.server;
  child->port = parent.port;
  child->service = parent.service;
}

bool HasControlCharacters(std::string_view text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[v & 63] : '=';
  }
  return out;
}

std::string HostHeader(const Node& request) {
  std::string host = request.server;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  if (request.port != INTERNET_DEFAULT_HTTP_PORT) host += ":" + std::to_string(request.port);
  return host;
}

// The request head: request line, the kept headers, then the ones the client owns.
std::string ComposeHead(const Node& request, bool via_proxy, bool has_length,
                        std::uint64_t length) {
  std::string object = request.object;
  std::string target;
  for (char c : object) target += c == ' ' ? std::string("%20") : std::string(1, c);
  if (via_proxy) target = "http://" + HostHeader(request) + target;
  std::string head = request.verb + " " + target + " " + request.version + "\r\n";
  static constexpr const char* kOwned[] = {"Host", "Content-Length", "Connection",
                                           "Proxy-Connection", "Transfer-Encoding", "Keep-Alive"};
  for (const THttpHeader& header : request.headers) {
    if (std::any_of(std::begin(kOwned), std::end(kOwned),
                    [&](const char* name) { return SameHeaderName(header.name, name); }))
      continue;
    head += header.name + ": " + header.value + "\r\n";
  }
  if (!request.agent.empty() && FindHeader(request.headers, "User-Agent") == nullptr)
    head += "User-Agent: " + request.agent + "\r\n";
  head += "Host: " + HostHeader(request) + "\r\n";
  if (has_length) head += "Content-Length: " + std::to_string(length) + "\r\n";
  if ((!request.user_name.empty() || !request.password.empty()) &&
      FindHeader(request.headers, "Authorization") == nullptr)
    head += "Authorization: Basic " + Base64(request.user_name + ":" + request.password) + "\r\n";
  if (via_proxy && FindHeader(request.headers, "Proxy-Authorization") == nullptr) {
    const std::string& user = request.proxy_user.empty() ? request.proxy.user_name : request.proxy_user;
    const std::string& pass = request.proxy_user.empty() ? request.proxy.password : request.proxy_password;
    if (!user.empty()) head += "Proxy-Authorization: Basic " + Base64(user + ":" + pass) + "\r\n";
  }
  if (request.version != "HTTP/1.0") head += "Connection: close\r\n";
  head += "\r\n";
  return head;
}

// Connects and sends the head; the caller holds the request's lock.
DWORD StartSend(Node& request, bool has_length, std::uint64_t length) {
  request.exchange.reset();
  request.phase = Phase::kIdle;
  if (Global().connected_state.load() & INTERNET_STATE_DISCONNECTED_BY_USER)
    return ERROR_INTERNET_DISCONNECTED;
  if (request.flags & INTERNET_FLAG_SECURE) return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
  if (request.cancel.IsRaised()) return ERROR_INTERNET_OPERATION_CANCELLED;
  const bool via_proxy = UsesProxy(request.proxy, request.server);
  request.sent_head = ComposeHead(request, via_proxy, has_length, length);
  request.exchange = std::make_unique<THttpExchange>(request.cancel, request.timeouts);
  Notify(request, INTERNET_STATUS_CONNECTING_TO_SERVER);
  if (DWORD error = via_proxy ? request.exchange->Open(request.proxy.host, request.proxy.port)
                              : request.exchange->Open(request.server, request.port))
    return error;
  Notify(request, INTERNET_STATUS_CONNECTED_TO_SERVER);
  return request.exchange->Send(request.sent_head.data(), request.sent_head.size());
}

// Reads the response head after the request went out; the caller holds the request's lock.
DWORD FinishSend(Node& request) {
  Notify(request, INTERNET_STATUS_REQUEST_SENT);
  if (DWORD error = request.exchange->ReceiveHead(SameHeaderName(request.verb, "HEAD")))
    return error;
  request.phase = Phase::kResponse;
  Notify(request, INTERNET_STATUS_RESPONSE_RECEIVED);
  return 0;
}

bool FailSend(Node& request, DWORD error) {
  request.exchange.reset();
  request.phase = Phase::kIdle;
  if (request.cancel.IsRaised()) error = ERROR_INTERNET_OPERATION_CANCELLED;
  return Fail(error);
}

// Copies `text` into a caller's buffer under the query rules.
bool CopyOut(std::string_view text, void* buffer, DWORD* buffer_length) {
  if (buffer_length == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (buffer == nullptr || *buffer_length < text.size() + 1) {
    *buffer_length = static_cast<DWORD>(text.size() + 1);
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, text.data(), text.size());
  static_cast<char*>(buffer)[text.size()] = '\0';
  *buffer_length = static_cast<DWORD>(text.size());
  return Succeed();
}

bool CopyNumber(DWORD value, void* buffer, DWORD* buffer_length) {
  if (buffer_length == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (buffer == nullptr || *buffer_length < sizeof(DWORD)) {
    *buffer_length = sizeof(DWORD);
    return Fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, &value, sizeof value);
  *buffer_length = sizeof(DWORD);
  return Succeed();
}

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

HINTERNET InternetOpen(std::string_view agent, DWORD access_type, std::string_view proxy,
                       std::string_view proxy_bypass, DWORD /*flags*/) {
  auto node = std::make_shared<Node>();
  node->kind = Kind::kSession;
  node->agent.assign(agent);
  node->proxy = MakeProxyConfig(access_type, proxy, proxy_bypass);
  {
    std::lock_guard guard(Global().lock);
    node->timeouts = Global().timeouts;
  }
  if (HasControlCharacters(agent)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Register(node, nullptr);
}

HINTERNET InternetConnect(HINTERNET internet, std::string_view server_name,
                          INTERNET_PORT server_port, std::string_view user_name,
                          std::string_view password, DWORD service, DWORD /*flags*/,
                          DWORD_PTR context) {
  std::shared_ptr<Node> session = Find(internet, {Kind::kSession});
  if (session == nullptr) return 0;
  if (service != INTERNET_SERVICE_HTTP) {
    SetLastError(ERROR_INTERNET_INVALID_OPTION);
    return 0;
  }
  if (server_name.empty() || HasControlCharacters(server_name) ||
      server_name.find_first_of(" /?#@") != std::string_view::npos) {
    SetLastError(ERROR_INTERNET_NAME_NOT_RESOLVED);
    return 0;
  }
  auto node = std::make_shared<Node>();
  node->kind = Kind::kConnect;
  {
    std::lock_guard guard(session->lock);
    Inherit(*session, node.get());
  }
  node->server.assign(server_name);
  node->port = server_port == 0 ? INTERNET_DEFAULT_HTTP_PORT : server_port;
  node->service = service;
  node->context = context;
  if (!user_name.empty()) node->user_name.assign(user_name);
  if (!password.empty()) node->password.assign(password);
  return Register(node, session.get());
}

HINTERNET HttpOpenRequest(HINTERNET connect, std::string_view verb, std::string_view object_name,
                          std::string_view version, std::string_view referrer,
                          const std::vector<std::string>* accept_types, DWORD flags,
                          DWORD_PTR context) {
  std::shared_ptr<Node> parent = Find(connect, {Kind::kConnect});
  if (parent == nullptr) return 0;
  auto node = std::make_shared<Node>();
  node->kind = Kind::kRequest;
  {
    std::lock_guard guard(parent->lock);
    Inherit(*parent, node.get());
  }
  node->verb = verb.empty() ? "GET" : std::string(verb);
  node->object = object_name.empty() ? "/" : std::string(object_name);
  node->version = version.empty() ? "HTTP/1.1" : std::string(version);
  node->flags = flags;
  node->context = context;
  const bool token_verb = std::all_of(node->verb.begin(), node->verb.end(), [](char c) {
    return c > ' ' && c < 127 && c != ':' && c != '/';
  });
  if (!token_verb || HasControlCharacters(node->object) || HasControlCharacters(node->version) ||
      HasControlCharacters(referrer) || node->version.find(' ') != std::string::npos) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (accept_types != nullptr && !accept_types->empty()) {
    std::string list;
    for (const std::string& type : *accept_types) {
      if (HasControlCharacters(type)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
      list += (list.empty() ? "" : ", ") + type;
    }
    node->headers.push_back({"Accept", list});
  }
  if (!referrer.empty()) node->headers.push_back({"Referer", std::string(referrer)});
  return Register(node, parent.get());
}

bool HttpAddRequestHeaders(HINTERNET request, std::string_view headers, DWORD modifiers) {
  std::shared_ptr<Node> node = Find(request, {Kind::kRequest});
  if (node == nullptr) return false;
  std::lock_guard guard(node->lock);
  if (DWORD error = ApplyHeaderLines(&node->headers, headers, modifiers)) return Fail(error);
  return Succeed();
}

bool HttpSendRequest(HINTERNET request, std::string_view headers, const void* optional,
                     DWORD optional_length) {
  std::shared_ptr<Node> node = Find(request, {Kind::kRequest});
  if (node == nullptr) return false;
  std::lock_guard guard(node->lock);
  if (optional == nullptr) optional_length = 0;
  if (!headers.empty()) {
    if (DWORD error = ApplyHeaderLines(&node->headers, headers, HTTP_ADDREQ_FLAG_REPLACE))
      return Fail(error);
  }
  const bool has_length = optional_length > 0 || SameHeaderName(node->verb, "POST") ||
                          SameHeaderName(node->verb, "PUT");
  if (DWORD error = StartSend(*node, has_length, optional_length)) return FailSend(*node, error);
  if (optional_length > 0) {
    if (DWORD error = node->exchange->Send(optional, optional_length)) return FailSend(*node, error);
  }
  if (DWORD error = FinishSend(*node)) return FailSend(*node, error);
  return Succeed();
}

bool HttpSendRequestEx(HINTERNET request, const INTERNET_BUFFERS* buffers_in,
                       INTERNET_BUFFERS* /*buffers_out*/, DWORD /*flags*/, DWORD_PTR /*context*/) {
  std::shared_ptr<Node> node = Find(request, {Kind::kRequest});
  if (node == nullptr) return false;
  std::lock_guard guard(node->lock);
  const std::uint64_t total = buffers_in != nullptr ? buffers_in->dwBufferTotal : 0;
  if (DWORD error = StartSend(*node, true, total)) return FailSend(*node, error);
  node->phase = Phase::kWriting;
  node->body_total = total;
  node->body_written = 0;
  return Succeed();
}

bool InternetWriteFile(HINTERNET file, const void* buffer, DWORD number_of_bytes_to_write,
                       DWORD* number_of_bytes_written) {
  if (number_of_bytes_written != nullptr) *number_of_bytes_written = 0;
  std::shared_ptr<Node> node = Find(file, {Kind::kRequest});
  if (node == nullptr) return false;
  std::lock_guard guard(node->lock);
  if (node->phase != Phase::kWriting) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  if (buffer == nullptr && number_of_bytes_to_write > 0) return Fail(ERROR_INVALID_PARAMETER);
  if (node->body_written + number_of_bytes_to_write > node->body_total)
    return Fail(ERROR_INVALID_PARAMETER);
  if (DWORD error = node->exchange->Send(buffer, number_of_bytes_to_write))
    return FailSend(*node, error);
  node->body_written += number_of_bytes_to_write;
  if (number_of_bytes_written != nullptr) *number_of_bytes_written = number_of_bytes_to_write;
  return Succeed();
}

bool HttpEndRequest(HINTERNET request, INTERNET_BUFFERS* /*buffers_out*/, DWORD /*flags*/,
                    DWORD_PTR /*context*/) {
  std::shared_ptr<Node> node = Find(request, {Kind::kRequest});
  if (node == nullptr) return false;
  std::lock_guard guard(node->lock);
  if (node->phase != Phase::kWriting || node->body_written != node->body_total)
    return FailSend(*node, ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  if (DWORD error = FinishSend(*node)) return FailSend(*node, error);
  return Succeed();
}

bool InternetReadFile(HINTERNET file, void* buffer, DWORD number_of_bytes_to_read,
                      DWORD* number_of_bytes_read) {
  if (number_of_bytes_read == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *number_of_bytes_read = 0;
  std::shared_ptr<Node> node = Find(file, {Kind::kRequest});
  if (node == nullptr) return false;
  std::lock_guard guard(node->lock);
  if (node->phase != Phase::kResponse) return Fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
  if (buffer == nullptr && number_of_bytes_to_read > 0) return Fail(ERROR_INVALID_PARAMETER);
  size_t received = 0;
  if (DWORD error = node->exchange->ReadBody(buffer, number_of_bytes_to_read, &received))
    return Fail(node->cancel.IsRaised() ? ERROR_INTERNET_OPERATION_CANCELLED : error);
  *number_of_bytes_read = static_cast<DWORD>(received);
  return Succeed();
}

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

bool InternetCloseHandle(HINTERNET internet) {
  std::vector<std::shared_ptr<Node>> closed;
  {
    std::lock_guard guard(Global().lock);
    auto it = Global().handles.find(internet);
    if (it == Global().handles.end()) return Fail(ERROR_INVALID_HANDLE);
    closed.push_back(it->second);
    Global().handles.erase(it);
    for (auto child = Global().handles.begin(); child != Global().handles.end();) {
      const auto& ancestors = child->second->ancestors;
      if (std::find(ancestors.begin(), ancestors.end(), internet) != ancestors.end()) {
        closed.push_back(child->second);
        child = Global().handles.erase(child);
      } else {
        ++child;
      }
    }
  }
  for (const auto& node : closed) node->cancel.Raise();
  for (auto node = closed.rbegin(); node != closed.rend(); ++node) {
    const HINTERNET handle = (*node)->handle;
    Notify(**node, INTERNET_STATUS_HANDLE_CLOSING, &handle, sizeof handle);
  }
  return Succeed();
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

INTERNET_STATUS_CALLBACK InternetSetStatusCallback(HINTERNET internet,
                                                   INTERNET_STATUS_CALLBACK callback) {
  std::shared_ptr<Node> node = Find(internet, {Kind::kSession, Kind::kConnect, Kind::kRequest});
  if (node == nullptr) return nullptr;
  std::lock_guard guard(node->lock);
  std::swap(node->callback, callback);
  SetLastError(ERROR_SUCCESS);
  return callback;
}

bool InternetGetLastResponseInfo(DWORD* error, char* buffer, DWORD* buffer_length) {
  if (error != nullptr) *error = last_response.error;
  return CopyOut(last_response.text, buffer, buffer_length);
}

void InternetSetLastResponseInfo(DWORD error, std::string_view text) {
  last_response.error = error;
  last_response.text.assign(text);
}

DWORD InternetErrorDlg(void* /*window*/, HINTERNET /*request*/, DWORD /*error*/, DWORD /*flags*/,
                       void** /*data*/) {
  return ERROR_CANCELLED;
}

bool InternetGetConnectedState(DWORD* flags, DWORD /*reserved*/) {
  const DWORD state = Global().connected_state.load();
  if (flags != nullptr) *flags = state & INTERNET_STATE_DISCONNECTED_BY_USER ? 0x20 : 0x2;  // offline / LAN
  return (state & INTERNET_STATE_DISCONNECTED_BY_USER) == 0;
}
