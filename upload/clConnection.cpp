#include "upload/clConnection.h"

#include <algorithm>

#include "platform/last_error.h"
#include "platform/text_lines.h"
#include "platform/thread_calls.h"

// ---- TclInternetAction

TclInternetAction::TclInternetAction(TclInternetConnection* AOwner, HINTERNET AInternet)
    : FOwner(AOwner), FInternet(AInternet) {
  FOwner->AddAction(this);
}

TclInternetAction::~TclInternetAction() { FOwner->RemoveAction(this); }

HINTERNET TclInternetAction::Internet() const {
  std::lock_guard guard(FAccessor);
  return FInternet;
}

bool TclInternetAction::FireAction(int ATimeOut, bool ASilent) {
  FErrorCode = 0;
  FErrorText.clear();
  FOwner->Execute(this, ATimeOut);
  if (!FErrorText.empty() && !ASilent) throw EclInternetError(FErrorText, FErrorCode);
  return FErrorText.empty();
}

void TclInternetAction::HandleClosed(HINTERNET) {}

void TclInternetAction::Execute() {
  FErrorCode = static_cast<int>(GetLastError());
  FErrorText = GetInternetErrorText(FErrorCode);
}

void TclInternetAction::Cancel() {
  std::lock_guard guard(FAccessor);
  if (FInternet == 0) return;
  FOwner->NotifyHandleClosed(FInternet, this);
  InternetCloseHandle(FInternet);
  FInternet = 0;
}

// ---- TclInternetResourceAction

TclInternetResourceAction::~TclInternetResourceAction() { CloseResource(); }

void TclInternetResourceAction::CloseResource() {
  if (FhResource != 0) InternetCloseHandle(FhResource);
  FhResource = 0;
}

void TclInternetResourceAction::HandleClosed(HINTERNET AHandle) {
  if (FhResource == AHandle) FhResource = 0;
}

void TclInternetResourceAction::Execute() {
  if (FhResource == 0) TclInternetAction::Execute();
}

// ---- the actions

TclInternetOpenAction::TclInternetOpenAction(TclInternetConnection* AOwner, std::u16string lpszAgent,
                                             DWORD dwAccessType, std::u16string lpszProxy,
                                             std::u16string lpszProxyBypass, DWORD dwFlags)
    : TclInternetResourceAction(AOwner, 0),
      FlpszAgent(std::move(lpszAgent)),
      FlpszProxy(std::move(lpszProxy)),
      FlpszProxyBypass(std::move(lpszProxyBypass)),
      FdwAccessType(dwAccessType),
      FdwFlags(dwFlags) {}

void TclInternetOpenAction::Execute() {
  FhResource = InternetOpen(ToClientText(FlpszAgent), FdwAccessType, ToClientText(Trim(FlpszProxy)),
                            ToClientText(Trim(FlpszProxyBypass)), FdwFlags);
  TclInternetResourceAction::Execute();
}

TclConnectAction::TclConnectAction(TclInternetConnection* AOwner, HINTERNET AInternet,
                                   std::u16string lpszServerName, INTERNET_PORT nServerPort,
                                   std::u16string lpszUsername, std::u16string lpszPassword,
                                   DWORD dwService, DWORD dwFlags)
    : TclInternetResourceAction(AOwner, AInternet),
      FlpszServerName(std::move(lpszServerName)),
      FlpszUsername(std::move(lpszUsername)),
      FlpszPassword(std::move(lpszPassword)),
      FnServerPort(nServerPort),
      FdwService(dwService),
      FdwFlags(dwFlags) {}

void TclConnectAction::Execute() {
  FhResource = InternetConnect(Internet(), ToClientText(FlpszServerName), FnServerPort,
                               ToClientText(FlpszUsername), ToClientText(FlpszPassword), FdwService,
                               FdwFlags, reinterpret_cast<DWORD_PTR>(FOwner));
  TclInternetResourceAction::Execute();
}

TclHttpOpenRequestAction::TclHttpOpenRequestAction(
    TclInternetConnection* AOwner, HINTERNET AInternet, HINTERNET hConnect, std::u16string lpszVerb,
    std::u16string lpszObjectName, std::u16string lpszVersion, std::u16string lpszReferrer,
    std::vector<std::u16string> lplpszAcceptTypes, DWORD dwFlags)
    : TclInternetResourceAction(AOwner, AInternet),
      FhConnect(hConnect),
      FlpszVerb(std::move(lpszVerb)),
      FlpszObjectName(std::move(lpszObjectName)),
      FlpszVersion(std::move(lpszVersion)),
      FlpszReferrer(std::move(lpszReferrer)),
      FlplpszAcceptTypes(std::move(lplpszAcceptTypes)),
      FdwFlags(dwFlags) {}

void TclHttpOpenRequestAction::Execute() {
  std::vector<std::string> accept;
  for (const std::u16string& type : FlplpszAcceptTypes) accept.push_back(ToClientText(type));
  FhResource = HttpOpenRequest(FhConnect, ToClientText(FlpszVerb), ToClientText(FlpszObjectName),
                               ToClientText(FlpszVersion), ToClientText(FlpszReferrer),
                               accept.empty() ? nullptr : &accept, FdwFlags,
                               reinterpret_cast<DWORD_PTR>(FOwner));
  TclInternetResourceAction::Execute();
}

TclHttpSendRequestExAction::TclHttpSendRequestExAction(TclInternetConnection* AOwner,
                                                       HINTERNET AInternet, HINTERNET hRequest,
                                                       INTERNET_BUFFERS* lpBuffersIn,
                                                       INTERNET_BUFFERS* lpBuffersOut, DWORD dwFlags)
    : TclInternetAction(AOwner, AInternet),
      FhRequest(hRequest),
      FlpBuffersIn(lpBuffersIn),
      FlpBuffersOut(lpBuffersOut),
      FdwFlags(dwFlags) {}

void TclHttpSendRequestExAction::Execute() {
  if (!HttpSendRequestEx(FhRequest, FlpBuffersIn, FlpBuffersOut, FdwFlags,
                         reinterpret_cast<DWORD_PTR>(FOwner)))
    TclInternetAction::Execute();
}

TclInternetWriteFileAction::TclInternetWriteFileAction(TclInternetConnection* AOwner,
                                                       HINTERNET AInternet, HINTERNET hFile)
    : TclInternetAction(AOwner, AInternet), FhFile(hFile) {}

void TclInternetWriteFileAction::SetBuffer(const void* lpBuffer, DWORD dwNumberOfBytesToWrite) {
  FlpBuffer = lpBuffer;
  FdwNumberOfBytesToWrite = dwNumberOfBytesToWrite;
}

void TclInternetWriteFileAction::Execute() {
  FlpdwNumberOfBytesWritten = 0;
  if (!InternetWriteFile(FhFile, FlpBuffer, FdwNumberOfBytesToWrite, &FlpdwNumberOfBytesWritten) ||
      FlpdwNumberOfBytesWritten < FdwNumberOfBytesToWrite)
    TclInternetAction::Execute();
}

TclHttpEndRequestAction::TclHttpEndRequestAction(TclInternetConnection* AOwner, HINTERNET AInternet,
                                                 HINTERNET hRequest, INTERNET_BUFFERS* lpBuffersOut,
                                                 DWORD dwFlags)
    : TclInternetAction(AOwner, AInternet),
      FhRequest(hRequest),
      FlpBuffersOut(lpBuffersOut),
      FdwFlags(dwFlags) {}

void TclHttpEndRequestAction::Execute() {
  if (!HttpEndRequest(FhRequest, FlpBuffersOut, FdwFlags, reinterpret_cast<DWORD_PTR>(FOwner)))
    TclInternetAction::Execute();
}

TclInternetReadFileAction::TclInternetReadFileAction(TclInternetConnection* AOwner,
                                                     HINTERNET AInternet, HINTERNET hFile)
    : TclInternetAction(AOwner, AInternet), FhFile(hFile) {}

void TclInternetReadFileAction::SetBuffer(void* lpBuffer, DWORD dwNumberOfBytesToRead) {
  FlpBuffer = lpBuffer;
  FdwNumberOfBytesToRead = dwNumberOfBytesToRead;
}

void TclInternetReadFileAction::Execute() {
  FlpdwNumberOfBytesRead = 0;
  if (!InternetReadFile(FhFile, FlpBuffer, FdwNumberOfBytesToRead, &FlpdwNumberOfBytesRead))
    TclInternetAction::Execute();
}

TclHttpSendRequestAction::TclHttpSendRequestAction(TclInternetConnection* AOwner, HINTERNET AInternet,
                                                   HINTERNET hRequest, std::u16string lpszHeaders,
                                                   const void* lpOptional, DWORD dwOptionalLength)
    : TclInternetAction(AOwner, AInternet),
      FhRequest(hRequest),
      FlpszHeaders(std::move(lpszHeaders)),
      FlpOptional(lpOptional),
      FdwOptionalLength(dwOptionalLength) {}

void TclHttpSendRequestAction::Execute() {
  if (!HttpSendRequest(FhRequest, ToClientText(FlpszHeaders), FlpOptional, FdwOptionalLength))
    TclInternetAction::Execute();
}

// ---- TclInternetConnection

TclInternetConnection::TclInternetConnection(TComponent* AOwner) : TComponent(AOwner) {}

TclInternetConnection::~TclInternetConnection() {
  {
    std::lock_guard guard(FListLock);
    FIsDestroying = true;
  }
  Close();
}

void TclInternetConnection::FireEvent(const TActionEvent& event, TclInternetAction* action) {
  if (event) FSynchronizer.Synchronize([&] { event(this, action); });
}

void TclInternetConnection::AddAction(TclInternetAction* action) {
  {
    std::lock_guard guard(FListLock);
    FActionList.push_back(action);
  }
  FireEvent(OnActionAdded, action);
}

void TclInternetConnection::RemoveAction(TclInternetAction* action) {
  {
    std::lock_guard guard(FListLock);
    std::erase(FActionList, action);
  }
  if (!FIsDestroying) FireEvent(OnActionRemoved, action);
}

void TclInternetConnection::NotifyHandleClosed(HINTERNET handle, TclInternetAction* closer) {
  std::lock_guard guard(FListLock);
  for (TclInternetAction* action : FActionList) {
    if (action != closer) action->HandleClosed(handle);
  }
}

void TclInternetConnection::CallThread() {
  for (;;) {
    TEvent* events[] = {&FBeginEvent, &FEndEvent};
    if (WaitForAnyEvent(events) != 0) return;
    if (TclInternetAction* action = FInternetAction.load()) {
      try {
        action->Execute();
      } catch (...) {
      }
    }
    FWaitEvent.Set();
  }
}

void TclInternetConnection::Execute(TclInternetAction* action, int timeout) {
  {
    std::lock_guard guard(FListLock);
    if (FIsDestroying) return;
  }
  FInternetAction = action;
  FireEvent(OnBeforeFireAction, action);
  if (!FThread.joinable()) FThread = std::thread(&TclInternetConnection::CallThread, this);
  FBeginEvent.Set();
  TEvent* events[] = {&FWaitEvent, &FTerminateEvent};
  // Draining: a status callback marshalled from the call thread must be able to run here.
  const int which = WaitForAnyEventDrainingCalls(events, timeout < 0 ? INFINITE : timeout);
  if (which == 0) {
    FInternetAction = nullptr;
    FireEvent(OnAfterFireAction, action);
    auto* open = dynamic_cast<TclInternetOpenAction*>(action);
    if (open != nullptr && OnStatusCallback && open->Resource() != 0)
      InstallStatusCallback(open->Resource());
    return;
  }
  action->Cancel();
  TEvent* done[] = {&FWaitEvent};
  WaitForAnyEventDrainingCalls(done, INFINITE);
  FInternetAction = nullptr;
  if (which < 0) throw EclTimeoutInternetError();
}

void TclInternetConnection::InstallStatusCallback(HINTERNET root) {
  InternetSetStatusCallback(root, [this](HINTERNET handle, DWORD_PTR, DWORD status,
                                         const void* info, DWORD length) {
    TclInternetAction* owner = nullptr;
    {
      std::lock_guard guard(FListLock);
      for (TclInternetAction* action : FActionList) {
        auto* resource = dynamic_cast<TclInternetResourceAction*>(action);
        if (resource != nullptr && resource->Resource() == handle) owner = action;
      }
    }
    if (owner != nullptr && OnStatusCallback)
      FSynchronizer.Synchronize([&] { OnStatusCallback(this, owner, status, info, length); });
  });
}

void TclInternetConnection::Close() {
  FTerminateEvent.Set();
  for (;;) {
    TclInternetAction* first;
    {
      std::lock_guard guard(FListLock);
      if (FActionList.empty()) break;
      first = FActionList.front();
    }
    delete first;  // unregisters itself
  }
  FEndEvent.Set();
  if (FThread.joinable()) FThread.join();
  FThread = std::thread();
  FBeginEvent.Reset();
  FTerminateEvent.Reset();
  FWaitEvent.Reset();
  FEndEvent.Reset();
}
