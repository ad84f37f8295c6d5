#include "platform/tls_channel.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

#include "platform/internet_client.h"

namespace {

// The error number of a certificate that failed verification.
DWORD CertificateError(long verify_result) {
  switch (verify_result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
    case X509_V_ERR_ERROR_IN_CERT_NOT_BEFORE_FIELD:
    case X509_V_ERR_ERROR_IN_CERT_NOT_AFTER_FIELD:
      return ERROR_INTERNET_SEC_CERT_DATE_INVALID;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
      return ERROR_INTERNET_SEC_CERT_CN_INVALID;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_INVALID_CA:
      return ERROR_INTERNET_INVALID_CA;
    default:
      return ERROR_INTERNET_SEC_INVALID_CERT;
  }
}

// "[::1]" without its brackets.
std::string WithoutBrackets(const std::string& host) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
  return host;
}

bool IsAddress(const std::string& host) {
  unsigned char address[16];
  return inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// The session's records go through the socket by these, not by OpenSSL's own socket calls, so
// that writing to a connection the server has dropped fails instead of raising SIGPIPE.
int SocketOf(BIO* bio) { return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio))); }

bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

int SocketWrite(BIO* bio, const char* data, int size) {
  BIO_clear_retry_flags(bio);
  const ssize_t n = send(SocketOf(bio), data, static_cast<size_t>(size), MSG_NOSIGNAL);
  if (n < 0 && WouldBlock()) BIO_set_retry_write(bio);
  return static_cast<int>(n);
}

int SocketRead(BIO* bio, char* data, int size) {
  BIO_clear_retry_flags(bio);
  const ssize_t n = recv(SocketOf(bio), data, static_cast<size_t>(size), 0);
  if (n < 0 && WouldBlock()) BIO_set_retry_read(bio);
  return static_cast<int>(n);
}

long SocketControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

// The oldest error OpenSSL queued for this thread, as text; the queue is emptied.
std::string QueuedError() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return {};
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

}  // namespace

TTlsChannel::~TTlsChannel() {
  if (ssl_ != nullptr) {
    // Tells the server the session ends, without waiting for its answer; the connection
    // closes right after.
    if (established_) SSL_shutdown(ssl_);
    SSL_free(ssl_);
  }
  if (context_ != nullptr) SSL_CTX_free(context_);
  if (method_ != nullptr) BIO_meth_free(method_);
  ERR_clear_error();
}

DWORD TTlsChannel::Handshake(const std::string& host, int send_ms, int receive_ms) {
  ERR_clear_error();
  failure_.clear();
  context_ = SSL_CTX_new(TLS_client_method());
  if (context_ == nullptr) {
    failure_ = QueuedError();
    return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
  }
  SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
  // SSL_CERT_FILE and SSL_CERT_DIR, when set, take the place of the system's bundle and folder.
  // Without any trusted certificate every server is refused.
  SSL_CTX_set_default_verify_paths(context_);
  SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
  // A server that closes without ending the session reads as the end of the data, as on a plain
  // connection; the response's framing finds a body cut short.
  SSL_CTX_set_options(context_, SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_RENEGOTIATION);
  SSL_CTX_set_mode(context_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  ERR_clear_error();

  ssl_ = SSL_new(context_);
  method_ = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "socket");
  BIO* bio = nullptr;
  if (ssl_ != nullptr && method_ != nullptr && BIO_meth_set_write(method_, SocketWrite) == 1 &&
      BIO_meth_set_read(method_, SocketRead) == 1 && BIO_meth_set_ctrl(method_, SocketControl) == 1)
    bio = BIO_new(method_);
  if (bio != nullptr) {
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(socket_.Descriptor())));
    BIO_set_init(bio, 1);
    SSL_set_bio(ssl_, bio, bio);  // the session owns it
  }
  const std::string name = WithoutBrackets(host);
  bool ready = bio != nullptr;
  if (ready && IsAddress(name)) {
    ready = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), name.c_str()) == 1;
  } else if (ready) {
    SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    ready = SSL_set_tlsext_host_name(ssl_, name.c_str()) == 1 && SSL_set1_host(ssl_, name.c_str()) == 1;
  }
  if (!ready) {
    failure_ = QueuedError();
    return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
  }
  for (;;) {
    ERR_clear_error();
    const int result = SSL_connect(ssl_);
    if (result == 1) break;
    const long verified = SSL_get_verify_result(ssl_);
    if (verified != X509_V_OK) {
      failure_ = X509_verify_cert_error_string(verified);
      ERR_clear_error();
      return CertificateError(verified);
    }
    if (DWORD error = WaitAfter(result, send_ms, receive_ms)) {
      if (failure_.empty()) failure_ = "the secure connection could not be established";
      return error == ERROR_INTERNET_CONNECTION_ABORTED || error == ERROR_INTERNET_CONNECTION_RESET
                 ? ERROR_INTERNET_SECURITY_CHANNEL_ERROR
                 : error;
    }
  }
  established_ = true;
  return 0;
}

DWORD TTlsChannel::WaitAfter(int result, int send_ms, int receive_ms) {
  const int saved_errno = errno;
  const int error = SSL_get_error(ssl_, result);
  switch (error) {
    case SSL_ERROR_WANT_READ:
      return socket_.WaitFor(POLLIN, receive_ms);
    case SSL_ERROR_WANT_WRITE:
      return socket_.WaitFor(POLLOUT, send_ms);
    case SSL_ERROR_SYSCALL:
      failure_ = QueuedError();
      return saved_errno == ECONNRESET ? ERROR_INTERNET_CONNECTION_RESET : ERROR_INTERNET_CONNECTION_ABORTED;
    default:
      failure_ = QueuedError();
      return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
  }
}

DWORD TTlsChannel::SendAll(const void* data, size_t size, int timeout_ms) {
  if (!established_) return ERROR_INTERNET_CONNECTION_ABORTED;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ERR_clear_error();
    const int n = SSL_write(ssl_, bytes, static_cast<int>(std::min<size_t>(size, INT_MAX)));
    if (n > 0) {
      bytes += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (DWORD error = WaitAfter(n, timeout_ms, timeout_ms)) return error;
  }
  return 0;
}

DWORD TTlsChannel::Receive(void* data, size_t size, size_t* received, int timeout_ms) {
  *received = 0;
  if (!established_) return ERROR_INTERNET_CONNECTION_ABORTED;
  for (;;) {
    ERR_clear_error();
    const int n = SSL_read(ssl_, data, static_cast<int>(std::min<size_t>(size, INT_MAX)));
    if (n > 0) {
      *received = static_cast<size_t>(n);
      return 0;
    }
    if (SSL_get_error(ssl_, n) == SSL_ERROR_ZERO_RETURN) return 0;
    if (DWORD error = WaitAfter(n, timeout_ms, timeout_ms)) return error;
  }
}
