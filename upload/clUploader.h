#pragma once
// TclUploader: the component that posts a body to a URL. The body is the caller's DataStream,
// else the request component's body (UseHttpRequest with HttpRequest set, with the request's
// header lines), else the file LocalFile. The response body ends up in HttpResponseStream when
// the caller set one, else as text lines in HttpResponse, filled just before
// OnProcessCompleted; bytes that are not text (other than TAB, LF and CR below 32) show as
// DefaultChar there. See clSingleDC.h for the order of events.

#include <memory>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "upload/clSingleDC.h"
#include "upload/clUploadThreader.h"

class TclUploader;

class TclUploadItem : public TclInternetItem {
 public:
  using TclInternetItem::TclInternetItem;
  ~TclUploadItem() override;

  // "POST" when set, "PUT" when cleared.
  void SetUseHttpRequest(bool value) override;

  const std::vector<std::u16string>& HttpResponse() const { return FHttpResponse; }
  bool UseSimpleRequest() const { return FUseSimpleRequest; }
  void SetUseSimpleRequest(bool value) { SetProperty(FUseSimpleRequest, value); }
  const std::u16string& RequestMethod() const { return FRequestMethod; }
  void SetRequestMethod(const std::u16string& value) { SetProperty(FRequestMethod, value); }
  TStream* HttpResponseStream() const { return FHttpResponseStream; }
  void SetHttpResponseStream(TStream* value) { FHttpResponseStream = value; }

 protected:
  TStream* GetDataStream() override;
  std::unique_ptr<TclCustomThreader> CreateThreader(const std::u16string& AURL,
                                                    TStream* ADataStream) override;
  void AssignThreaderParams(TclCustomThreader* AThreader) override;
  void ClearResults() override { FHttpResponse.clear(); }
  void CommitWork() override;
  void ReleaseWork() override;
  // Whether missing remote folders are made (FTP only).
  virtual bool GetForceRemoteDir() const;

 private:
  std::vector<std::u16string> FHttpResponse;         // the response body as text lines
  bool FUseSimpleRequest = false;
  TStream* FHttpResponseStream = nullptr;            // the caller's, not owned
  std::unique_ptr<TMemoryStream> FSelfHttpResponseStream;  // used without the caller's
  std::unique_ptr<TStream> FSelfDataStream;          // the body the item obtained itself
  std::u16string FRequestMethod = u"PUT";
};

class TclSingleUploadItem : public TclUploadItem {
 public:
  using TclUploadItem::TclUploadItem;
};

// The response bytes as text in the system code page: bytes below 32 other than 9, 10 and 13
// become `ADefaultChar`; split into lines at CR, LF or CR LF.
std::vector<std::u16string> TclResponseText(std::string_view ABytes, char ADefaultChar);

class TclUploader : public TclSingleInternetControl {
 public:
  explicit TclUploader(TComponent* AOwner);
  ~TclUploader() override;

  TclUploadItem* UploadItem() const { return static_cast<TclUploadItem*>(Item()); }
  bool UseSimpleRequest() const { return UploadItem()->UseSimpleRequest(); }
  void SetUseSimpleRequest(bool value) { UploadItem()->SetUseSimpleRequest(value); }
  const std::u16string& RequestMethod() const { return UploadItem()->RequestMethod(); }
  void SetRequestMethod(const std::u16string& value) { UploadItem()->SetRequestMethod(value); }
  const std::vector<std::u16string>& HttpResponse() const { return UploadItem()->HttpResponse(); }
  TStream* HttpResponseStream() const { return UploadItem()->HttpResponseStream(); }
  void SetHttpResponseStream(TStream* value) { UploadItem()->SetHttpResponseStream(value); }

  bool ForceRemoteDir = false;  // FTP only
};
