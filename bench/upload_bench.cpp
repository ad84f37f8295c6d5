// Upload speed: a 100 MB file posted as the agent posts a price list (multipart/form-data,
// field "filename") to a server on 127.0.0.1, once by our uploader and once by `curl -F`,
// each three times. Prints the best rate of each and the ratio ours / curl's. The server
// parses the form as it streams in and keeps nothing.

#include <httplib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/utf.h"
#include "upload/clHttpRequest.h"
#include "upload/clUploader.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int64_t kFileSize = 100 * 1024 * 1024;
constexpr int kRuns = 3;

// The server: counts the bytes of the submitted file.
class TSink {
 public:
  TSink() {
    server_.Post("/upload", [this](const httplib::Request&, httplib::Response& response,
                                   const httplib::ContentReader& reader) {
      std::int64_t bytes = 0;
      reader([](const httplib::MultipartFormData&) { return true; },
             [&](const char*, size_t length) {
               bytes += static_cast<std::int64_t>(length);
               return true;
             });
      received_ = bytes;
      response.set_content("ok", "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::yield();
  }
  ~TSink() {
    server_.stop();
    thread_.join();
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/upload?price=1"; }
  std::int64_t Received() const { return received_.load(); }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::atomic<std::int64_t> received_{0};
};

double MegabytesPerSecond(Clock::duration elapsed) {
  return static_cast<double>(kFileSize) / (1024.0 * 1024.0) /
         std::chrono::duration<double>(elapsed).count();
}

// One upload by our uploader, configured as the agent's; the rate, or 0 when it failed.
double UploadOurs(const TSink& sink, const std::string& path) {
  TclHttpRequest request(nullptr);
  TclUploader uploader(nullptr);
  uploader.SetTimeOut(30000);
  uploader.SetReconnectAfter(30000);
  uploader.SetTryCount(1);
  uploader.SetUseHttpRequest(true);
  uploader.SetHttpRequest(&request);
  uploader.SetRequestMethod(u"POST");
  TclProcessStatus status = psUnknown;
  uploader.OnStatusChanged = [&](TclCustomInternetControl*, TclProcessStatus s) { status = s; };
  uploader.OnError = [](TclCustomInternetControl*, const std::u16string& error, int code) {
    std::fprintf(stderr, "uploader error %d: %s\n", code, Utf16ToUtf8(error).c_str());
  };
  uploader.SetURL(Utf8ToUtf16(sink.Url()));
  request.AddSubmitFile(u"filename", Utf8ToUtf16(path));
  const auto start = Clock::now();
  uploader.Start(false);
  const auto elapsed = Clock::now() - start;
  return status == psSuccess && sink.Received() == kFileSize ? MegabytesPerSecond(elapsed) : 0;
}

// One upload by curl; the rate, or 0 when it failed.
double UploadCurl(const TSink& sink, const std::string& path) {
  const std::string command =
      "curl -s -o /dev/null -F 'filename=@" + path + "' '" + sink.Url() + "'";
  const auto start = Clock::now();
  const int result = std::system(command.c_str());
  const auto elapsed = Clock::now() - start;
  return result == 0 && sink.Received() == kFileSize ? MegabytesPerSecond(elapsed) : 0;
}

}  // namespace

int main() {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("tarvo_upload_bench_" + std::to_string(getpid()) + ".html");
  {
    std::ofstream file(path, std::ios::binary);
    std::string block(1024 * 1024, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 31 % 251);
    for (std::int64_t written = 0; written < kFileSize; written += static_cast<std::int64_t>(block.size()))
      file.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  TSink sink;
  double ours = 0, curl = 0;
  for (int run = 0; run < kRuns; ++run) {
    ours = std::max(ours, UploadOurs(sink, path.string()));
    curl = std::max(curl, UploadCurl(sink, path.string()));
  }
  std::filesystem::remove(path);
  std::printf("100 MB form post to 127.0.0.1, best of %d:\n", kRuns);
  std::printf("  TclUploader: %8.1f MB/s\n", ours);
  if (curl > 0) {
    std::printf("  curl -F:     %8.1f MB/s\n", curl);
    std::printf("  ratio (ours / curl): %.2f\n", ours / curl);
  } else {
    std::printf("  curl -F:     failed or not installed\n");
  }
  return ours > 0 ? 0 : 1;
}
