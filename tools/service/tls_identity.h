#pragma once
// The service's certificate and private key for HTTPS, loaded from PEM files once at start:
// the OpenSSL server settings (TLS 1.2 or newer) every connection's session is made from.

#include <filesystem>

struct ssl_ctx_st;

class TlsIdentity {
 public:
  // Loads `certificate` (a PEM certificate, optionally followed by its chain) and `key` (its
  // PEM private key); raises Exception naming the file when either cannot be read or used, or
  // when the key does not belong to the certificate.
  TlsIdentity(const std::filesystem::path& certificate, const std::filesystem::path& key);
  ~TlsIdentity();
  TlsIdentity(const TlsIdentity&) = delete;
  TlsIdentity& operator=(const TlsIdentity&) = delete;

  ssl_ctx_st* Context() const { return context_; }

 private:
  ssl_ctx_st* context_ = nullptr;  // the server settings, certificate and key
};
