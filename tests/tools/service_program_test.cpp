#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "service_fixture.h"
#include "tests/common/test_certificates.h"

extern char** environ;

namespace {

// The program tarvo-service running with the given arguments, its standard output and error
// read through pipes.
class ServiceProgram {
 public:
  explicit ServiceProgram(std::vector<std::string> args) {
    args.insert(args.begin(), TARVO_SERVICE_BINARY);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~ServiceProgram() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
    ::close(err_);
  }

  // The first line of standard output, waiting up to 10 seconds.
  std::string FirstLine() {
    std::string line;
    char c;
    while (line.find('\n') == std::string::npos) {
      pollfd wait{out_, POLLIN, 0};
      if (::poll(&wait, 1, 10000) <= 0 || ::read(out_, &c, 1) != 1) break;
      line += c;
    }
    return line;
  }
  // Everything on standard error once the program has ended.
  std::string Errors() {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(err_, buffer, sizeof buffer)) > 0;) text.append(buffer, got);
    return text;
  }
  // The exit code, waiting up to 10 seconds; -1 when it did not exit by itself in time.
  int ExitCode() {
    for (int i = 0; i < 1000; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }
  void Signal(int number) { ::kill(pid_, number); }

 private:
  pid_t pid_ = -1;  // the running program
  int out_ = -1;    // its standard output
  int err_ = -1;    // its standard error
};

}  // namespace

TEST_F(ServiceTest, ProgramAnnouncesItsAddressAndStopsOnSignal) {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal_number);
    ServiceProgram program({"--port", "0", "--data", data_.string(), "--account", "shop:secret"});
    const std::string line = program.FirstLine();
    ASSERT_THAT(line, ::testing::MatchesRegex("listening on http://127\\.0\\.0\\.1:[0-9]+\n"));
    httplib::Client client("127.0.0.1", std::stoi(line.substr(line.rfind(':') + 1)));
    auto res = client.Get("/upload?user=shop&pass=secret&price=4");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "ok");
    program.Signal(signal_number);
    EXPECT_EQ(program.ExitCode(), 0);
  }
}

TEST_F(ServiceTest, ProgramServesHttpsWithACertificate) {
  TTestAuthority authority;
  const TServerIdentity identity = authority.Issue(kLoopbackNames);
  const std::string files = data_.string() + "-";
  for (const auto& [name, text] : {std::pair{"cert.pem", identity.certificate}, std::pair{"key.pem", identity.key},
                                   std::pair{"authority.pem", authority.CertificatePem()}}) {
    std::ofstream(files + name) << text;
  }
  ServiceProgram program({"--port", "0", "--data", data_.string(), "--account", "shop:secret", "--tls-cert",
                          files + "cert.pem", "--tls-key", files + "key.pem"});
  const std::string line = program.FirstLine();
  ASSERT_THAT(line, ::testing::MatchesRegex("listening on https://127\\.0\\.0\\.1:[0-9]+\n"));
  httplib::SSLClient client("127.0.0.1", std::stoi(line.substr(line.rfind(':') + 1)));
  client.set_ca_cert_path((files + "authority.pem").c_str());
  client.enable_server_certificate_verification(true);
  auto res = client.Get("/upload?user=shop&pass=secret&price=4");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body, "ok");
  program.Signal(SIGTERM);
  EXPECT_EQ(program.ExitCode(), 0);
  for (const char* name : {"cert.pem", "key.pem", "authority.pem"}) std::filesystem::remove(files + name);
}

TEST_F(ServiceTest, ProgramReportsBadCommandLinesAndBusyPorts) {
  {
    ServiceProgram program({"--port", "0", "--data", data_.string()});
    EXPECT_EQ(program.ExitCode(), 2);
    EXPECT_THAT(program.Errors(), ::testing::HasSubstr("no --account USER:PASSWORD given"));
  }
  StartService();
  ServiceProgram program(
      {"--port", std::to_string(port_), "--data", data_.string(), "--account", "a:b"});
  EXPECT_EQ(program.ExitCode(), 1);
  EXPECT_THAT(program.Errors(), ::testing::HasSubstr("cannot listen on 127.0.0.1:"));
}
