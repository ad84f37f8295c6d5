#include "tests/common/test_certificates.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace {

struct Free {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
  void operator()(X509* certificate) const { X509_free(certificate); }
  void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
  void operator()(BIO* bio) const { BIO_free(bio); }
};
using Key = std::unique_ptr<EVP_PKEY, Free>;
using Certificate = std::unique_ptr<X509, Free>;

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test certificate: ") + what);
}

Key NewKey() {
  Key key(EVP_EC_gen("P-256"));
  Check(key != nullptr, "key");
  return key;
}

std::string Pem(BIO* bio) {
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<size_t>(size));
}

std::string CertificateText(X509* certificate) {
  std::unique_ptr<BIO, Free> bio(BIO_new(BIO_s_mem()));
  Check(PEM_write_bio_X509(bio.get(), certificate) == 1, "write certificate");
  return Pem(bio.get());
}

std::string KeyText(EVP_PKEY* key) {
  std::unique_ptr<BIO, Free> bio(BIO_new(BIO_s_mem()));
  Check(PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1, "write key");
  return Pem(bio.get());
}

Certificate ReadCertificate(const std::string& pem) {
  std::unique_ptr<BIO, Free> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  Certificate certificate(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  Check(certificate != nullptr, "read certificate");
  return certificate;
}

Key ReadKey(const std::string& pem) {
  std::unique_ptr<BIO, Free> bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  Key key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
  Check(key != nullptr, "read key");
  return key;
}

// A certificate for `subject_name` with `key`, signed by `issuer_key` as `issuer` (itself when
// null), with the given extensions ("name", "value") in OpenSSL's configuration syntax.
Certificate Make(const std::string& subject_name, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuer_key,
                 int from_days, int to_days,
                 std::initializer_list<std::pair<int, std::string>> extensions) {
  static std::atomic<long> serial{1};
  Certificate certificate(X509_new());
  X509* c = certificate.get();
  Check(X509_set_version(c, 2) == 1, "version");
  ASN1_INTEGER_set(X509_get_serialNumber(c), serial++);
  Check(X509_gmtime_adj(X509_getm_notBefore(c), 86400L * from_days) != nullptr, "not before");
  Check(X509_gmtime_adj(X509_getm_notAfter(c), 86400L * to_days) != nullptr, "not after");
  X509_NAME* name = X509_get_subject_name(c);
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("Tarvo tests"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(subject_name.c_str()), -1, -1, 0);
  Check(X509_set_issuer_name(c, issuer != nullptr ? X509_get_subject_name(issuer) : name) == 1, "issuer");
  Check(X509_set_pubkey(c, key) == 1, "public key");
  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer != nullptr ? issuer : c, c, nullptr, nullptr, 0);
  for (const auto& [nid, value] : extensions) {
    std::unique_ptr<X509_EXTENSION, Free> extension(
        X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    Check(extension != nullptr && X509_add_ext(c, extension.get(), -1) == 1, "extension");
  }
  Check(X509_sign(c, issuer_key, EVP_sha256()) > 0, "sign");
  return certificate;
}

TServerIdentity MakeServer(const std::string& names, X509* issuer, EVP_PKEY* issuer_key,
                           int from_days, int to_days) {
  Key key = NewKey();
  const bool self = issuer == nullptr;
  Certificate certificate =
      Make("Tarvo test server", key.get(), issuer, self ? key.get() : issuer_key, from_days, to_days,
           {{NID_basic_constraints, "critical,CA:FALSE"},
            {NID_key_usage, "critical,digitalSignature"},
            {NID_ext_key_usage, "serverAuth"},
            {NID_subject_key_identifier, "hash"},
            {NID_subject_alt_name, names}});
  return {CertificateText(certificate.get()), KeyText(key.get())};
}

}  // namespace

TTestAuthority::TTestAuthority() {
  static std::atomic<int> count{0};
  Key key = NewKey();
  Certificate certificate =
      Make("Tarvo test authority " + std::to_string(++count), key.get(), nullptr, key.get(), -1, 30,
           {{NID_basic_constraints, "critical,CA:TRUE"},
            {NID_key_usage, "critical,keyCertSign,cRLSign"},
            {NID_subject_key_identifier, "hash"}});
  certificate_ = CertificateText(certificate.get());
  key_ = KeyText(key.get());
}

TTestAuthority::~TTestAuthority() = default;

TServerIdentity TTestAuthority::Issue(const std::string& names, int from_days, int to_days) const {
  Certificate issuer = ReadCertificate(certificate_);
  Key issuer_key = ReadKey(key_);
  return MakeServer(names, issuer.get(), issuer_key.get(), from_days, to_days);
}

TServerIdentity TTestAuthority::SelfSigned(const std::string& names) {
  return MakeServer(names, nullptr, nullptr, -1, 30);
}

TTrustedAuthority::TTrustedAuthority(const TTestAuthority& authority) {
  static std::atomic<int> count{0};
  path_ = (std::filesystem::temp_directory_path() /
           ("tarvo_test_ca_" + std::to_string(getpid()) + "_" + std::to_string(count++) + ".pem"))
              .string();
  std::ofstream(path_, std::ios::binary) << authority.CertificatePem();
  const char* previous = std::getenv("SSL_CERT_FILE");
  had_previous_ = previous != nullptr;
  if (had_previous_) previous_ = previous;
  setenv("SSL_CERT_FILE", path_.c_str(), 1);
}

TTrustedAuthority::~TTrustedAuthority() {
  if (had_previous_)
    setenv("SSL_CERT_FILE", previous_.c_str(), 1);
  else
    unsetenv("SSL_CERT_FILE");
  std::error_code ignored;
  std::filesystem::remove(path_, ignored);
}
