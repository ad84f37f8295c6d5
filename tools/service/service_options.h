#pragma once
// The command line of tarvo-service.

#include <string>
#include <vector>

#include "tools/service/trading_service.h"

// What the command line asks for.
struct TServiceCommand {
  bool help = false;        // --help: print the usage and exit
  TServiceOptions options;  // otherwise: run the service with these
};

// Reads the arguments after the program name: --host HOST, --port PORT (0 to 65535),
// --data DIR, --tls-cert FILE with --tls-key FILE, --account USER:PASSWORD (one or more), --help.
// Raises Exception for an unknown or incomplete option, a bad port, a certificate without its
// key (or the other way round), or no account.
TServiceCommand ParseServiceCommand(const std::vector<std::string>& args);

// The usage text.
std::string ServiceUsage();
