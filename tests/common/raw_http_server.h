#pragma once
// A TCP server on 127.0.0.1 with an ephemeral port for network tests. Each accepted connection
// is handed to the test's handler on the server's thread, one after the other, so the handler
// can answer properly or misbehave (stall, trickle, close early, send garbage). Every wait of
// the handler ends when the server is destroyed, so a stalling handler never hangs a test.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Reads one request with `read_some` (which appends received bytes and is false once the
// connection or the server ends): its head and, by its Content-Length, its body. What arrived
// when the connection ended early.
inline std::string ReadHttpRequest(const std::function<bool(std::string*)>& read_some) {
  std::string data;
  size_t head_end;
  while ((head_end = data.find("\r\n\r\n")) == std::string::npos) {
    if (!read_some(&data)) return data;
  }
  size_t length = 0;
  std::string head = data.substr(0, head_end);
  for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const size_t at = head.find("\r\ncontent-length:");
  if (at != std::string::npos) length = std::stoul(head.substr(at + 17));
  while (data.size() < head_end + 4 + length) {
    if (!read_some(&data)) break;
  }
  return data;
}

class TRawConnection {
 public:
  TRawConnection(int fd, int stop_fd) : fd_(fd), stop_fd_(stop_fd) {}

  // Reads one request: its head and, by its Content-Length, its body. Empty when the client
  // closed or the server stops first.
  std::string ReadRequest() {
    return ReadHttpRequest([this](std::string* data) { return ReadSome(data); });
  }
  void Send(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return;
      sent += static_cast<size_t>(n);
    }
  }
  // Sleeps, ending early when the server stops; false then.
  bool Pause(int ms) {
    pollfd p{stop_fd_, POLLIN, 0};
    return poll(&p, 1, ms) == 0;
  }
  // Waits until the client closes the connection or the server stops.
  void WaitForClose() {
    std::string ignored;
    while (ReadSome(&ignored)) ignored.clear();
  }
  // Appends the bytes that arrive next; false when the client closed or the server stops.
  bool ReadSome(std::string* data) {
    pollfd p[2] = {{fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
    if (poll(p, 2, -1) <= 0 || p[1].revents != 0) return false;
    char buffer[4096];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    data->append(buffer, static_cast<size_t>(n));
    return true;
  }
  int Descriptor() const { return fd_; }
  // Readable once the server stops.
  int StopDescriptor() const { return stop_fd_; }

 private:
  int fd_;       // the accepted connection
  int stop_fd_;  // readable once the server stops
};

class TRawHttpServer {
 public:
  using Handler = std::function<void(TRawConnection&)>;

  explicit TRawHttpServer(Handler handler) : handler_(std::move(handler)) {
    if (pipe(stop_) != 0) throw std::runtime_error("pipe");
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listen_fd_, 16) != 0 ||
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      throw std::runtime_error("listen");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~TRawHttpServer() {
    [[maybe_unused]] ssize_t n = write(stop_[1], "x", 1);
    thread_.join();
    close(listen_fd_);
    close(stop_[0]);
    close(stop_[1]);
  }

  int Port() const { return port_; }
  std::string Url(const std::string& path = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int Connections() const { return connections_.load(); }
  // A port of 127.0.0.1 on which nobody listens (a server's, closed again).
  static int UnusedPort() {
    TRawHttpServer* server = new TRawHttpServer([](TRawConnection&) {});
    const int port = server->Port();
    delete server;
    return port;
  }

  // A handler that reads the request, records it and answers with `response`.
  static Handler Answer(std::string response, std::vector<std::string>* requests = nullptr,
                        std::mutex* lock = nullptr) {
    return AnswerOn<TRawConnection>(std::move(response), requests, lock);
  }
  // The same for any connection with ReadRequest and Send.
  template <class Connection>
  static std::function<void(Connection&)> AnswerOn(std::string response,
                                                   std::vector<std::string>* requests,
                                                   std::mutex* lock) {
    return [response, requests, lock](Connection& c) {
      std::string request = c.ReadRequest();
      if (requests != nullptr) {
        std::lock_guard guard(*lock);
        requests->push_back(request);
      }
      c.Send(response);
    };
  }

 private:
  void Run() {
    for (;;) {
      pollfd p[2] = {{listen_fd_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
      if (poll(p, 2, -1) <= 0 || p[1].revents != 0) return;
      const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      ++connections_;
      TRawConnection connection(fd, stop_[0]);
      handler_(connection);
      shutdown(fd, SHUT_WR);
      close(fd);
    }
  }

  Handler handler_;
  int stop_[2] = {-1, -1};  // a byte written to stop_[1] stops the server
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<int> connections_{0};
  std::thread thread_;
};
