#include "upload/clSingleDC.h"

#include <algorithm>

#include "platform/application_error.h"
#include "platform/internet_client.h"
#include "platform/text_lines.h"
#include "upload/clHttpRequest.h"
#include "upload/clUriUtils.h"
#include "upload/clWinInet.h"

namespace {

constexpr DWORD kConnectionLimit = 10;

// Raises the process-wide connection limits to 10 where they are lower.
void RaiseConnectionLimits() {
  for (DWORD option : {INTERNET_OPTION_MAX_CONNS_PER_SERVER, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER}) {
    DWORD value = 0, length = sizeof value;
    if (InternetQueryOption(0, option, &value, &length) && value < kConnectionLimit)
      InternetSetOption(0, option, &kConnectionLimit, sizeof kConnectionLimit);
  }
}

// Writes `value` into a part of cracked URL components, which holds `capacity` characters
// with the terminating zero.
void WriteComponent(const std::u16string& value, std::string* part, DWORD capacity) {
  const std::string text = ToClientText(value);
  if (text.size() + 1 > capacity)
    throw EclInternetError(u"The user name or password is too long", static_cast<int>(ERROR_INSUFFICIENT_BUFFER));
  *part = text;
}

}  // namespace

// ---- TclInternetItem

TclInternetItem::TclInternetItem(TclSingleInternetControl* AControl) : FControl(AControl) {}

TclInternetItem::~TclInternetItem() { StopAndWait(); }

void TclInternetItem::SetURL(const std::u16string& value) {
  if (FURL == value) return;
  FURL = value;
  TclUrlParser parser;
  if (!parser.Parse(value).empty()) {
    FUserName = parser.UserName();
    FPassword = parser.Password();
  }
  DoItemChanged();
}

void TclInternetItem::DoItemChanged() {
  if (FThreaderList.empty()) {
    FResourceInfo.reset();
    FResourceState.Clear();
    CloseConnection();
  }
  if (FControl->OnChanged && !FControl->Destroying()) FControl->OnChanged(FControl);
}

void TclInternetItem::CloseConnection() {
  if (FSelfConnection != nullptr) FSelfConnection->Close();
}

bool TclInternetItem::CheckResourceSize() {
  TStream* stream = GetDataStream();
  if (stream == nullptr) return true;
  const std::int64_t size = stream->Size();
  if (FControl->MinResourceSize() != 0 && size < FControl->MinResourceSize()) return false;
  if (FControl->MaxResourceSize() != 0 && size > FControl->MaxResourceSize()) return false;
  return true;
}

void TclInternetItem::Start(bool AAsync) {
  if (!FThreaderList.empty()) throw EclInternetError(cOperationInProgress, -1);
  ClearResults();
  // What the body preparation opened is freed again when the start goes no further, so that
  // a later start does not send a body built for an earlier state of the request.
  struct Undo {
    TclInternetItem* item;
    bool armed = true;
    ~Undo() {
      if (armed) item->ReleaseWork();
    }
  } undo{this};
  if (FResourceState.Count() == 0) {
    TStream* stream = GetDataStream();
    TclResourceStateItem* state = FResourceState.Add();
    state->ResourcePos = 0;
    state->BytesToProceed = stream != nullptr ? stream->Size() : 0;
    FResourceState.SetResourceSize(state->BytesToProceed);
  }
  RaiseConnectionLimits();
  FLastStatus = psUnknown;
  FResourceInfo.reset();
  FHttpResponseHeader.clear();
  FErrors.Clear();
  FResourceState.ResetStatistic();
  if (!CheckResourceSize()) return;
  std::unique_ptr<TclCustomThreader> threader = CreateThreader(FURL, GetDataStream());
  AssignThreaderEvents(threader.get());
  AssignThreaderParams(threader.get());
  // The worker's events wait for this thread, so the busy change still comes before them.
  StartThreader(FResourceState.Items(0), FURL, std::move(threader));
  undo.armed = false;
  FControl->BeginBusy();
  if (!AAsync) {
    while (!FThreaderList.empty()) {
      const std::shared_ptr<TclCustomThreader::TEnd> end = FThreaderList.front().FThreader->End();
      end->Wait(std::this_thread::get_id());
    }
  }
}

void TclInternetItem::StartThreader(TclResourceStateItem* AStateItem, const std::u16string&,
                                    std::unique_ptr<TclCustomThreader> AThreader) {
  std::erase_if(FThreadEnds, [](const auto& end) { return end->Ended(); });
  AThreader->ResourcePos = AStateItem->ResourcePos + AStateItem->BytesProceed;
  if (AStateItem->BytesToProceed > 0)
    AThreader->BytesToProceed = AStateItem->BytesToProceed - AStateItem->BytesProceed;
  FThreaderList.push_back({AThreader.get(), AStateItem});
  FThreadEnds.push_back(AThreader->End());
  try {
    AThreader->Perform();
  } catch (...) {
    // No thread could be started: the worker is freed and the item stays idle.
    FThreaderList.pop_back();
    FThreadEnds.pop_back();
    throw;
  }
  AThreader.release();  // frees itself when it has ended
}

void TclInternetItem::Stop() {
  FControl->DoStop();
  for (const TclThreaderHolder& holder : FThreaderList) holder.FThreader->Stop();
}

void TclInternetItem::StopAndWait() {
  for (const TclThreaderHolder& holder : FThreaderList) holder.FThreader->Stop();
  const auto ends = FThreadEnds;
  for (const auto& end : ends) end->Wait(std::this_thread::get_id());
  FThreadEnds.clear();
}

void TclInternetItem::AssignThreaderParams(TclCustomThreader* AThreader) {
  const TclCustomInternetControl* control = FControl;
  if (FHttpRequest != nullptr) AThreader->RequestHeader = FHttpRequest->HeaderSource();
  AThreader->Priority = FPriority;
  AThreader->BatchSize = control->BatchSize();
  AThreader->TryCount = control->TryCount();
  AThreader->TimeOut = control->TimeOut();
  AThreader->ReconnectAfter = control->ReconnectAfter();
  AThreader->FreeOnTerminate = true;
  AThreader->CertificateFlags = FCertificateFlags;
  AThreader->UseInternetErrorDialog = control->UseInternetErrorDialog;
  AThreader->HttpProxySettings = control->HttpProxySettings;
  AThreader->FtpProxySettings = control->FtpProxySettings;
  AThreader->ProxyBypass = Trim(JoinLines(control->ProxyBypass, u" "));
  AThreader->InternetAgent = control->InternetAgent;
  AThreader->PassiveFTPMode = control->PassiveFTPMode;
  AThreader->DoNotGetResourceInfo = control->DoNotGetResourceInfo;
  AThreader->KeepConnection = FKeepConnection;
  if (control->Connection() != nullptr) {
    AThreader->SetConnection(control->Connection());
  } else if (FKeepConnection) {
    if (FSelfConnection == nullptr) FSelfConnection = std::make_unique<TclInternetConnection>();
    AThreader->SetConnection(FSelfConnection.get());
  }
}

void TclInternetItem::AssignThreaderEvents(TclCustomThreader* AThreader) {
  AThreader->OnStatusChanged = [this](TclCustomThreader* sender, TclProcessStatus status) {
    DoStatusChanged(sender, status);
  };
  AThreader->OnError = [this](TclCustomThreader*, const std::u16string& error, int code) {
    DoError(error, code);
  };
  AThreader->OnDataItemProceed = [this](TclCustomThreader* sender, TclResourceInfo* info,
                                        std::int64_t bytes, const char* data, int size) {
    DoDataItemProceed(sender, info, bytes, data, size);
  };
  AThreader->OnGetResourceInfo = [this](TclCustomThreader*, TclResourceInfo* info) {
    DoGetResourceInfo(info);
  };
  AThreader->OnUrlParsing = [this](TclCustomThreader*, URL_COMPONENTS& parts) { DoUrlParsing(parts); };
  AThreader->OnGetCertificate = [this](TclCustomThreader*, void*& certificate, bool& handled) {
    DoGetCertificate(certificate, handled);
  };
  AThreader->OnTerminate = [this](TclCustomThreader* sender) { DoThreaderTerminated(sender); };
}

TclThreaderHolder* TclInternetItem::FindHolder(TclCustomThreader* AThreader) {
  for (TclThreaderHolder& holder : FThreaderList) {
    if (holder.FThreader == AThreader) return &holder;
  }
  return nullptr;
}

void TclInternetItem::DoStatusChanged(TclCustomThreader* AThreader, TclProcessStatus AStatus) {
  if (TclThreaderHolder* holder = FindHolder(AThreader)) holder->FStateItem->Status = AStatus;
  const TclProcessStatus status = FResourceState.LastStatus();
  if (status == FLastStatus) return;
  FLastStatus = status;
  if (FControl->OnStatusChanged && !FControl->Destroying()) FControl->OnStatusChanged(FControl, status);
}

void TclInternetItem::DoError(const std::u16string& AError, int AErrorCode) {
  FErrors.Add(AError, AErrorCode);
  if (FControl->OnError && !FControl->Destroying()) FControl->OnError(FControl, AError, AErrorCode);
}

void TclInternetItem::DoDataItemProceed(TclCustomThreader* AThreader, TclResourceInfo* AResourceInfo,
                                        std::int64_t ABytesProceed, const char* ACurrentData,
                                        int ACurrentDataSize) {
  TclThreaderHolder* holder = FindHolder(AThreader);
  if (holder == nullptr) return;
  holder->FStateItem->BytesProceed = ABytesProceed - holder->FStateItem->ResourcePos;
  FResourceState.UpdateStatistic();
  if (FControl->OnDataItemProceed && !FControl->Destroying())
    FControl->OnDataItemProceed(FControl, AResourceInfo, holder->FStateItem, ACurrentData,
                                ACurrentDataSize);
}

void TclInternetItem::DoGetResourceInfo(TclResourceInfo* AResourceInfo) {
  FResourceInfo = AResourceInfo != nullptr ? std::make_unique<TclResourceInfo>(*AResourceInfo) : nullptr;
  if (FControl->OnGetResourceInfo && !FControl->Destroying())
    FControl->OnGetResourceInfo(FControl, FResourceInfo.get());
}

void TclInternetItem::DoUrlParsing(URL_COMPONENTS& AUrlComponents) {
  if (!FUserName.empty()) WriteComponent(FUserName, &AUrlComponents.lpszUserName, AUrlComponents.dwUserNameLength);
  if (!FPassword.empty()) WriteComponent(FPassword, &AUrlComponents.lpszPassword, AUrlComponents.dwPasswordLength);
  if (FPort != 0) AUrlComponents.nPort = static_cast<INTERNET_PORT>(FPort);
  if (FControl->OnUrlParsing && !FControl->Destroying()) FControl->OnUrlParsing(FControl, AUrlComponents);
}

void TclInternetItem::DoGetCertificate(void*& ACertificate, bool& AHandled) {
  if (FControl->OnGetCertificate && !FControl->Destroying())
    FControl->OnGetCertificate(FControl, ACertificate, AHandled);
}

void TclInternetItem::DoThreaderTerminated(TclCustomThreader* AThreader) {
  // Another part that failed would get a new worker; an upload has only the one part.
  if (AThreader->Status() != psFailed && FResourceState.LastStatus() != psTerminated) {
    for (int i = 0; i < FResourceState.Count(); ++i) {
      TclResourceStateItem* state = FResourceState.Items(i);
      const bool served = std::any_of(FThreaderList.begin(), FThreaderList.end(),
                                      [&](const auto& h) { return h.FStateItem == state; });
      if (state->Status == psFailed && !served) {
        std::unique_ptr<TclCustomThreader> threader = CreateThreader(AThreader->URL(), GetDataStream());
        AssignThreaderEvents(threader.get());
        AssignThreaderParams(threader.get());
        StartThreader(state, AThreader->URL(), std::move(threader));
        break;
      }
    }
  }
  std::erase_if(FThreaderList, [&](const auto& holder) { return holder.FThreader == AThreader; });
  if (FThreaderList.empty()) DoProcessCompleted(AThreader);
}

void TclInternetItem::DoProcessCompleted(TclCustomThreader* AThreader) {
  FHttpResponseHeader = AThreader->ResponseHeader();
  FIsCommit = true;
  try {
    CommitWork();
  } catch (...) {
    ReleaseWork();
    ReportApplicationError(std::current_exception());
  }
  FIsCommit = false;
  FControl->EndBusy();
  if (FControl->OnProcessCompleted && !FControl->Destroying()) {
    try {
      FControl->OnProcessCompleted(FControl);
    } catch (...) {
      ReportApplicationError(std::current_exception());
    }
  }
}

// ---- TclSingleInternetControl

TclSingleInternetControl::TclSingleInternetControl(TComponent* AOwner)
    : TclCustomInternetControl(AOwner) {}

TclSingleInternetControl::~TclSingleInternetControl() {
  FDestroying = true;
  if (FItem != nullptr) FItem->StopAndWait();
}

void TclSingleInternetControl::Stop() { FItem->Stop(); }
