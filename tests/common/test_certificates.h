#pragma once
// Certificates made by a test with OpenSSL: a certificate authority of its own, server
// certificates it issues (valid, expired, for other names) and self-signed ones, and the
// authority made trusted by the internet client through SSL_CERT_FILE.

#include <string>

// A server's certificate and private key, PEM.
struct TServerIdentity {
  std::string certificate;  // PEM certificate
  std::string key;          // PEM private key
};

class TTestAuthority {
 public:
  // A fresh key and a certificate of a name of its own, valid from yesterday for thirty days.
  TTestAuthority();
  ~TTestAuthority();
  TTestAuthority(const TTestAuthority&) = delete;
  TTestAuthority& operator=(const TTestAuthority&) = delete;

  const std::string& CertificatePem() const { return certificate_; }
  // A server certificate for `names` (subject alternative names, "DNS:localhost,IP:127.0.0.1"),
  // valid from `from_days` to `to_days` days from now.
  TServerIdentity Issue(const std::string& names, int from_days = -1, int to_days = 30) const;
  // A certificate for `names` that signs itself, valid from yesterday for thirty days.
  static TServerIdentity SelfSigned(const std::string& names);

 private:
  std::string certificate_;  // PEM
  std::string key_;          // PEM
};

// Makes the client trust `authority` in place of the system's bundle while it lives: writes its
// certificate to a file and points SSL_CERT_FILE there; the earlier value comes back at the end. Create it before the test starts a thread, end it after they have ended.
class TTrustedAuthority {
 public:
  explicit TTrustedAuthority(const TTestAuthority& authority);
  ~TTrustedAuthority();
  TTrustedAuthority(const TTrustedAuthority&) = delete;
  TTrustedAuthority& operator=(const TTrustedAuthority&) = delete;

 private:
  std::string path_;      // the certificate file
  std::string previous_;  // SSL_CERT_FILE before
  bool had_previous_;     // SSL_CERT_FILE was set before
};

// The names the test servers answer as: "localhost" and 127.0.0.1.
inline constexpr char kLoopbackNames[] = "DNS:localhost,IP:127.0.0.1";
