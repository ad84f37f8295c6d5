#pragma once
// The handles of the internet client, shared by its files: what each open handle holds, the
// table of open handles and the helpers every call uses to find a handle and report a result.

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cancel_signal.h"
#include "platform/http_exchange.h"
#include "platform/http_message.h"
#include "platform/internet_client.h"
#include "platform/internet_proxy.h"

namespace internet {

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

  // Connection handles: INTERNET_FLAG_SECURE or 0. Request handles: their flags.
  DWORD flags = 0;

  // Request handles.
  std::string verb, object, version;
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

// The process's handle table and settings.
Globals& Global();

// Sets the last error and returns false.
bool Fail(DWORD code);
// Clears the last error and returns true.
bool Succeed();
// The node of `handle` when it is open and of one of `kinds`; else null with the last error set.
std::shared_ptr<Node> Find(HINTERNET handle, std::initializer_list<Kind> kinds);
// Registers `node` under `parent` (null for a root); 0 when the parent was closed meanwhile.
HINTERNET Register(const std::shared_ptr<Node>& node, const Node* parent);
// Runs the node's status callback, if any.
void Notify(const Node& node, DWORD status, const void* info = nullptr, DWORD length = 0);
// Copies what a child inherits from its parent. The caller holds the parent's lock.
void Inherit(const Node& parent, Node* child);
bool HasControlCharacters(std::string_view text);
// Copies `text` with a terminating zero into a caller's buffer of `*buffer_length` bytes; when
// it does not fit, fails with ERROR_INSUFFICIENT_BUFFER and sets the size needed.
bool CopyOut(std::string_view text, void* buffer, DWORD* buffer_length);
// The same for a DWORD.
bool CopyNumber(DWORD value, void* buffer, DWORD* buffer_length);

}  // namespace internet
