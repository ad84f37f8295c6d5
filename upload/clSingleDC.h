#pragma once
// TclSingleInternetControl: a transfer component with exactly one item (TclInternetItem) that
// holds the transfer's URL, body and results. Start prepares the body, creates the worker and
// returns at once in asynchronous mode; the worker's events arrive on the main thread (which
// must drain its thread calls) and become the component's events, in this order for one
// transfer: OnStatusChanged (psProcess), OnDataItemProceed per block, OnError for a reported
// error, OnStatusChanged with the final status, OnIsBusyChanged, OnProcessCompleted, which
// fires once after every started transfer with IsBusy already false. A started transfer never
// raises into the caller; an exception leaving OnProcessCompleted goes to the application's
// default error report. Everything here runs on the main thread; the component must not be
// destroyed from one of its own handlers.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "upload/clDC.h"
#include "upload/clMultiDC.h"

class TclHttpRequest;
class TclSingleInternetControl;

inline constexpr char16_t cOperationInProgress[] = u"Operation is in progress";

// A running worker with the state item it serves.
struct TclThreaderHolder {
  TclCustomThreader* FThreader;
  TclResourceStateItem* FStateItem;
};

class TclInternetItem {
 public:
  explicit TclInternetItem(TclSingleInternetControl* AControl);
  // Stops the workers still running and waits for them.
  virtual ~TclInternetItem();
  TclInternetItem(const TclInternetItem&) = delete;
  TclInternetItem& operator=(const TclInternetItem&) = delete;

  TclSingleInternetControl* Control() const { return FControl; }

  // Raises EclInternetError "Operation is in progress" (-1) while a worker runs, and whatever
  // preparing the body raises; returns without any event when the body's size is outside the
  // component's limits. Without AAsync it returns when the transfer has ended.
  void Start(bool AAsync);
  // Asks every running worker to stop; returns at once.
  void Stop();
  // Stops the running workers and waits until every worker this item started has ended.
  void StopAndWait();
  // Closes the item's own executor.
  void CloseConnection();

  const std::u16string& URL() const { return FURL; }
  // Also takes the URL's user name and password when it parses.
  void SetURL(const std::u16string& value);
  const std::u16string& LocalFile() const { return FLocalFile; }
  virtual void SetLocalFile(const std::u16string& value) { SetProperty(FLocalFile, value); }
  const std::u16string& UserName() const { return FUserName; }
  void SetUserName(const std::u16string& value) { SetProperty(FUserName, value); }
  const std::u16string& Password() const { return FPassword; }
  void SetPassword(const std::u16string& value) { SetProperty(FPassword, value); }
  int Port() const { return FPort; }
  void SetPort(int value) { SetProperty(FPort, value); }
  TclProcessPriority Priority() const { return FPriority; }
  void SetPriority(TclProcessPriority value) { SetProperty(FPriority, value); }
  int ThreadCount() const { return FThreadCount; }
  void SetThreadCount(int value) {
    if (value >= 1 && value <= 10) SetProperty(FThreadCount, value);
  }
  bool KeepConnection() const { return FKeepConnection; }
  void SetKeepConnection(bool value) { SetProperty(FKeepConnection, value); }
  TclCertificateFlags CertificateFlags() const { return FCertificateFlags; }
  void SetCertificateFlags(TclCertificateFlags value) { SetProperty(FCertificateFlags, value); }
  bool UseHttpRequest() const { return FUseHttpRequest; }
  virtual void SetUseHttpRequest(bool value) { SetProperty(FUseHttpRequest, value); }
  // The request body component; it must outlive its use here.
  TclHttpRequest* HttpRequest() const { return FHttpRequest; }
  void SetHttpRequest(TclHttpRequest* value) { SetProperty(FHttpRequest, value); }
  // A caller-supplied body stream, not owned; it wins over the item's own.
  TStream* DataStream() const { return FDataStream; }
  void SetDataStream(TStream* value) { FDataStream = value; }

  TclProcessStatus LastStatus() const { return FLastStatus; }
  const TclErrorList& Errors() const { return FErrors; }
  TclResourceInfo* ResourceInfo() const { return FResourceInfo.get(); }
  TclResourceStateList& ResourceState() { return FResourceState; }
  int ResourceConnectionCount() const { return static_cast<int>(FThreaderList.size()); }
  const std::vector<std::u16string>& HttpResponseHeader() const { return FHttpResponseHeader; }
  // Set while the completion step runs.
  bool IsCommit() const { return FIsCommit; }
  void* Data = nullptr;  // free for the caller

 protected:
  // The body to send: the caller's stream, else the item's own (obtained once), or null.
  virtual TStream* GetDataStream() { return FDataStream; }
  virtual std::unique_ptr<TclCustomThreader> CreateThreader(const std::u16string& AURL,
                                                            TStream* ADataStream) = 0;
  // The worker's parameters, taken from the component and the item.
  virtual void AssignThreaderParams(TclCustomThreader* AThreader);
  // Clears the results of the previous transfer before a start.
  virtual void ClearResults() {}
  // Takes the worker's results and frees what the transfer held.
  virtual void CommitWork() { ReleaseWork(); }
  // Frees what a transfer held (the item's own body stream).
  virtual void ReleaseWork() {}
  // Stores a changed value and runs the item-changed step.
  template <class T>
  void SetProperty(T& field, const T& value) {
    if (field == value) return;
    field = value;
    DoItemChanged();
  }
  // Unless a transfer runs: forgets the resource information and the state list and closes
  // the own executor. Then OnChanged.
  void DoItemChanged();

  std::u16string FLocalFile;
  TStream* FDataStream = nullptr;  // the caller's body stream
  TclHttpRequest* FHttpRequest = nullptr;
  bool FUseHttpRequest = false;

 private:
  bool CheckResourceSize();
  // Creates, registers and starts a worker for `AStateItem`.
  void StartThreader(TclResourceStateItem* AStateItem, const std::u16string& AURL,
                     std::unique_ptr<TclCustomThreader> AThreader);
  void AssignThreaderEvents(TclCustomThreader* AThreader);
  TclThreaderHolder* FindHolder(TclCustomThreader* AThreader);
  // The worker's handlers, on the main thread.
  void DoStatusChanged(TclCustomThreader* AThreader, TclProcessStatus AStatus);
  void DoError(const std::u16string& AError, int AErrorCode);
  void DoDataItemProceed(TclCustomThreader* AThreader, TclResourceInfo* AResourceInfo,
                         std::int64_t ABytesProceed, const char* ACurrentData, int ACurrentDataSize);
  void DoGetResourceInfo(TclResourceInfo* AResourceInfo);
  void DoUrlParsing(URL_COMPONENTS& AUrlComponents);
  void DoGetCertificate(void*& ACertificate, bool& AHandled);
  void DoThreaderTerminated(TclCustomThreader* AThreader);
  void DoProcessCompleted(TclCustomThreader* AThreader);

  TclSingleInternetControl* FControl;
  std::vector<TclThreaderHolder> FThreaderList;       // the running workers
  std::vector<std::shared_ptr<TclCustomThreader::TEnd>> FThreadEnds;  // of every started worker
  std::u16string FURL, FUserName, FPassword;
  TclProcessStatus FLastStatus = psUnknown;           // the reported status
  TclProcessPriority FPriority = ppNormal;
  std::unique_ptr<TclResourceInfo> FResourceInfo;     // copy of the last one received
  TclErrorList FErrors;
  TclCertificateFlags FCertificateFlags = 0;
  int FThreadCount = 1;
  TclResourceStateList FResourceState;
  bool FKeepConnection = false;
  std::unique_ptr<TclInternetConnection> FSelfConnection;  // reused when connections are kept
  std::vector<std::u16string> FHttpResponseHeader;
  int FPort = 0;                                      // 0: the URL's
  bool FIsCommit = false;
};

class TclSingleInternetControl : public TclCustomInternetControl {
 public:
  using TStatusEvent = std::function<void(TclCustomInternetControl* Sender, TclProcessStatus Status)>;
  using TErrorEvent = std::function<void(TclCustomInternetControl* Sender,
                                         const std::u16string& Error, int ErrorCode)>;
  using TDataItemProceedEvent = std::function<void(
      TclCustomInternetControl* Sender, TclResourceInfo* ResourceInfo,
      TclResourceStateItem* AStateItem, const char* CurrentData, int CurrentDataSize)>;
  using TResourceInfoEvent =
      std::function<void(TclCustomInternetControl* Sender, TclResourceInfo* ResourceInfo)>;
  using TUrlParsingEvent =
      std::function<void(TclCustomInternetControl* Sender, URL_COMPONENTS& UrlComponents)>;
  using TGetCertificateEvent =
      std::function<void(TclCustomInternetControl* Sender, void*& Certificate, bool& Handled)>;

  explicit TclSingleInternetControl(TComponent* AOwner);
  // Stops a running transfer and waits for it; no event fires any more.
  ~TclSingleInternetControl() override;

  void Start(bool AAsync = true) { FItem->Start(AAsync); }
  void Stop();
  void CloseConnection() { FItem->CloseConnection(); }

  TclInternetItem* Item() const { return FItem.get(); }
  const std::u16string& URL() const { return FItem->URL(); }
  void SetURL(const std::u16string& value) { FItem->SetURL(value); }
  const std::u16string& LocalFile() const { return FItem->LocalFile(); }
  void SetLocalFile(const std::u16string& value) { FItem->SetLocalFile(value); }
  const std::u16string& UserName() const { return FItem->UserName(); }
  void SetUserName(const std::u16string& value) { FItem->SetUserName(value); }
  const std::u16string& Password() const { return FItem->Password(); }
  void SetPassword(const std::u16string& value) { FItem->SetPassword(value); }
  int Port() const { return FItem->Port(); }
  void SetPort(int value) { FItem->SetPort(value); }
  TclProcessPriority Priority() const { return FItem->Priority(); }
  void SetPriority(TclProcessPriority value) { FItem->SetPriority(value); }
  int ThreadCount() const { return FItem->ThreadCount(); }
  void SetThreadCount(int value) { FItem->SetThreadCount(value); }
  bool KeepConnection() const { return FItem->KeepConnection(); }
  void SetKeepConnection(bool value) { FItem->SetKeepConnection(value); }
  TclCertificateFlags CertificateFlags() const { return FItem->CertificateFlags(); }
  void SetCertificateFlags(TclCertificateFlags value) { FItem->SetCertificateFlags(value); }
  bool UseHttpRequest() const { return FItem->UseHttpRequest(); }
  void SetUseHttpRequest(bool value) { FItem->SetUseHttpRequest(value); }
  TclHttpRequest* HttpRequest() const { return FItem->HttpRequest(); }
  void SetHttpRequest(TclHttpRequest* value) { FItem->SetHttpRequest(value); }
  TStream* DataStream() const { return FItem->DataStream(); }
  void SetDataStream(TStream* value) { FItem->SetDataStream(value); }

  const TclErrorList& Errors() const { return FItem->Errors(); }
  TclResourceInfo* ResourceInfo() const { return FItem->ResourceInfo(); }
  TclResourceStateList& ResourceState() { return FItem->ResourceState(); }
  int ResourceConnectionCount() const { return FItem->ResourceConnectionCount(); }
  const std::vector<std::u16string>& HttpResponseHeader() const { return FItem->HttpResponseHeader(); }

  TStatusEvent OnStatusChanged;
  TResourceInfoEvent OnGetResourceInfo;
  TDataItemProceedEvent OnDataItemProceed;
  TErrorEvent OnError;
  TUrlParsingEvent OnUrlParsing;
  TNotifyEvent OnChanged;
  TGetCertificateEvent OnGetCertificate;
  TNotifyEvent OnProcessCompleted;

 protected:
  friend class TclInternetItem;
  // Installs the one item; called by the constructor of the concrete component.
  void SetItem(std::unique_ptr<TclInternetItem> AItem) { FItem = std::move(AItem); }
  bool Destroying() const { return FDestroying; }

 private:
  std::unique_ptr<TclInternetItem> FItem;
};
