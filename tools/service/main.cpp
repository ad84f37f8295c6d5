// tarvo-service: the demo trading service. Prints "listening on http://HOST:PORT" (https with
// a certificate) once it serves and stops cleanly on SIGINT or SIGTERM.

#include <signal.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "tools/service/service_options.h"
#include "tools/service/trading_service.h"

int main(int argc, char** argv) {
  TServiceCommand command;
  try {
    command = ParseServiceCommand(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvo-service: %s\n%s", e.what(), ServiceUsage().c_str());
    return 2;
  }
  if (command.help) {
    std::fputs(ServiceUsage().c_str(), stdout);
    return 0;
  }

  // The signals are taken by sigwait below; blocked before any thread starts, so that every
  // thread of the server inherits the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  try {
    const std::string host = command.options.host;
    const char* const scheme = command.options.tls_certificate.empty() ? "http" : "https";
    TradingService service(std::move(command.options));
    const int port = service.Start();
    const bool ipv6 = host.find(':') != std::string::npos;
    std::printf("listening on %s://%s%s%s:%d\n", scheme, ipv6 ? "[" : "", host.c_str(), ipv6 ? "]" : "",
                port);
    std::fflush(stdout);
    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    service.Stop();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvo-service: %s\n", e.what());
    return 1;
  }
  return 0;
}
