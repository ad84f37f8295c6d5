#include "platform/internet_handles.h"

#include <algorithm>
#include <cstring>

namespace internet {

Globals& Global() {
  static Globals* globals = new Globals;  // lives to the end of the process: calls may outlast main
  return *globals;
}

bool Fail(DWORD code) {
  SetLastError(code);
  return false;
}

bool Succeed() {
  SetLastError(ERROR_SUCCESS);
  return true;
}

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

void Notify(const Node& node, DWORD status, const void* info, DWORD length) {
  if (node.callback) node.callback(node.handle, node.context, status, info, length);
}

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

}  // namespace internet

using namespace internet;

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

INTERNET_STATUS_CALLBACK InternetSetStatusCallback(HINTERNET internet,
                                                   INTERNET_STATUS_CALLBACK callback) {
  std::shared_ptr<Node> node = Find(internet, {Kind::kSession, Kind::kConnect, Kind::kRequest});
  if (node == nullptr) return nullptr;
  std::lock_guard guard(node->lock);
  std::swap(node->callback, callback);
  SetLastError(ERROR_SUCCESS);
  return callback;
}
