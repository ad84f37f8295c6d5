#pragma once
// One TCP connection of the internet client. Every wait (name lookup, connect, send, receive)
// has a time-out and also ends when the given cancel signal is raised. Results are the internet
// client's error numbers: 0 on success, ERROR_INTERNET_TIMEOUT, ERROR_INTERNET_OPERATION_
// CANCELLED, ERROR_INTERNET_NAME_NOT_RESOLVED, ERROR_INTERNET_CANNOT_CONNECT,
// ERROR_INTERNET_CONNECTION_ABORTED or ERROR_INTERNET_CONNECTION_RESET.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/cancel_signal.h"
#include "platform/last_error.h"

class TSocketStream {
 public:
  // `cancel` must outlive the stream. Time-outs are in milliseconds; a negative one never ends.
  explicit TSocketStream(const TCancelSignal& cancel) : cancel_(cancel) {}
  ~TSocketStream();
  TSocketStream(const TSocketStream&) = delete;
  TSocketStream& operator=(const TSocketStream&) = delete;

  // Resolves `host` (a name, an IPv4 address or an IPv6 address with or without brackets) and
  // connects to the first of its addresses that accepts, each within `timeout_ms`.
  DWORD Connect(const std::string& host, std::uint16_t port, int timeout_ms);
  // Sends all `size` bytes.
  DWORD SendAll(const void* data, size_t size, int timeout_ms);
  // Receives up to `size` bytes into `data`; `*received` is 0 when the peer has closed.
  DWORD Receive(void* data, size_t size, size_t* received, int timeout_ms);
  // Waits until the socket is ready for `events` (poll flags); 0, time-out or cancelled.
  DWORD WaitFor(short events, int timeout_ms);
  // The connected socket (non-blocking), for a protocol layer on top; -1 before Connect.
  int Descriptor() const { return fd_; }

 private:

  const TCancelSignal& cancel_;  // ends every wait when raised
  int fd_ = -1;                  // the connected socket, -1 before Connect
};
