#include "tools/service/tls_identity.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cstring>
#include <string>

#include "platform/exception.h"

namespace {

// OpenSSL's reason for the first failure it queued (a file's own error as the system words it),
// emptying its queue.
std::string Reason() {
  const unsigned long code = ERR_peek_error();
  ERR_clear_error();
  if (code == 0) return "unknown failure";
  if (ERR_SYSTEM_ERROR(code)) return std::strerror(ERR_GET_REASON(code));
  const char* reason = ERR_reason_error_string(code);
  return reason != nullptr ? reason : "unknown failure";
}

std::string Mismatch(const std::filesystem::path& certificate, const std::filesystem::path& key) {
  ERR_clear_error();
  return "the TLS key " + key.string() + " does not belong to the certificate " + certificate.string();
}

}  // namespace

TlsIdentity::TlsIdentity(const std::filesystem::path& certificate, const std::filesystem::path& key) {
  ERR_clear_error();
  context_ = SSL_CTX_new(TLS_server_method());
  if (context_ == nullptr) throw Exception("cannot set up TLS: " + Reason());
  SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
  SSL_CTX_set_options(context_, SSL_OP_NO_RENEGOTIATION);
  // One request per connection: no session is resumed, so none is kept or handed out.
  SSL_CTX_set_session_cache_mode(context_, SSL_SESS_CACHE_OFF);
  SSL_CTX_set_num_tickets(context_, 0);
  SSL_CTX_set_mode(context_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  std::string failure;
  if (SSL_CTX_use_certificate_chain_file(context_, certificate.c_str()) != 1) {
    failure = "cannot load the TLS certificate " + certificate.string() + ": " + Reason();
  } else if (SSL_CTX_use_PrivateKey_file(context_, key.c_str(), SSL_FILETYPE_PEM) != 1) {
    failure = ERR_GET_REASON(ERR_peek_error()) == X509_R_KEY_VALUES_MISMATCH
                  ? Mismatch(certificate, key)
                  : "cannot load the TLS key " + key.string() + ": " + Reason();
  } else if (SSL_CTX_check_private_key(context_) != 1) {
    failure = Mismatch(certificate, key);
  }
  if (!failure.empty()) {
    SSL_CTX_free(context_);
    throw Exception(failure);
  }
}

TlsIdentity::~TlsIdentity() { SSL_CTX_free(context_); }
