#pragma once
// A TLS session (OpenSSL) over a connected TSocketStream: TLS 1.2 or newer, the server's
// certificate verified against the system's trusted certificates (the file named by
// SSL_CERT_FILE replaces the system's bundle, SSL_CERT_DIR its folder) and its host name or
// address checked. Nothing can turn verification off. Every wait is the socket's, so it has a
// time-out and ends when the cancel signal is raised, during the handshake as during transfers.
// Results are the internet client's error numbers, 0 on success: a refused certificate gives
// ERROR_INTERNET_SEC_CERT_DATE_INVALID, ERROR_INTERNET_SEC_CERT_CN_INVALID,
// ERROR_INTERNET_INVALID_CA or ERROR_INTERNET_SEC_INVALID_CERT, any other failure of the secure
// channel ERROR_INTERNET_SECURITY_CHANNEL_ERROR; waits end as the socket's do.

#include <cstddef>
#include <string>

#include "platform/last_error.h"
#include "platform/socket_stream.h"

struct bio_method_st;
struct ssl_ctx_st;
struct ssl_st;

class TTlsChannel {
 public:
  // `socket` is connected and must outlive the channel.
  explicit TTlsChannel(TSocketStream& socket) : socket_(socket) {}
  ~TTlsChannel();
  TTlsChannel(const TTlsChannel&) = delete;
  TTlsChannel& operator=(const TTlsChannel&) = delete;

  // Runs the handshake with the server that `host` (a name or an address, IPv6 with or without
  // brackets) names; waits to read take up to `receive_ms`, waits to write up to `send_ms`.
  // Sends and receives are refused unless it succeeded.
  DWORD Handshake(const std::string& host, int send_ms, int receive_ms);
  // Why the last handshake failed, in OpenSSL's words; empty after a success.
  const std::string& Failure() const { return failure_; }
  // Sends all `size` bytes.
  DWORD SendAll(const void* data, size_t size, int timeout_ms);
  // Receives up to `size` bytes; `*received` is 0 when the server has ended the session.
  DWORD Receive(void* data, size_t size, size_t* received, int timeout_ms);

 private:
  // After an OpenSSL call returned `result`: waits as it asks (0 to call again) or gives the
  // failure's error number.
  DWORD WaitAfter(int result, int send_ms, int receive_ms);

  TSocketStream& socket_;       // the connection the records travel on
  bio_method_st* method_ = nullptr;  // how the session's records reach the socket
  ssl_ctx_st* context_ = nullptr;  // this session's settings and trusted certificates
  ssl_st* ssl_ = nullptr;       // the session
  bool established_ = false;    // the handshake succeeded
  std::string failure_;         // the reason of a failed handshake
};
