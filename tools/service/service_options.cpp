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
    if (option != "--host" && option != "--port" && option != "--data" && option != "--account" &&
        option != "--tls-cert" && option != "--tls-key") {
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
    } else if (option == "--tls-cert" || option == "--tls-key") {
      if (value.empty()) throw Exception(option + " needs a file");
      (option == "--tls-cert" ? options.tls_certificate : options.tls_key) = value;
    } else {
      options.accounts.push_back(ParseAccount(value));
    }
  }
  if (options.tls_certificate.empty() != options.tls_key.empty()) {
    throw Exception("--tls-cert and --tls-key go together: give both for HTTPS, or neither");
  }
  if (options.accounts.empty()) throw Exception("no --account USER:PASSWORD given");
  return command;
}

std::string ServiceUsage() {
  return "usage: tarvo-service [--host HOST] [--port PORT] [--data DIR] [--tls-cert FILE --tls-key FILE]\n"
         "                     --account USER:PASSWORD...\n"
         "  --host HOST              address to listen on (default 127.0.0.1)\n"
         "  --port PORT              port to listen on, 0 for any free one (default 8080)\n"
         "  --data DIR               folder for the shops' price lists (default "
         "./tarvo-service-data)\n"
         "  --tls-cert FILE          serve HTTPS with this PEM certificate (and its chain)\n"
         "  --tls-key FILE           the certificate's PEM private key\n"
         "  --account USER:PASSWORD  a shop that may publish; give it once for each shop\n";
}
