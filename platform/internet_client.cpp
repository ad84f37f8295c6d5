#include "platform/internet_client.h"

#include <algorithm>
#include <cstring>

#include "platform/base64.h"
#include "platform/internet_handles.h"

using namespace internet;

namespace {

bool IsSecure(const Node& request) { return (request.flags & INTERNET_FLAG_SECURE) != 0; }

std::string HostHeader(const Node& request) {
  std::string host = request.server;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  const INTERNET_PORT usual = IsSecure(request) ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  if (request.port != usual) host += ":" + std::to_string(request.port);
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
  if (request.cancel.IsRaised()) return ERROR_INTERNET_OPERATION_CANCELLED;
  // A secure request never travels in clear through a proxy: it goes to the server directly.
  const bool secure = IsSecure(request);
  const bool via_proxy = !secure && UsesProxy(request.proxy, request.server);
  request.sent_head = ComposeHead(request, via_proxy, has_length, length);
  request.exchange = std::make_unique<THttpExchange>(request.cancel, request.timeouts);
  Notify(request, INTERNET_STATUS_CONNECTING_TO_SERVER);
  if (DWORD error = via_proxy ? request.exchange->Open(request.proxy.host, request.proxy.port)
                              : request.exchange->Open(request.server, request.port))
    return error;
  Notify(request, INTERNET_STATUS_CONNECTED_TO_SERVER);
  if (secure) {
    std::string failure;
    if (DWORD error = request.exchange->StartTls(request.server, &failure)) {
      InternetSetLastResponseInfo(error, failure);
      return error;
    }
  }
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
                          std::string_view password, DWORD service, DWORD flags,
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
  const bool secure = (flags & INTERNET_FLAG_SECURE) != 0;
  node->port = server_port != 0 ? server_port : secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  node->flags = flags & INTERNET_FLAG_SECURE;
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
  node->flags = flags | parent->flags;  // a secure connection makes its requests secure
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

DWORD InternetErrorDlg(void* /*window*/, HINTERNET /*request*/, DWORD /*error*/, DWORD /*flags*/,
                       void** /*data*/) {
  return ERROR_CANCELLED;
}

bool InternetGetConnectedState(DWORD* flags, DWORD /*reserved*/) {
  const DWORD state = Global().connected_state.load();
  if (flags != nullptr) *flags = state & INTERNET_STATE_DISCONNECTED_BY_USER ? 0x20 : 0x2;  // offline / LAN
  return (state & INTERNET_STATE_DISCONNECTED_BY_USER) == 0;
}
