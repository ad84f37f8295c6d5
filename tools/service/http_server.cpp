#include "tools/service/http_server.h"

#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <variant>

#include "platform/exception.h"

namespace {

using Clock = HttpChannel::Clock;

// How long a connection that has been answered keeps taking what its client still sends: at
// most half a minute, and only while something arrives every 2 seconds. It may be closed
// earlier to make room.
constexpr std::chrono::seconds kLinger(30);
constexpr std::chrono::seconds kLingerGap(2);
// What a 500 answer says: the details go to standard error only, never to the client.
constexpr std::string_view kInternalError = "Внутренняя ошибка сервиса";
// Bytes read from the socket at a time while a head arrives.
constexpr std::size_t kHeadChunk = 4096;

// A refusal that goes out without reading the request: for a connection there is no room for.
void RefuseAtOnce(int fd, const THttpAnswer& answer) {
  const std::string bytes = AnswerHead(answer, answer.body.size()) + answer.body;
  [[maybe_unused]] const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  ::shutdown(fd, SHUT_WR);
}

// What went wrong, for the service's own log.
std::string FailureText(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "unknown failure";
  }
}

}  // namespace

struct HttpServer::Connection {
  explicit Connection(FileHandle fd) : socket(std::move(fd)) {}
  FileHandle socket;               // closed once the thread has been joined
  PeerWait wait;                   // whether it waits on its client
  std::atomic<bool> done{false};   // the thread has finished
  std::thread thread;              // serves the connection
};

HttpServer::HttpServer(THttpLimits limits, HttpHandler handler)
    : limits_(limits), handler_(std::move(handler)) {}

HttpServer::~HttpServer() { Stop(); }

int HttpServer::Listen(const std::string& host, int port) {
  if (listener_.IsOpen()) throw Exception("the service is already running");
  const std::string where = host + ":" + std::to_string(port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
    throw Exception("cannot listen on " + where + ": unknown address");
  }
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    FileHandle socket(::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK,
                               address->ai_protocol));
    if (!socket.IsOpen()) continue;
    // Only SO_REUSEADDR (a restart may bind at once), never SO_REUSEPORT: a second service on
    // the same port must fail rather than share it.
    const int yes = 1;
    ::setsockopt(socket.Fd(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(socket.Fd(), address->ai_addr, address->ai_addrlen) != 0 ||
        ::listen(socket.Fd(), SOMAXCONN) != 0) {
      continue;
    }
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    ::getsockname(socket.Fd(), reinterpret_cast<sockaddr*>(&bound), &size);
    listener_ = std::move(socket);
    ::freeaddrinfo(found);
    const sockaddr* name = reinterpret_cast<const sockaddr*>(&bound);
    return ntohs(name->sa_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(name)->sin6_port
                                             : reinterpret_cast<const sockaddr_in*>(name)->sin_port);
  }
  ::freeaddrinfo(found);
  throw Exception("cannot listen on " + where);
}

void HttpServer::Start() {
  if (!listener_.IsOpen()) throw Exception("the server listens on no address");
  if (acceptor_.joinable()) throw Exception("the service is already running");
  stopping_ = false;
  wake_ = FileHandle(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake_.IsOpen()) throw Exception("cannot create an event descriptor");
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

void HttpServer::Stop() {
  if (!acceptor_.joinable()) return;
  stopping_ = true;
  Wake();
  acceptor_.join();
  for (const auto& connection : connections_) ::shutdown(connection->socket.Fd(), SHUT_RDWR);
  for (const auto& connection : connections_) connection->thread.join();
  connections_.clear();
  listener_.Close();
  wake_.Close();
}

void HttpServer::Wake() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wake_.Fd(), &one, sizeof one);
}

void HttpServer::AcceptLoop() {
  while (!stopping_) {
    pollfd waits[2] = {{listener_.Fd(), POLLIN, 0}, {wake_.Fd(), POLLIN, 0}};
    if (::poll(waits, 2, -1) < 0) continue;
    if (waits[1].revents != 0) {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t got = ::read(wake_.Fd(), &count, sizeof count);
      Reap();
    }
    if (waits[0].revents != 0 && !stopping_) Accept();
  }
}

void HttpServer::Accept() {
  FileHandle socket(::accept4(listener_.Fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (!socket.IsOpen()) {
    // Out of descriptors: give the connections under way a moment to end.
    if (errno == EMFILE || errno == ENFILE) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return;
  }
  Reap();
  std::size_t serving = 0;
  for (const auto& connection : connections_) serving += connection->wait.Claimed() ? 0 : 1;
  if (serving >= limits_.max_connections && !MakeRoom()) {
    RefuseAtOnce(socket.Fd(), Refusal(503, "Сервис занят, повторите попытку позже"));
    return;
  }
  auto connection = std::make_unique<Connection>(std::move(socket));
  // It waits for its head from now on, and may make room for others from now on.
  connection->wait.Begin(HttpChannel::Now());
  Connection& served = *connection;
  connections_.push_back(std::move(connection));
  try {
    served.thread = std::thread([this, &served] {
      Serve(served);
      served.done = true;
      Wake();
    });
  } catch (const std::system_error&) {
    connections_.pop_back();  // no thread: the connection closes unanswered
  }
}

bool HttpServer::MakeRoom() {
  for (;;) {
    Connection* longest = nullptr;
    std::int64_t since = 0;
    for (const auto& connection : connections_) {
      const std::optional<std::int64_t> waiting = connection->wait.Since();
      if (waiting && (longest == nullptr || *waiting < since)) {
        longest = connection.get();
        since = *waiting;
      }
    }
    if (longest == nullptr) return false;
    // It may have stopped waiting meanwhile; then look again.
    if (longest->wait.Claim(since)) {
      ::shutdown(longest->socket.Fd(), SHUT_RDWR);
      return true;
    }
  }
}

void HttpServer::Reap() {
  for (auto it = connections_.begin(); it != connections_.end();) {
    if ((*it)->done) {
      (*it)->thread.join();
      it = connections_.erase(it);
    } else {
      ++it;
    }
  }
}

void HttpServer::Serve(Connection& connection) {
  HttpChannel channel(connection.socket.Fd(), connection.wait);
  std::optional<TReply> reply = Exchange(connection, channel);
  if (reply) SendAnswer(channel, *reply);
  channel.Linger(Clock::now() + kLinger, kLingerGap);
}

std::optional<HttpServer::TReply> HttpServer::Exchange(Connection& connection, HttpChannel& channel) {
  const auto head_deadline = Clock::now() + limits_.head_timeout;
  HeadScanner scanner(limits_.head);
  std::string received;
  std::size_t head_size = 0;
  char chunk[kHeadChunk];
  while (head_size == 0) {
    std::variant<std::size_t, THttpRefusal> scan = scanner.Scan(received);
    if (const THttpRefusal* refusal = std::get_if<THttpRefusal>(&scan)) {
      return TReply{Refusal(*refusal)};
    }
    head_size = std::get<std::size_t>(scan);
    if (head_size != 0) break;
    const ssize_t got = channel.Receive(chunk, sizeof chunk, head_deadline);
    if (got == HttpChannel::kTimedOut && !received.empty()) {
      return TReply{Refusal(408, "Заголовки запроса не пришли вовремя")};
    }
    if (got <= 0) return std::nullopt;
    received.append(chunk, static_cast<std::size_t>(got));
  }
  if (!connection.wait.End()) return std::nullopt;

  std::variant<THttpRequest, THttpRefusal> parsed =
      ParseRequestHead(std::string_view(received).substr(0, head_size), limits_.max_body);
  if (const THttpRefusal* refusal = std::get_if<THttpRefusal>(&parsed)) {
    return TReply{Refusal(*refusal)};
  }
  const THttpRequest& request = std::get<THttpRequest>(parsed);
  HttpExchange exchange(request, channel, std::string_view(received).substr(head_size),
                        Clock::now() + limits_.body_timeout);
  TReply reply;
  reply.head_only = request.method == "HEAD";
  try {
    reply.answer = handler_(exchange);
  } catch (...) {
    std::fprintf(stderr, "tarvo-service: %s %s: %s\n", request.method.c_str(),
                 std::string(request.Path()).c_str(), FailureText(std::current_exception()).c_str());
    reply.answer = Refusal(500, kInternalError);
  }
  return reply;
}

void HttpServer::SendAnswer(HttpChannel& channel, TReply& reply) {
  const auto deadline = Clock::now() + limits_.body_timeout;
  THttpAnswer& answer = reply.answer;
  std::uint64_t length = answer.body.size();
  struct stat file {};
  if (answer.file.IsOpen()) {
    if (::fstat(answer.file.Fd(), &file) != 0) {
      answer = Refusal(500, kInternalError);
      length = answer.body.size();
    } else {
      length = static_cast<std::uint64_t>(file.st_size);
    }
  }
  if (!channel.Send(AnswerHead(answer, length), deadline) || reply.head_only) return;
  if (answer.file.IsOpen()) {
    channel.SendFile(answer.file.Fd(), length, deadline);
  } else {
    channel.Send(answer.body, deadline);
  }
}
