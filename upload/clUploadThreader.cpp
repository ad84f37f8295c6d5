#include "upload/clUploadThreader.h"

#include <memory>
#include <mutex>
#include <vector>

#include "platform/base64.h"
#include "platform/format.h"
#include "platform/text_lines.h"
#include "upload/clWinInet.h"

namespace {

constexpr int kSendPasses = 4;
constexpr int kForceRetries = 9;
constexpr DWORD kDialogFlags = 7;

void SetTextOption(HINTERNET handle, DWORD option, const std::u16string& value) {
  if (value.empty()) return;
  const std::string text = ToClientText(value);
  InternetSetOption(handle, option, text.data(), static_cast<DWORD>(text.size()));
}

// Holds the accessor, when there is one, while it lives.
struct Access {
  explicit Access(TCriticalSection* accessor) : accessor_(accessor) {
    if (accessor_ != nullptr) accessor_->Enter();
  }
  ~Access() {
    if (accessor_ != nullptr) accessor_->Leave();
  }
  TCriticalSection* accessor_;
};

}  // namespace

TclUploadThreader::TclUploadThreader(std::u16string AURL, bool AIsGetResourceInfo,
                                     TStream* ADataStream)
    : TclCustomThreader(std::move(AURL), ADataStream), FIsGetResourceInfo(AIsGetResourceInfo) {}

void TclUploadThreader::ProcessHttp() {
  if (FIsGetResourceInfo) return;
  FSelfResourceInfo.reset();
  if (FDataStream == nullptr) throw EclInternetError(cDataStreamAbsent, -1);
  if (ResourceInfo() == nullptr) {
    FSelfResourceInfo = std::make_unique<TclResourceInfo>();
    Access access(DataAccessor);
    FSelfResourceInfo->Size = FDataStream->Size();
  }
  TclInternetConnection* connection = Connection();
  auto* request = connection->GetActionByClass<TclHttpOpenRequestAction>();
  if (request != nullptr && request->Resource() == 0) {
    delete request;  // closed by a cancellation
    request = nullptr;
  }
  struct Leave {
    TclUploadThreader* self;
    TclHttpOpenRequestAction*& request;
    ~Leave() {
      if (!self->KeepConnection) delete request;
    }
  } leave{this, request};
  if (request == nullptr) {
    DWORD flags = INTERNET_FLAG_RELOAD;
    if (KeepConnection) flags |= INTERNET_FLAG_KEEP_CONNECTION;
    if (URLParser().UrlType() == utHTTPS) flags |= INTERNET_FLAG_SECURE;
    request = new TclHttpOpenRequestAction(connection, FConnectAction->Internet(),
                                           FConnectAction->Resource(), RequestMethod,
                                           URLParser().Urlpath() + URLParser().Extra(), u"", u"",
                                           {}, flags);
    request->FireAction(TimeOut);
  }
  if (Stopped()) return;
  AddRequestHeaders(request->Resource());
  for (int pass = 1;; ++pass) {
    if (UseSimpleRequest)
      SendSimpleRequest(request);
    else
      SendRequestEx(request);
    try {
      CheckStatus(request->Resource());
      break;
    } catch (const EclInternetError& e) {
      // A status that asks for credentials is answered with them, up to the last pass.
      const int code = e.ErrorCode();
      if ((code != 401 && code != 407) || pass == kSendPasses) throw;
      if (UseInternetErrorDialog) {
        InternetErrorDlg(nullptr, request->Resource(), static_cast<DWORD>(code), kDialogFlags, nullptr);
      } else if (code == 401) {
        SetTextOption(request->Resource(), INTERNET_OPTION_USERNAME, URLParser().UserName());
        SetTextOption(request->Resource(), INTERNET_OPTION_PASSWORD, URLParser().Password());
      } else if (HttpProxySettings.AuthenticationType == atAutoDetect) {
        SetTextOption(request->Resource(), INTERNET_OPTION_PROXY_USERNAME, HttpProxySettings.UserName);
        SetTextOption(request->Resource(), INTERNET_OPTION_PROXY_PASSWORD, HttpProxySettings.Password);
      } else {
        throw;
      }
    }
    if (Stopped()) return;
  }
  ReadResponse(request);
}

void TclUploadThreader::AddRequestHeaders(HINTERNET request) {
  auto add = [request](const std::u16string& text) {
    const std::string bytes = ToClientText(text);
    HttpAddRequestHeaders(request, bytes, HTTP_ADDREQ_FLAG_ADD_IF_NEW);
  };
  if (!RequestHeader.empty()) add(Trim(JoinLines(RequestHeader, u"\r\n")));
  if (AllowCompression) add(u"Accept-Encoding: gzip, deflate");
  const TclProxySettings& proxy = HttpProxySettings;
  if (proxy.AuthenticationType == atBasic && (!proxy.UserName.empty() || !proxy.Password.empty()))
    add(u"Proxy-Authorization: Basic " +
        FromClientText(Base64(ToClientText(proxy.UserName + u":" + proxy.Password))));
}

void TclUploadThreader::SendRequestEx(TclHttpOpenRequestAction* request) {
  INTERNET_BUFFERS buffers;
  buffers.dwStructSize = 40;
  {
    Access access(DataAccessor);
    buffers.dwBufferTotal = static_cast<DWORD>(FDataStream->Size());
  }
  TclInternetConnection* connection = Connection();
  TclHttpSendRequestExAction send(connection, request->Internet(), request->Resource(), &buffers,
                                  nullptr, HSR_INITIATE);
  TclHttpEndRequestAction end(connection, request->Internet(), request->Resource(), nullptr,
                              HSR_INITIATE);
  RetryOperation(request->Resource(), [&] {
    send.FireAction(TimeOut);
    if (Stopped()) return;
    WriteBody(request);
    if (Stopped()) return;
    end.FireAction(TimeOut);
  });
}

void TclUploadThreader::WriteBody(TclHttpOpenRequestAction* request) {
  FUploadedDataSize = 0;
  std::vector<char> buffer(static_cast<size_t>(BatchSize) + 1);
  TclInternetWriteFileAction write(Connection(), request->Internet(), request->Resource());
  std::int64_t position = 0;
  for (;;) {
    if (Stopped()) return;
    {
      Access access(DataAccessor);
      if (position >= FDataStream->Size()) return;
      FDataStream->SetPosition(position);
      FDataProceedSize = static_cast<int>(FDataStream->Read(buffer.data(), BatchSize));
    }
    // A stream that stops short of its size would make no progress for ever.
    if (FDataProceedSize <= 0) throw EclInternetError(cDataStreamShort, -1);
    write.SetBuffer(buffer.data(), static_cast<DWORD>(FDataProceedSize));
    write.FireAction(TimeOut);
    FUploadedDataSize += FDataProceedSize;
    NotifyProceed(buffer.data(), FDataProceedSize);
    position += FDataProceedSize;
  }
}

void TclUploadThreader::SendSimpleRequest(TclHttpOpenRequestAction* request) {
  std::vector<char> body;
  {
    Access access(DataAccessor);
    body.assign(static_cast<size_t>(FDataStream->Size()) + 1, '\0');
    FDataStream->SetPosition(0);
    FDataStream->ReadBuffer(body.data(), static_cast<std::int64_t>(body.size() - 1));
  }
  const int size = static_cast<int>(body.size() - 1);
  FUploadedDataSize = size;
  FDataProceedSize = size;
  TclHttpSendRequestAction send(Connection(), request->Internet(), request->Resource(), u"",
                                body.data(), static_cast<DWORD>(size));
  RetryOperation(request->Resource(), [&] { send.FireAction(TimeOut); });
  NotifyProceed(body.data(), size);
}

void TclUploadThreader::NotifyProceed(const char* data, int size) {
  if (OnDataItemProceed)
    Synchronize([&] { OnDataItemProceed(this, ResourceInfo(), FUploadedDataSize, data, size); });
}

void TclUploadThreader::RetryOperation(HINTERNET request, const std::function<void()>& operation) {
  int force_retries = 0;
  bool handled_before = false;
  int handled_code = 0;  // code of the previously handled failure
  for (;;) {
    try {
      operation();
      return;
    } catch (const EclTimeoutInternetError&) {
      throw;
    } catch (const EclInternetError& e) {
      const int code = e.ErrorCode();
      if (code == static_cast<int>(ERROR_INTERNET_FORCE_RETRY)) {
        if (++force_retries > kForceRetries) throw;
        continue;
      }
      force_retries = 0;
      if (handled_before && code == handled_code) throw;
      handled_before = true;
      handled_code = code;
      if (!HandleSendError(request, code)) throw;
    }
  }
}

bool TclUploadThreader::HandleSendError(HINTERNET request, int code) {
  if (UseInternetErrorDialog)
    return InternetErrorDlg(nullptr, request, static_cast<DWORD>(code), kDialogFlags, nullptr) !=
           ERROR_CANCELLED;
  switch (static_cast<DWORD>(code)) {
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_INVALID_CA: {
      const DWORD flags = CertificateFlags;
      InternetSetOption(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
      return true;
    }
    case ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED: {
      void* certificate = nullptr;
      bool handled = false;
      if (OnGetCertificate) Synchronize([&] { OnGetCertificate(this, certificate, handled); });
      if (certificate != nullptr)
        InternetSetOption(request, INTERNET_OPTION_CLIENT_CERT_CONTEXT, &certificate, sizeof certificate);
      return true;
    }
    default: return false;
  }
}

void TclUploadThreader::CheckStatus(HINTERNET request) {
  ClearResponseHeader();
  DWORD length = 0;
  HttpQueryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &length, nullptr);
  if (length > 0) {
    std::string head(length, '\0');
    if (HttpQueryInfo(request, HTTP_QUERY_RAW_HEADERS_CRLF, head.data(), &length, nullptr))
      SetResponseHeaderText(FromClientText(std::string_view(head.data(), length)));
  }
  DWORD status = 0;
  if (!QueryStatusCode(request, &status)) {
    DoError(u"", cStatusCode, 0);
    return;
  }
  ResourceInfo()->StatusCode = static_cast<int>(status);
  if (status >= 400)
    throw EclInternetError(Format(cHttpResourceError, {static_cast<int>(status)}),
                           static_cast<int>(status));
}

bool TclUploadThreader::QueryStatusCode(HINTERNET request, DWORD* status) {
  DWORD length = sizeof *status;
  return HttpQueryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, status, &length,
                       nullptr);
}

void TclUploadThreader::ReadResponse(TclHttpOpenRequestAction* request) {
  if (HttpResponse == nullptr || Stopped()) return;
  std::vector<char> buffer(static_cast<size_t>(BatchSize));
  TclInternetReadFileAction read(Connection(), request->Internet(), request->Resource());
  do {
    std::fill(buffer.begin(), buffer.end(), '\0');
    read.SetBuffer(buffer.data(), static_cast<DWORD>(buffer.size()));
    read.FireAction(TimeOut);
    if (read.NumberOfBytesRead() == 0) break;
    Access access(DataAccessor);
    HttpResponse->WriteBuffer(buffer.data(), read.NumberOfBytesRead());
  } while (!Stopped());
}
