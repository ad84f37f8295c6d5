#include "upload/clDC.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <exception>

#include "platform/application_error.h"
#include "platform/format.h"
#include "platform/text_lines.h"
#include "platform/thread_calls.h"
#include "platform/utf.h"
#include "upload/clWinInet.h"

namespace {

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::u16string TclProxyText(TclUrlType AUrlType, const TclProxySettings& AHttpProxy,
                            const TclProxySettings& AFtpProxy) {
  const TclProxySettings* settings;
  std::u16string scheme;
  switch (AUrlType) {
    case utFTP: settings = &AFtpProxy, scheme = u"ftp"; break;
    case utHTTP: settings = &AHttpProxy, scheme = u"http"; break;
    case utHTTPS: settings = &AHttpProxy, scheme = u"https"; break;
    default: return u"";
  }
  if (settings->Server.empty()) return u"";
  std::u16string server = settings->Server;
  if (!StartsWithIgnoringCase(server, u"http") && !StartsWithIgnoringCase(server, u"ftp"))
    server = scheme + u"://" + server;
  return Format(u"%s=%s:%d", {scheme, server, settings->Port});
}

// ---- TclCustomThreader::TEnd

void TclCustomThreader::TEnd::Signal() {
  FEnded = true;
  FEvent.Set();
}

void TclCustomThreader::TEnd::Wait(std::thread::id base) {
  TEvent* events[] = {&FEvent};
  while (!FEnded.load()) {
    if (base == std::this_thread::get_id())
      WaitForAnyEventDrainingCalls(events);
    else
      FEvent.Wait();
  }
  FEvent.Set();  // for any other waiter
}

// ---- TclCustomThreader

TclCustomThreader::TclCustomThreader(std::u16string AURL, TStream* ADataStream)
    : FURL(std::move(AURL)), FDataStream(ADataStream), FBaseThread(std::this_thread::get_id()) {}

TclCustomThreader::~TclCustomThreader() {
  if (FThread.joinable()) {
    if (FThread.get_id() == std::this_thread::get_id())
      FThread.detach();
    else
      FThread.join();
  }
}

void TclCustomThreader::Perform() { FThread = std::thread(&TclCustomThreader::ThreadProc, this); }

void TclCustomThreader::Stop() {
  FStopped = true;
  FSleepEvent.Set();
  Connection()->Stop();
}

void TclCustomThreader::Wait() {
  // Copies first: a worker that frees itself may be gone before the wait returns.
  const std::shared_ptr<TEnd> end = FEnd;
  const std::thread::id base = FBaseThread;
  end->Wait(base);
}

TclResourceInfo* TclCustomThreader::ResourceInfo() const {
  return FResourceInfo != nullptr ? FResourceInfo : FSelfResourceInfo.get();
}

TclInternetConnection* TclCustomThreader::Connection() {
  if (FConnection != nullptr) return FConnection;
  std::lock_guard guard(FConnectionLock);
  if (FSelfConnection == nullptr) FSelfConnection = std::make_unique<TclInternetConnection>();
  return FSelfConnection.get();
}

void TclCustomThreader::ApplyPriority() {
  // The thread's nice value relative to the process; raising may be refused, which is fine.
  const int delta = Priority == ppLower ? 1 : Priority == ppHigher ? -1 : 0;
  if (delta == 0) return;
  const id_t tid = static_cast<id_t>(syscall(SYS_gettid));
  setpriority(PRIO_PROCESS, tid, getpriority(PRIO_PROCESS, tid) + delta);
}

void TclCustomThreader::ThreadProc() {
  ApplyPriority();
  Execute();
  if (OnTerminate) {
    try {
      Synchronize([this] { OnTerminate(this); });
    } catch (...) {
      // No caller is left to take it: the base thread reports it.
      PostToThread(FBaseThread, [error = std::current_exception()] { std::rethrow_exception(error); });
    }
  }
  const std::shared_ptr<TEnd> end = FEnd;
  if (FreeOnTerminate) delete this;
  end->Signal();
}

void TclCustomThreader::SetStatus(TclProcessStatus AStatus) {
  if (FStatus == AStatus) return;
  FStatus = AStatus;
  if (OnStatusChanged) Synchronize([this] { OnStatusChanged(this, FStatus); });
}

void TclCustomThreader::DoError(const std::u16string& AText, const std::u16string& AExtra,
                                int ACode) {
  if (FStopped) return;
  FLastError = AText;
  FLastErrorCode = ACode;
  if (AText.empty()) {
    FLastErrorCode = static_cast<int>(GetLastError());
    FLastError = GetInternetErrorText(FLastErrorCode);
  }
  if (!AExtra.empty()) FLastError += u": " + AExtra;
  if (OnError) Synchronize([this] { OnError(this, FLastError, FLastErrorCode); });
}

void TclCustomThreader::SetResponseHeaderText(std::u16string_view text) {
  FResponseHeader = SplitLines(text);
}

void TclCustomThreader::Execute() {
  try {
    try {
      FResponseHeader.clear();
      int attempts_left = TryCount;
      FTempErrorCode = 0;
      SetStatus(psProcess);
      if (FURLParser.AbsoluteUri().empty()) {
        FURLParser.OnUrlParsing = [this](TclUrlParser*, URL_COMPONENTS& parts) {
          if (OnUrlParsing) Synchronize([&] { OnUrlParsing(this, parts); });
        };
        FURL = FURLParser.Parse(FURL);
        if (FURL.empty()) throw EclInternetError::CreateByLastError();
      }
      for (;;) {
        try {
          Process();
          break;
        } catch (const EclInternetError& e) {
          FTempErrorCode = e.ErrorCode();
          if (--attempts_left < 1) throw;
          FSleepEvent.Wait(ReconnectAfter);
        }
      }
      SetStatus(FStopped ? psTerminated : !FLastError.empty() ? psErrors : psSuccess);
    } catch (const EclInternetError& e) {
      DoError(e.Message(), u"", e.ErrorCode());
      SetStatus(psFailed);
    } catch (const Exception& e) {
      DoError(e.Message(), u"", 0);
      SetStatus(psFailed);
    } catch (const std::exception& e) {
      DoError(Utf8ToUtf16(e.what()), u"", 0);
      SetStatus(psFailed);
    }
  } catch (...) {
    // A handler of the error or the final status raised: the status stands, the base thread
    // reports the exception.
    PostToThread(FBaseThread, [error = std::current_exception()] { std::rethrow_exception(error); });
  }
}

void TclCustomThreader::Process() {
  TclInternetConnection* connection = Connection();
  // The attempt's handles are freed when it ends, unless they are kept for the next one.
  struct Leave {
    TclCustomThreader* self;
    ~Leave() {
      if (self->KeepConnection) return;
      delete self->FConnectAction;
      self->FConnectAction = nullptr;
      delete self->FOpenAction;
      self->FOpenAction = nullptr;
    }
  } leave{this};
  FOpenAction = connection->GetActionByClass<TclInternetOpenAction>();
  if (FOpenAction != nullptr && FOpenAction->Resource() == 0) {
    delete FOpenAction;  // its handle was closed by a cancellation: useless
    FOpenAction = nullptr;
  }
  if (FOpenAction == nullptr) {
    const std::u16string proxy = TclProxyText(FURLParser.UrlType(), HttpProxySettings, FtpProxySettings);
    FOpenAction = new TclInternetOpenAction(
        connection, InternetAgent, proxy.empty() ? INTERNET_OPEN_TYPE_PRECONFIG : INTERNET_OPEN_TYPE_PROXY,
        proxy, ProxyBypass, 0);
    FOpenAction->FireAction(-1);
  }
  if (FStopped) return;
  FConnectAction = connection->GetActionByClass<TclConnectAction>();
  if (FConnectAction != nullptr && FConnectAction->Resource() == 0) {
    delete FConnectAction;
    FConnectAction = nullptr;
  }
  if (FConnectAction == nullptr) {
    const bool ftp = FURLParser.UrlType() == utFTP;
    FConnectAction = new TclConnectAction(
        connection, FOpenAction->Resource(), FURLParser.Host(), FURLParser.Port(),
        ftp ? FURLParser.UserName() : u"", ftp ? FURLParser.Password() : u"",
        ftp ? INTERNET_SERVICE_FTP : INTERNET_SERVICE_HTTP,
        ftp && PassiveFTPMode ? INTERNET_FLAG_PASSIVE : 0);
    FConnectAction->FireAction(TimeOut);
  }
  if (FStopped) return;
  switch (FURLParser.UrlType()) {
    case utFTP: ProcessFtp(); break;
    case utHTTP:
    case utHTTPS: ProcessHttp(); break;
    default: break;
  }
}
