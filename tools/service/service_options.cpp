#include "tools/service/service_options.h"

#include "platform/exception.h"

TServiceCommand ParseServiceCommand(const std::vector<std::string>& args) {
  TServiceCommand command;
  TServiceOptions& options = command.options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--help" || option == "-h") {
      command.help = true;
      return command;
    }
    if (option != "--host" && option != "--port" && option != "--data" && option != "--account") {
      throw Exception("unknown option \"" + option + "\"");
    }
    if (i + 1 == args.size()) throw Exception("option " + option + " needs a value");
    const std::string& value = args[++i];
    if (option == "--host") {
      if (value.empty()) throw Exception("--host needs an address");
      options.host = value;
    } else if (option == "--port") {
      std::size_t end = 0;
      int port = -1;
      try {
        port = std::stoi(value, &end);
      } catch (const std::exception&) {
      }
      if (end != value.size() || port < 0 || port > 65535) {
        throw Exception("--port \"" + value + "\" is not a port number (0 to 65535)");
      }
      options.port = port;
    } else if (option == "--data") {
      if (value.empty()) throw Exception("--data needs a folder");
      options.data = value;
    } else {
      options.accounts.push_back(ParseAccount(value));
    }
  }
  if (options.accounts.empty()) throw Exception("no --account USER:PASSWORD given");
  return command;
}

std::string ServiceUsage() {
  return "usage: tarvo-service [--host HOST] [--port PORT] [--data DIR] --account USER:PASSWORD...\n"
         "  --host HOST              address to listen on (default 127.0.0.1)\n"
         "  --port PORT              port to listen on, 0 for any free one (default 8080)\n"
         "  --data DIR               folder for the shops' price lists (default "
         "./tarvo-service-data)\n"
         "  --account USER:PASSWORD  a shop that may publish; give it once for each shop\n";
}
