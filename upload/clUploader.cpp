#include "upload/clUploader.h"

#include <filesystem>

#include "platform/codepage.h"
#include "platform/text_lines.h"
#include "platform/utf.h"
#include "upload/clHttpRequest.h"

std::vector<std::u16string> TclResponseText(std::string_view ABytes, char ADefaultChar) {
  std::string text(ABytes);
  for (char& c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 32 && byte != 9 && byte != 10 && byte != 13) c = ADefaultChar;
  }
  return SplitLines(MultiByteToWide(text, CP_ACP));
}

// ---- TclUploadItem

TclUploadItem::~TclUploadItem() { StopAndWait(); }

void TclUploadItem::SetUseHttpRequest(bool value) {
  if (FUseHttpRequest == value) return;
  FRequestMethod = value ? u"POST" : u"PUT";
  TclInternetItem::SetUseHttpRequest(value);
}

TStream* TclUploadItem::GetDataStream() {
  if (FDataStream != nullptr) return FDataStream;
  if (FSelfDataStream != nullptr) return FSelfDataStream.get();
  if (FUseHttpRequest && FHttpRequest != nullptr) {
    FSelfDataStream = FHttpRequest->RequestStream();
  } else if (!FLocalFile.empty()) {
    const std::string path = Utf16ToUtf8(FLocalFile);
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error))
      FSelfDataStream = std::make_unique<TFileStream>(path, fmOpenRead);
  }
  return FSelfDataStream.get();
}

std::unique_ptr<TclCustomThreader> TclUploadItem::CreateThreader(const std::u16string& AURL,
                                                                 TStream* ADataStream) {
  return std::make_unique<TclUploadThreader>(AURL, false, ADataStream);
}

bool TclUploadItem::GetForceRemoteDir() const {
  return static_cast<const TclUploader*>(Control())->ForceRemoteDir;
}

void TclUploadItem::AssignThreaderParams(TclCustomThreader* AThreader) {
  TclInternetItem::AssignThreaderParams(AThreader);
  auto* threader = static_cast<TclUploadThreader*>(AThreader);
  threader->UseSimpleRequest = FUseSimpleRequest;
  threader->RequestMethod = FRequestMethod;
  threader->ForceRemoteDir = GetForceRemoteDir();
  if (FHttpResponseStream != nullptr) {
    threader->HttpResponse = FHttpResponseStream;
  } else {
    if (FSelfHttpResponseStream == nullptr) FSelfHttpResponseStream = std::make_unique<TMemoryStream>();
    threader->HttpResponse = FSelfHttpResponseStream.get();
  }
}

void TclUploadItem::CommitWork() {
  if (FHttpResponseStream == nullptr && FSelfHttpResponseStream != nullptr)
    FHttpResponse = TclResponseText(FSelfHttpResponseStream->Bytes(), Control()->DefaultChar());
  ReleaseWork();
}

void TclUploadItem::ReleaseWork() {
  FSelfDataStream.reset();  // closes the body's files
  FSelfHttpResponseStream.reset();
}

// ---- TclUploader

TclUploader::TclUploader(TComponent* AOwner) : TclSingleInternetControl(AOwner) {
  SetItem(std::make_unique<TclSingleUploadItem>(this));
}

TclUploader::~TclUploader() {
  FDestroying = true;
  UploadItem()->StopAndWait();
}
