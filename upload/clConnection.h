#pragma once
// The internet call executor. Every call a transfer makes into the internet client is an
// action, executed by a TclInternetConnection on a call thread of the connection's own while
// the firing thread waits with a time-out. When the time-out passes or the connection is
// stopped, the root handle under which the call runs is closed, which makes the call return at
// once; the firing thread then raises EclTimeoutInternetError (time-out) or goes on (stop).
// A failed call raises EclInternetError with the client's error number and its message.
//
// Actions belong to the thread that creates them and register with their connection for
// their lifetime. Close (and destroying the connection) frees the actions still registered,
// so a caller frees its own actions before that or leaves them to the connection, never both.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/component.h"
#include "platform/critical_section.h"
#include "platform/events.h"
#include "platform/internet_client.h"
#include "upload/clSyncUtils.h"
#include "upload/clWinInet.h"

class TclInternetConnection;

// The base of all actions: one call under one root handle.
class TclInternetAction {
 public:
  // Registers with `AOwner`; `AInternet` is the root handle under which the call runs (0 for
  // the call that opens it, which cannot be cancelled).
  TclInternetAction(TclInternetConnection* AOwner, HINTERNET AInternet);
  virtual ~TclInternetAction();
  TclInternetAction(const TclInternetAction&) = delete;
  TclInternetAction& operator=(const TclInternetAction&) = delete;

  // Executes the call through the owner, waiting up to `ATimeOut` milliseconds (-1: no
  // limit). Raises EclTimeoutInternetError on time-out and, unless `ASilent`, EclInternetError
  // when the call failed. True when the call succeeded.
  virtual bool FireAction(int ATimeOut, bool ASilent = false);

  TclInternetConnection* Owner() const { return FOwner; }
  HINTERNET Internet() const;
  int ErrorCode() const { return FErrorCode; }
  const std::u16string& ErrorText() const { return FErrorText; }

 protected:
  friend class TclInternetConnection;
  // `AHandle` is being closed by a cancellation elsewhere; forget it if held.
  virtual void HandleClosed(HINTERNET AHandle);
  // Makes the call; runs on the call thread. The base version records the last error.
  virtual void Execute();
  // Closes the root handle so that the call returns; on the cancelling thread.
  void Cancel();

  TclInternetConnection* FOwner;  // executes the action
  HINTERNET FInternet;            // the root handle; 0 once closed by a cancellation
  mutable TCriticalSection FAccessor;  // guards FInternet against a racing cancellation
  int FErrorCode = 0;             // the call's error number, 0 when it succeeded
  std::u16string FErrorText;      // its message, empty when it succeeded
};

// An action whose call produces a handle, closed when the action is freed.
class TclInternetResourceAction : public TclInternetAction {
 public:
  using TclInternetAction::TclInternetAction;
  ~TclInternetResourceAction() override;
  HINTERNET Resource() const { return FhResource; }
  void CloseResource();

 protected:
  void HandleClosed(HINTERNET AHandle) override;
  // Records the last error when no handle was produced.
  void Execute() override;

  HINTERNET FhResource = 0;  // the handle the call produced
};

class TclInternetOpenAction : public TclInternetResourceAction {
 public:
  TclInternetOpenAction(TclInternetConnection* AOwner, std::u16string lpszAgent,
                        DWORD dwAccessType, std::u16string lpszProxy,
                        std::u16string lpszProxyBypass, DWORD dwFlags);

 protected:
  void Execute() override;

 private:
  std::u16string FlpszAgent, FlpszProxy, FlpszProxyBypass;
  DWORD FdwAccessType, FdwFlags;
};

class TclConnectAction : public TclInternetResourceAction {
 public:
  TclConnectAction(TclInternetConnection* AOwner, HINTERNET AInternet,
                   std::u16string lpszServerName, INTERNET_PORT nServerPort,
                   std::u16string lpszUsername, std::u16string lpszPassword, DWORD dwService,
                   DWORD dwFlags);

 protected:
  void Execute() override;

 private:
  std::u16string FlpszServerName, FlpszUsername, FlpszPassword;
  INTERNET_PORT FnServerPort;
  DWORD FdwService, FdwFlags;
};

class TclHttpOpenRequestAction : public TclInternetResourceAction {
 public:
  TclHttpOpenRequestAction(TclInternetConnection* AOwner, HINTERNET AInternet, HINTERNET hConnect,
                           std::u16string lpszVerb, std::u16string lpszObjectName,
                           std::u16string lpszVersion, std::u16string lpszReferrer,
                           std::vector<std::u16string> lplpszAcceptTypes, DWORD dwFlags);

 protected:
  void Execute() override;

 private:
  HINTERNET FhConnect;
  std::u16string FlpszVerb, FlpszObjectName, FlpszVersion, FlpszReferrer;
  std::vector<std::u16string> FlplpszAcceptTypes;  // none when empty
  DWORD FdwFlags;
};

class TclHttpSendRequestExAction : public TclInternetAction {
 public:
  TclHttpSendRequestExAction(TclInternetConnection* AOwner, HINTERNET AInternet,
                             HINTERNET hRequest, INTERNET_BUFFERS* lpBuffersIn,
                             INTERNET_BUFFERS* lpBuffersOut, DWORD dwFlags);

 protected:
  void Execute() override;

 private:
  HINTERNET FhRequest;
  INTERNET_BUFFERS* FlpBuffersIn;
  INTERNET_BUFFERS* FlpBuffersOut;
  DWORD FdwFlags;
};

class TclInternetWriteFileAction : public TclInternetAction {
 public:
  TclInternetWriteFileAction(TclInternetConnection* AOwner, HINTERNET AInternet, HINTERNET hFile);
  // The block to write by the next FireAction.
  void SetBuffer(const void* lpBuffer, DWORD dwNumberOfBytesToWrite);
  DWORD NumberOfBytesWritten() const { return FlpdwNumberOfBytesWritten; }

 protected:
  // Fewer bytes written than requested counts as a failure.
  void Execute() override;

 private:
  HINTERNET FhFile;
  const void* FlpBuffer = nullptr;
  DWORD FdwNumberOfBytesToWrite = 0;
  DWORD FlpdwNumberOfBytesWritten = 0;
};

class TclHttpEndRequestAction : public TclInternetAction {
 public:
  TclHttpEndRequestAction(TclInternetConnection* AOwner, HINTERNET AInternet, HINTERNET hRequest,
                          INTERNET_BUFFERS* lpBuffersOut, DWORD dwFlags);

 protected:
  void Execute() override;

 private:
  HINTERNET FhRequest;
  INTERNET_BUFFERS* FlpBuffersOut;
  DWORD FdwFlags;
};

class TclInternetReadFileAction : public TclInternetAction {
 public:
  TclInternetReadFileAction(TclInternetConnection* AOwner, HINTERNET AInternet, HINTERNET hFile);
  // Where the next FireAction reads to; 0 bytes read means the end of the data.
  void SetBuffer(void* lpBuffer, DWORD dwNumberOfBytesToRead);
  DWORD NumberOfBytesRead() const { return FlpdwNumberOfBytesRead; }

 protected:
  void Execute() override;

 private:
  HINTERNET FhFile;
  void* FlpBuffer = nullptr;
  DWORD FdwNumberOfBytesToRead = 0;
  DWORD FlpdwNumberOfBytesRead = 0;
};

class TclHttpSendRequestAction : public TclInternetAction {
 public:
  TclHttpSendRequestAction(TclInternetConnection* AOwner, HINTERNET AInternet, HINTERNET hRequest,
                           std::u16string lpszHeaders, const void* lpOptional,
                           DWORD dwOptionalLength);

 protected:
  void Execute() override;

 private:
  HINTERNET FhRequest;
  std::u16string FlpszHeaders;  // none when empty
  const void* FlpOptional;
  DWORD FdwOptionalLength;
};

// The actions of one send, handed to a retried operation as one argument.
struct TclRequestParameters {
  TclHttpOpenRequestAction* OpenRequestAction = nullptr;
  TclHttpSendRequestExAction* SendRequestAction = nullptr;
  TclHttpEndRequestAction* EndRequestAction = nullptr;
};

class TclInternetConnection : public TComponent {
 public:
  using TActionEvent = std::function<void(TclInternetConnection* Sender, TclInternetAction* Action)>;
  using TStatusCallbackEvent =
      std::function<void(TclInternetConnection* Sender, TclInternetAction* Action,
                         DWORD InternetStatus, const void* StatusInformation,
                         DWORD StatusInformationLength)>;

  explicit TclInternetConnection(TComponent* AOwner = nullptr);
  ~TclInternetConnection() override;

  // The first registered action of class T (or derived from it); null while being destroyed.
  template <class T>
  T* GetActionByClass() const {
    std::lock_guard guard(FListLock);
    if (FIsDestroying) return nullptr;
    for (TclInternetAction* action : FActionList) {
      if (T* found = dynamic_cast<T*>(action)) return found;
    }
    return nullptr;
  }
  // Makes the call in progress, or the next one to start, return at once.
  void Stop() { FTerminateEvent.Set(); }
  // Ends all activity: frees the registered actions, ends the call thread.
  void Close();

  TActionEvent OnActionAdded, OnActionRemoved, OnBeforeFireAction, OnAfterFireAction;
  // When set, the client's status callback is installed on every root handle opened later.
  TStatusCallbackEvent OnStatusCallback;

 private:
  friend class TclInternetAction;
  void AddAction(TclInternetAction* action);
  void RemoveAction(TclInternetAction* action);
  void Execute(TclInternetAction* action, int timeout);
  void CallThread();
  void NotifyHandleClosed(HINTERNET handle, TclInternetAction* closer);
  void FireEvent(const TActionEvent& event, TclInternetAction* action);
  void InstallStatusCallback(HINTERNET root);

  mutable TCriticalSection FListLock;           // guards FActionList
  std::vector<TclInternetAction*> FActionList;  // live actions, oldest first
  TEvent FBeginEvent, FTerminateEvent, FWaitEvent, FEndEvent;
  std::thread FThread;                          // the call thread, started on first use
  std::atomic<TclInternetAction*> FInternetAction{nullptr};  // the action being executed
  TclThreadSynchronizer FSynchronizer;          // events go to the creating thread
  bool FIsDestroying = false;
};
