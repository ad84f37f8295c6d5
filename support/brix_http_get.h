#pragma once
// TBrix_HTTPGet fetches one URL over HTTP or HTTPS on a worker thread of its own and delivers the
// body as a text (GetString) or a file (GetFile). Its events run on the thread that started
// the fetch, which must drain its thread calls (platform/thread_calls.h): exactly one of
// OnDoneString, OnDoneFile or OnError per fetch, except that a file fetch of an expected size
// of 0 raises none. The HTTP status is not looked at: whatever body arrives is the result.
// The component is destroyed on its starting thread and never from one of its own handlers.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/component.h"
#include "platform/events.h"
#include "platform/internet_client.h"

enum TAgentKind { akIE6, akIE5, akIE4, akBrix };
enum THostPort { hpDefault, hpBrix };

class TBrix_HTTPGet;

// The worker of one fetch. It copies what it needs from the component when created, so later
// changes of the component's properties do not reach a running fetch.
class TBrix_HTTPGetThread {
 public:
  using TProgressEvent =
      std::function<void(TBrix_HTTPGetThread* Sender, int TotalSize, int Readed)>;

  TBrix_HTTPGetThread(TBrix_HTTPGet* owner, bool to_file);
  ~TBrix_HTTPGetThread();  // waits for the thread to end

  // Runs the fetch on a new thread; its completion runs on `base` (the starting thread).
  void Start(std::thread::id base);
  // Asks the fetch to stop: it fails at its next checkpoint, and a blocking call in progress
  // returns at once because the session handle is closed.
  void Abort();
  bool Aborted() const { return aborted_.load(); }
  // Set once the thread has run its completion and is about to end.
  TEvent& Finished() { return finished_; }

  std::u16string FTAcceptTypes, FTAgent, FTURL, FTFileName, FTUserName, FTPassword, FTPostQuery,
      FTReferer;
  THostPort FTPort;
  bool FTBinaryData, FTUseCache, FTDropOffline;
  bool FTToFile;                 // GetFile rather than GetString
  TProgressEvent FTProgress;
  std::string FTStringResult;    // the body in text mode, 8-bit
  bool FTResult = false;         // the fetch succeeded
  int FTFileSize = 0;            // the expected size: the Content-Length value, 0 if none
  int BytesToRead = 0;           // bytes asked for by each read
  int BytesReaded = 0;           // body bytes received so far

 private:
  void Execute();
  // The fetch sequence; false when it failed or was aborted.
  bool Fetch();
  // Keeps the session handle where Abort can close it, closing the one kept before; false when
  // aborted already.
  bool SetSession(HINTERNET session);

  TBrix_HTTPGet* owner_;         // receives the completion
  std::thread::id base_;         // the thread the events run on
  std::thread thread_;
  std::atomic<bool> aborted_{false};
  std::mutex session_lock_;      // guards session_
  HINTERNET session_ = 0;        // the root handle while the fetch holds it
  TEvent finished_;
};

class TBrix_HTTPGet : public TComponent {
 public:
  using TDoneFileEvent =
      std::function<void(TBrix_HTTPGet* Sender, const std::u16string& FileName, int FileSize)>;
  using TDoneStringEvent = std::function<void(TBrix_HTTPGet* Sender, const std::u16string& Result)>;
  using TNotifyEvent = std::function<void(TBrix_HTTPGet* Sender)>;

  explicit TBrix_HTTPGet(TComponent* AOwner);
  ~TBrix_HTTPGet() override;  // aborts a running fetch; no event is raised afterwards

  // Start a fetch unless one is running (then they do nothing). With WaitThread, GetString
  // runs the calls already queued for this thread and GetFile waits until the completion
  // event has run.
  void GetString();
  void GetFile();
  // From the start call until the completion event has returned.
  bool InUse() const { return in_use_; }
  // A running fetch stops and ends with OnError.
  void Abort();

  TAgentKind AgentKind() const { return FAgentKind; }
  // Also sets Agent to the kind's text.
  void SetAgentKind(TAgentKind kind);

  std::u16string AcceptTypes = u"*/*";      // the request's Accept list
  std::u16string Agent = u"BrixDownloadManager";
  bool BinaryData = false;                  // without Content-Length the fetch fails
  std::u16string URL;                       // "http[s]://host[:port]/path?query"; "http://" is optional
  bool UseCache = false;
  std::u16string FileName;                  // GetFile's target
  std::u16string UserName, Password;
  std::u16string PostQuery;                 // non-empty: a POST with this form-encoded body
  std::u16string Referer;
  THostPort Port = hpDefault;               // 80 or 2410 when an HTTP URL names no port
  bool WaitThread = false;
  bool DropOffline = false;                 // go online before the request

  TBrix_HTTPGetThread::TProgressEvent OnProgress;
  TDoneFileEvent OnDoneFile;
  TDoneStringEvent OnDoneString;
  TNotifyEvent OnError;

 private:
  friend class TBrix_HTTPGetThread;
  void Start(bool to_file);
  // Runs on the starting thread when the worker has ended.
  void Completion(TBrix_HTTPGetThread* worker);

  TAgentKind FAgentKind = akIE5;
  std::unique_ptr<TBrix_HTTPGetThread> worker_;  // the last fetch's worker
  bool in_use_ = false;
  bool result_ = false;         // the last fetch's outcome
  bool destroying_ = false;     // no events any more
  TEvent completed_;            // set after each completion event
};
