#pragma once
// A plain TCP connection to a service on 127.0.0.1, for requests no HTTP client would send:
// heads without end, trickling lines, bodies cut short or carrying a second request. Every wait
// is bounded, so that a service that never answers fails the test instead of hanging it.

#include <string>
#include <string_view>

class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  // Sends all of `bytes`; false once the service has closed the connection (or took nothing
  // for 10 seconds).
  bool Send(std::string_view bytes);
  // Whether an answer or the end of the connection has arrived, waiting up to `wait_ms`.
  bool Answered(int wait_ms = 0);
  // What has arrived once something has, waiting up to 10 seconds; empty at the end.
  std::string ReadSome();
  // Everything the service sends until it closes the connection, waiting up to 10 seconds
  // for each piece; "<still open>" is appended when the connection did not end.
  std::string ReadToEnd();

 private:
  int fd_ = -1;  // the connected socket
};

// The status of the first answer in what a connection received (0 when there is none), and how
// many answers it holds.
int FirstStatus(std::string_view received);
int AnswerCount(std::string_view received);
