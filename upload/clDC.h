#pragma once
// The worker thread of a transfer (TclCustomThreader) and the values it shares with the engine:
// the process status, the resource information and the proxy settings.
//
// A worker is created on the thread whose events it serves (its base thread, the main thread),
// configured there and started by Perform. It runs Execute once: attempts of the process
// operation, with pauses of ReconnectAfter between them, up to TryCount; every blocking call of
// an attempt goes through the connection (upload/clConnection.h) with TimeOut. Its events run
// on the base thread while the worker waits for them (upload/clSyncUtils.h); an exception a
// handler raises fails the step that raised the event. A worker never raises: failures arrive
// as OnError and the final status.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/critical_section.h"
#include "platform/events.h"
#include "platform/stream.h"
#include "upload/clConnection.h"
#include "upload/clSyncUtils.h"
#include "upload/clUriUtils.h"

enum TclProcessStatus { psUnknown, psSuccess, psFailed, psErrors, psProcess, psTerminated };

enum TclProcessPriority { ppLower, ppNormal, ppHigher };

// What is known of the transferred resource.
struct TclResourceInfo {
  std::int64_t Size = 0;
  std::u16string Name;
  double Date = 0;                 // creation time by default
  std::u16string ContentType;
  int StatusCode = 0;              // the HTTP status of the last response
  bool AllowsRandomAccess = false;
  std::u16string ContentDisposition;
  bool Compressed = false;
};

enum TclAuthenticationType { atBasic, atAutoDetect };

struct TclProxySettings {
  TclAuthenticationType AuthenticationType = atAutoDetect;
  std::u16string UserName, Password;
  std::u16string Server;  // empty: no proxy
  int Port = 8080;
};

// Certificate problems a transfer over HTTPS may ignore (the client's security flags).
enum : unsigned {
  cfIgnoreRevocation = 0x80,
  cfIgnoreUnknownAuthority = 0x100,
  cfIgnoreWrongUsage = 0x200,
  cfIgnoreCommonNameInvalid = 0x1000,
  cfIgnoreDateInvalid = 0x2000,
};
using TclCertificateFlags = unsigned;

inline constexpr char16_t cDefaultInternetAgent[] = u"Mozilla/4.0 (compatible; Tarvo Uploader 7.1)";
inline constexpr char16_t cDataStreamAbsent[] = u"The data source stream is not assigned";
inline constexpr char16_t cDataStreamShort[] = u"The data source stream ended before its size";
inline constexpr char16_t cHttpResourceError[] = u"HTTP resource access error occured, code = %d";
inline constexpr char16_t cStatusCode[] = u"Status Code";

// The proxy text of InternetOpen for a URL of `AUrlType`: "scheme=server:port", the server
// prefixed by "scheme://" unless it begins with "http" or "ftp"; empty without a server or
// for schemes other than FTP, HTTP and HTTPS.
std::u16string TclProxyText(TclUrlType AUrlType, const TclProxySettings& AHttpProxy,
                            const TclProxySettings& AFtpProxy);

class TclCustomThreader {
 public:
  using TNotifyEvent = std::function<void(TclCustomThreader* Sender)>;
  using TStatusEvent = std::function<void(TclCustomThreader* Sender, TclProcessStatus Status)>;
  using TErrorEvent =
      std::function<void(TclCustomThreader* Sender, const std::u16string& Error, int ErrorCode)>;
  using TResourceInfoEvent =
      std::function<void(TclCustomThreader* Sender, TclResourceInfo* ResourceInfo)>;
  using TUrlParsingEvent =
      std::function<void(TclCustomThreader* Sender, URL_COMPONENTS& UrlComponents)>;
  using TDataItemProceedEvent =
      std::function<void(TclCustomThreader* Sender, TclResourceInfo* ResourceInfo,
                         std::int64_t BytesProceed, const char* CurrentData, int CurrentDataSize)>;
  // The handler may supply a client certificate and says whether it handled the request.
  using TGetCertificateEvent =
      std::function<void(TclCustomThreader* Sender, void*& Certificate, bool& Handled)>;

  // Created idle on the calling thread, which becomes the base thread of its events.
  TclCustomThreader(std::u16string AURL, TStream* ADataStream);
  // Waits for a running thread unless called on it.
  virtual ~TclCustomThreader();
  TclCustomThreader(const TclCustomThreader&) = delete;
  TclCustomThreader& operator=(const TclCustomThreader&) = delete;

  // Starts the thread. With FreeOnTerminate the worker frees itself when it has ended.
  void Perform();
  // Asks the transfer to stop: pauses and the call in progress end at once; from any thread.
  void Stop();
  // Blocks until the thread has ended; on the base thread it runs marshalled calls meanwhile.
  void Wait();
  // The thread's end, shared so that it can be awaited after the worker has freed itself.
  class TEnd {
   public:
    void Signal();
    // As Wait above.
    void Wait(std::thread::id base);
    bool Ended() const { return FEnded.load(); }

   private:
    std::atomic<bool> FEnded{false};
    TEvent FEvent;
  };
  std::shared_ptr<TEnd> End() const { return FEnd; }

  bool Stopped() const { return FStopped.load(); }
  TclProcessStatus Status() const { return FStatus; }
  const std::u16string& URL() const { return FURL; }
  const std::u16string& LastError() const { return FLastError; }
  int LastErrorCode() const { return FLastErrorCode; }
  TclUrlParser& URLParser() { return FURLParser; }
  // The handed-in resource information, else the worker's own (null before the transfer).
  TclResourceInfo* ResourceInfo() const;
  void SetResourceInfo(TclResourceInfo* AValue) { FResourceInfo = AValue; }
  // The shared connection when one is set, else the worker's own, created on first use.
  TclInternetConnection* Connection();
  void SetConnection(TclInternetConnection* AValue) { FConnection = AValue; }
  const std::vector<std::u16string>& ResponseHeader() const { return FResponseHeader; }
  int TempErrorCode() const { return FTempErrorCode; }

  // Parameters, set before Perform.
  int TimeOut = 5000;          // milliseconds for each executed call
  int TryCount = 5;            // attempts
  int BatchSize = 8192;        // bytes per written and read block
  int ReconnectAfter = 5000;   // milliseconds between attempts
  bool FreeOnTerminate = false;
  TclProcessPriority Priority = ppNormal;
  TclCertificateFlags CertificateFlags = 0;
  bool UseInternetErrorDialog = false;
  std::u16string ProxyBypass;
  std::u16string InternetAgent = cDefaultInternetAgent;
  TclProxySettings HttpProxySettings, FtpProxySettings;
  bool KeepConnection = false;
  bool PassiveFTPMode = false;
  bool AllowCompression = false;
  bool DoNotGetResourceInfo = false;
  std::int64_t BytesToProceed = -1;
  std::int64_t ResourcePos = 0;
  TCriticalSection* DataAccessor = nullptr;  // held around stream access when set
  std::vector<std::u16string> RequestHeader;  // header lines to send

  TStatusEvent OnStatusChanged;
  TErrorEvent OnError;
  TResourceInfoEvent OnGetResourceInfo;
  TUrlParsingEvent OnUrlParsing;
  TDataItemProceedEvent OnDataItemProceed;
  TGetCertificateEvent OnGetCertificate;
  // Runs on the base thread after Execute has returned.
  TNotifyEvent OnTerminate;

 protected:
  // Attempts, final status and error report.
  virtual void Execute();
  // One attempt: root handle, connection, the processing of the URL's scheme, handles freed.
  virtual void Process();
  virtual void ProcessHttp() {}
  virtual void ProcessFtp() {}

  void SetStatus(TclProcessStatus AStatus);
  // Reports an error unless stopped: `AText` (the thread's last error when empty), with
  // ": " `AExtra` appended when given.
  void DoError(const std::u16string& AText, const std::u16string& AExtra, int ACode);
  // Runs `method` on the base thread and waits.
  void Synchronize(const std::function<void()>& method) { FSynchronizer.Synchronize(method); }
  void ClearResponseHeader() { FResponseHeader.clear(); }
  void SetResponseHeaderText(std::u16string_view text);

  std::u16string FURL;                     // replaced by the absolute URL after parsing
  TStream* FDataStream;                    // the body, not owned
  std::unique_ptr<TclResourceInfo> FSelfResourceInfo;
  TclInternetOpenAction* FOpenAction = nullptr;  // the attempt's root handle
  TclConnectAction* FConnectAction = nullptr;    // the attempt's connection handle

 private:
  void ThreadProc();
  void ApplyPriority();

  std::thread FThread;
  std::shared_ptr<TEnd> FEnd = std::make_shared<TEnd>();
  std::thread::id FBaseThread;              // where the events run
  std::atomic<bool> FStopped{false};
  TEvent FSleepEvent;                       // the pause between attempts; Stop sets it
  TclThreadSynchronizer FSynchronizer;      // base thread: the creating thread
  std::mutex FConnectionLock;               // guards the creation of FSelfConnection
  std::unique_ptr<TclInternetConnection> FSelfConnection;
  TclInternetConnection* FConnection = nullptr;  // shared, not owned
  TclUrlParser FURLParser;
  TclResourceInfo* FResourceInfo = nullptr;  // handed in, not owned
  std::vector<std::u16string> FResponseHeader;
  TclProcessStatus FStatus = psUnknown;
  std::u16string FLastError;
  int FLastErrorCode = 0;
  int FTempErrorCode = 0;                   // code of the last failed attempt
};
