#include "tests/common/tls_test_server.h"

#include <fcntl.h>
#include <signal.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <stdexcept>

namespace {

// Loads a PEM object with `read` from `pem` and hands it to `use`; false when either fails.
template <class Object, class Read, class Use, class Free>
bool LoadPem(const std::string& pem, Read read, Use use, Free free) {
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  Object* object = read(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  const bool ok = object != nullptr && use(object) == 1;
  if (object != nullptr) free(object);
  return ok;
}

}  // namespace

// ---- TTlsConnection

int TTlsConnection::Run(const std::function<int()>& call) {
  for (;;) {
    ERR_clear_error();
    const int result = call();
    if (result > 0) return result;
    const int error = SSL_get_error(ssl_, result);
    const short events = error == SSL_ERROR_WANT_READ ? POLLIN : error == SSL_ERROR_WANT_WRITE ? POLLOUT : 0;
    if (events == 0) {
      ERR_clear_error();
      return 0;
    }
    pollfd polls[2] = {{raw_.Descriptor(), events, 0}, {raw_.StopDescriptor(), POLLIN, 0}};
    if (poll(polls, 2, -1) <= 0 || polls[1].revents != 0) return 0;
  }
}

bool TTlsConnection::ReadSome(std::string* data) {
  char buffer[16384];
  const int n = Run([&] { return SSL_read(ssl_, buffer, sizeof buffer); });
  if (n <= 0) return false;
  data->append(buffer, static_cast<size_t>(n));
  return true;
}

std::string TTlsConnection::ReadRequest() {
  return ReadHttpRequest([this](std::string* data) { return ReadSome(data); });
}

void TTlsConnection::Send(const std::string& bytes) {
  if (bytes.empty()) return;
  Run([&] { return SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size())); });
}

void TTlsConnection::WaitForClose() {
  std::string ignored;
  while (ReadSome(&ignored)) ignored.clear();
}

// ---- TTlsTestServer

TTlsTestServer::TTlsTestServer(const TServerIdentity& identity, Handler handler, Mode mode)
    : handler_(std::move(handler)), mode_(mode) {
  context_ = SSL_CTX_new(TLS_server_method());
  if (context_ == nullptr) throw std::runtime_error("SSL_CTX_new");
  SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
  const bool loaded =
      LoadPem<X509>(identity.certificate, PEM_read_bio_X509,
                    [&](X509* c) { return SSL_CTX_use_certificate(context_, c); }, X509_free) &&
      LoadPem<EVP_PKEY>(identity.key, PEM_read_bio_PrivateKey,
                        [&](EVP_PKEY* k) { return SSL_CTX_use_PrivateKey(context_, k); }, EVP_PKEY_free);
  if (!loaded) {
    SSL_CTX_free(context_);
    throw std::runtime_error("test server identity");
  }
  server_ = std::make_unique<TRawHttpServer>([this](TRawConnection& raw) {
    if (mode_ == Mode::kStallInHandshake)
      Stall(raw);
    else
      Serve(raw);
  });
}

TTlsTestServer::~TTlsTestServer() {
  server_.reset();  // its thread ends here
  SSL_CTX_free(context_);
}

void TTlsTestServer::Serve(TRawConnection& raw) {
  // OpenSSL writes to the socket with write(): a client that has gone must not end the tests.
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  fcntl(raw.Descriptor(), F_SETFL, fcntl(raw.Descriptor(), F_GETFL) | O_NONBLOCK);
  SSL* ssl = SSL_new(context_);
  SSL_set_fd(ssl, raw.Descriptor());
  TTlsConnection connection(raw, ssl);
  if (connection.Run([ssl] { return SSL_accept(ssl); }) > 0) {
    ++handshakes_;
    handler_(connection);
    SSL_shutdown(ssl);
  }
  SSL_free(ssl);
  ERR_clear_error();
}

void TTlsTestServer::Stall(TRawConnection& raw) {
  // The session runs on memory buffers, so the server's answer can be cut in half.
  SSL* ssl = SSL_new(context_);
  BIO* in = BIO_new(BIO_s_mem());
  BIO* out = BIO_new(BIO_s_mem());
  SSL_set_bio(ssl, in, out);  // the session owns both
  std::string received;
  while (BIO_ctrl_pending(out) == 0 && raw.ReadSome(&received)) {
    BIO_write(in, received.data(), static_cast<int>(received.size()));
    received.clear();
    SSL_accept(ssl);
  }
  std::string answer(BIO_ctrl_pending(out), '\0');
  if (!answer.empty()) {
    BIO_read(out, answer.data(), static_cast<int>(answer.size()));
    raw.Send(answer.substr(0, answer.size() / 2));
  }
  raw.WaitForClose();
  SSL_free(ssl);
  ERR_clear_error();
}
