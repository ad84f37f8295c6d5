#include "support/brix_http_get.h"

#include <cstdio>
#include <vector>

#include "platform/application_error.h"
#include "platform/codepage.h"
#include "platform/thread_calls.h"
#include "platform/utf.h"

namespace {

constexpr INTERNET_PORT kBrixPort = 2410;

struct SplitUrl {
  std::string host;     // without the port
  INTERNET_PORT port;   // the URL's own port, else the scheme's or the component's
  std::string object;   // the path from its "/", query included
  bool secure = false;  // "https://": the fetch goes over TLS
};

// Drops a leading "http://" or "https://" (any case); the host runs to the first "/", where the
// object path starts ("/" when there is none). A port written after the host is used; without
// one, HTTPS uses 443 and HTTP the component's port.
bool Split(const std::u16string& url, THostPort port, SplitUrl* out) {
  std::string rest = WideToMultiByte(url);
  if (rest.size() >= 7 && CharUpperA(rest.substr(0, 7)) == "HTTP://") {
    rest.erase(0, 7);
  } else if (rest.size() >= 8 && CharUpperA(rest.substr(0, 8)) == "HTTPS://") {
    rest.erase(0, 8);
    out->secure = true;
  }
  const size_t slash = rest.find('/');
  std::string host = rest.substr(0, slash);
  out->object = slash == std::string::npos ? "/" : rest.substr(slash);
  out->port = out->secure       ? INTERNET_DEFAULT_HTTPS_PORT
              : port == hpBrix ? kBrixPort
                               : INTERNET_DEFAULT_HTTP_PORT;
  const size_t colon = host.rfind(':');
  if (colon != std::string::npos && host.find(']', colon) == std::string::npos) {
    const std::string digits = host.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
      return false;
    const unsigned long value = std::stoul(digits);
    if (value == 0 || value > 65535) return false;
    out->port = static_cast<INTERNET_PORT>(value);
    host.erase(colon);
  }
  out->host = host;
  return !host.empty();
}

// Closes a handle when it goes out of scope.
struct Handle {
  HINTERNET value = 0;
  ~Handle() {
    if (value != 0) InternetCloseHandle(value);
  }
};

// A decimal number that fits an int, as the Content-Length value must be.
bool ParseInt(const std::string& text, int* value) {
  if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long long v = std::stoull(text);
  if (v > 0x7FFFFFFF) return false;
  *value = static_cast<int>(v);
  return true;
}

const char16_t* AgentOfKind(TAgentKind kind) {
  switch (kind) {
    case akIE6: return u"Mozilla/4.0 (compatible; MSIE 6.01; Windows NT 5.0)";
    case akIE5: return u"Mozilla/4.0 (compatible; MSIE 5.01; Windows NT 5.0)";
    case akIE4: return u"Mozilla/4.0 (compatible; MSIE 4.01; Windows NT 5.0)";
    case akBrix: break;
  }
  return u"BrixDownloadManager";
}

}  // namespace

// ---- TBrix_HTTPGetThread

TBrix_HTTPGetThread::TBrix_HTTPGetThread(TBrix_HTTPGet* owner, bool to_file)
    : FTAcceptTypes(owner->AcceptTypes),
      FTAgent(owner->Agent),
      FTURL(owner->URL),
      FTFileName(owner->FileName),
      FTUserName(owner->UserName),
      FTPassword(owner->Password),
      FTPostQuery(owner->PostQuery),
      FTReferer(owner->Referer),
      FTPort(owner->Port),
      FTBinaryData(owner->BinaryData),
      FTUseCache(owner->UseCache),
      FTDropOffline(owner->DropOffline),
      FTToFile(to_file),
      FTProgress(owner->OnProgress),
      owner_(owner) {}

TBrix_HTTPGetThread::~TBrix_HTTPGetThread() {
  if (thread_.joinable()) thread_.join();
}

void TBrix_HTTPGetThread::Start(std::thread::id base) {
  base_ = base;
  thread_ = std::thread(&TBrix_HTTPGetThread::Execute, this);
}

void TBrix_HTTPGetThread::Abort() {
  aborted_ = true;
  std::lock_guard guard(session_lock_);
  if (session_ != 0) InternetCloseHandle(session_);
  session_ = 0;
}

bool TBrix_HTTPGetThread::SetSession(HINTERNET session) {
  std::lock_guard guard(session_lock_);
  if (session_ != 0 && session_ != session) InternetCloseHandle(session_);
  session_ = session;
  if (aborted_ && session_ != 0) {
    InternetCloseHandle(session_);
    session_ = 0;
  }
  return !aborted_;
}

void TBrix_HTTPGetThread::Execute() {
  try {
    FTResult = Fetch();
  } catch (...) {
    FTResult = false;
  }
  SetSession(0);
  SendToThread(base_, [this] { owner_->Completion(this); });
  finished_.Set();
}

bool TBrix_HTTPGetThread::Fetch() {
  SplitUrl url;
  if (!Split(FTURL, FTPort, &url) || aborted_) return false;
  if (FTDropOffline) {
    INTERNET_CONNECTED_INFO info{INTERNET_STATE_CONNECTED, 0};
    InternetSetOption(0, INTERNET_OPTION_CONNECTED_STATE, &info, sizeof info);
  }
  // The session handle is closed by SetSession(0) at the end, or by Abort.
  const HINTERNET session =
      InternetOpen(WideToMultiByte(FTAgent), INTERNET_OPEN_TYPE_PRECONFIG, "", "", 0);
  if (!SetSession(session)) return false;
  Handle connect{InternetConnect(session, url.host, url.port, WideToMultiByte(FTUserName),
                                 WideToMultiByte(FTPassword), INTERNET_SERVICE_HTTP, 0, 0)};
  const bool post = !FTPostQuery.empty();
  const std::vector<std::string> accept = {WideToMultiByte(FTAcceptTypes)};
  Handle request{HttpOpenRequest(connect.value, post ? "POST" : "GET", url.object, "HTTP/1.0",
                                 WideToMultiByte(FTReferer), &accept,
                                 (FTUseCache ? 0 : INTERNET_FLAG_RELOAD) |
                                     (url.secure ? INTERNET_FLAG_SECURE : 0),
                                 0)};
  const std::string body = WideToMultiByte(FTPostQuery);
  HttpSendRequest(request.value, post ? "Content-Type: application/x-www-form-urlencoded" : "",
                  post ? body.data() : nullptr, static_cast<DWORD>(body.size()));
  if (aborted_) return false;

  char length_text[1024];
  DWORD length = sizeof length_text;
  const bool has_length =
      HttpQueryInfo(request.value, HTTP_QUERY_CONTENT_LENGTH, length_text, &length, nullptr);
  if (aborted_ || (!has_length && FTBinaryData)) return false;
  FTFileSize = 0;
  if (has_length && !ParseInt(std::string(length_text, length), &FTFileSize)) return false;

  std::FILE* file = nullptr;
  if (FTToFile) {
    file = std::fopen(Utf16ToUtf8(FTFileName).c_str(), "wb");
    if (file == nullptr) return false;
  }
  struct Closer {
    std::FILE* f;
    ~Closer() {
      if (f != nullptr) std::fclose(f);
    }
  } closer{file};
  FTStringResult.clear();
  BytesReaded = 0;
  char buffer[1025];
  BytesToRead = sizeof buffer;
  for (;;) {
    if (aborted_) return false;
    DWORD read = 0;
    if (!InternetReadFile(request.value, buffer, sizeof buffer, &read) || read == 0) break;
    if (file != nullptr) {
      if (std::fwrite(buffer, 1, read, file) != read) return false;
    } else {
      FTStringResult.append(buffer, read);
    }
    BytesReaded += static_cast<int>(read);
    if (FTProgress) {
      const int total = FTFileSize, readed = BytesReaded;
      SendToThread(base_, [&] { FTProgress(this, total, readed); });
    }
  }
  if (FTToFile) {
    closer.f = nullptr;
    const bool closed = std::fclose(file) == 0;
    return closed && FTFileSize == BytesReaded;
  }
  FTStringResult.resize(static_cast<size_t>(BytesReaded));
  return BytesReaded >= 1;
}

// ---- TBrix_HTTPGet

TBrix_HTTPGet::TBrix_HTTPGet(TComponent* AOwner) : TComponent(AOwner) {}

TBrix_HTTPGet::~TBrix_HTTPGet() {
  destroying_ = true;
  if (worker_ == nullptr) return;
  worker_->Abort();
  // The worker's last act is a call to this thread: keep running calls until it has ended.
  TEvent* events[] = {&worker_->Finished()};
  if (in_use_) WaitForAnyEventDrainingCalls(events);
  worker_.reset();
}

void TBrix_HTTPGet::SetAgentKind(TAgentKind kind) {
  FAgentKind = kind;
  Agent = AgentOfKind(kind);
}

void TBrix_HTTPGet::GetString() {
  if (in_use_) return;
  Start(false);
  if (WaitThread) DrainThreadCalls();
}

void TBrix_HTTPGet::GetFile() {
  if (in_use_) return;
  Start(true);
  if (WaitThread) {
    TEvent* events[] = {&completed_};
    while (in_use_) WaitForAnyEventDrainingCalls(events);
  }
}

void TBrix_HTTPGet::Abort() {
  if (in_use_ && worker_ != nullptr) worker_->Abort();
}

void TBrix_HTTPGet::Start(bool to_file) {
  worker_.reset();  // the previous worker has run its completion and is ending
  auto worker = std::make_unique<TBrix_HTTPGetThread>(this, to_file);
  // A thread that cannot be started raises here and leaves the component idle. The worker's
  // completion runs on this thread, so it cannot come before these lines.
  worker->Start(std::this_thread::get_id());
  worker_ = std::move(worker);
  in_use_ = true;
  completed_.Reset();
}

void TBrix_HTTPGet::Completion(TBrix_HTTPGetThread* worker) {
  result_ = worker->FTResult && !worker->Aborted();
  if (!destroying_) {
    try {
      if (result_ && worker->FTToFile) {
        if (OnDoneFile && worker->FTFileSize > 0) OnDoneFile(this, worker->FTFileName, worker->FTFileSize);
      } else if (result_) {
        if (OnDoneString) OnDoneString(this, MultiByteToWide(worker->FTStringResult));
      } else if (OnError) {
        OnError(this);
      }
    } catch (...) {
      ReportApplicationError(std::current_exception());
    }
  }
  in_use_ = false;
  completed_.Set();
}
