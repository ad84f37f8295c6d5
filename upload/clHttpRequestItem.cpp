#include "upload/clHttpRequestItem.h"

#include "platform/codepage.h"
#include "platform/utf.h"
#include "upload/clHttpRequest.h"
#include "upload/clMultiStream.h"

namespace {

std::unique_ptr<TStream> BytesStream(std::string_view bytes) {
  return std::make_unique<TMemoryStream>(bytes);
}

// The part of a path after its last directory delimiter ('/' or '\').
std::u16string FileNamePart(const std::u16string& path) {
  const size_t slash = path.find_last_of(u"/\\");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

// URL-encoding of the UTF-8 bytes of `text`: letters, digits and "*-._" stay, a blank becomes
// "+", every other byte "%" and two upper-case hexadecimal digits.
std::string UrlEncode(std::u16string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : Utf16ToUtf8(text)) {
    const unsigned char b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
        b == '*' || b == '-' || b == '.' || b == '_') {
      out += c;
    } else if (b == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

}  // namespace

TclHttpRequestItem::~TclHttpRequestItem() {
  if (FOwner != nullptr) FOwner->RemoveItem(this);
}

void TclHttpRequestItem::SetOwner(TclHttpRequest* owner) {
  if (owner == FOwner) return;
  if (FOwner != nullptr) FOwner->RemoveItem(this);
  if (owner != nullptr) owner->InsertItem(this);
}

std::int64_t TclHttpRequestItem::GetSize() { return GetData()->Size(); }

void TclHttpRequestItem::Changed() {
  if (FOwner == nullptr) return;
  FOwner->BeginUpdate();
  FOwner->EndUpdate();
}

bool TclHttpRequestItem::IsMultipart() const {
  return FOwner != nullptr && FOwner->IsMultipart();
}

bool TclHttpRequestItem::IsUrlEncoded() const {
  return FOwner != nullptr && FOwner->IsUrlEncoded();
}

std::string TclHttpRequestItem::TextToBytes(std::u16string_view text) const {
  return FOwner != nullptr ? FOwner->TextToBytes(text) : WideToMultiByte(text);
}

std::unique_ptr<TStream> TclHttpRequestItem::LoadData() {
  std::unique_ptr<TStream> stream;
  if (FOwner != nullptr && FOwner->OnLoadData) FOwner->OnLoadData(FOwner, this, stream);
  if (stream) stream->SetPosition(0);
  return stream;
}

std::unique_ptr<TStream> TclSubmitFileRequestItem::GetData() {
  if (!IsMultipart()) return std::make_unique<TclNullStream>();
  const std::u16string header = u"Content-Disposition: form-data; name=\"" + FFieldName +
                                u"\"; filename=\"" + FileNamePart(FFileName) +
                                u"\"\r\nContent-Type: " + FContentType + u"\r\n\r\n";
  auto part = std::make_unique<TclMultiStream>();
  part->AddStream(BytesStream(WideToMultiByte(header)));
  std::unique_ptr<TStream> data = LoadData();
  if (!data) data = std::make_unique<TFileStream>(Utf16ToUtf8(FFileName), fmOpenRead);
  part->AddStream(std::move(data));
  return part;
}

std::unique_ptr<TStream> TclFormFieldRequestItem::GetData() {
  if (IsMultipart()) {
    return BytesStream(TextToBytes(u"Content-Disposition: form-data; name=\"" + FFieldName +
                                   u"\"\r\n\r\n" + FFieldValue));
  }
  if (IsUrlEncoded() && Canonicalized()) {
    return BytesStream(UrlEncode(FFieldName) + '=' + UrlEncode(FFieldValue));
  }
  return BytesStream(TextToBytes(FFieldName + u'=' + FFieldValue));
}

std::unique_ptr<TStream> TclTextRequestItem::GetData() {
  return BytesStream(TextToBytes(FTextData));
}

std::unique_ptr<TStream> TclBinaryRequestItem::GetData() {
  std::unique_ptr<TStream> data = LoadData();
  if (!data) data = std::make_unique<TclNullStream>();
  return data;
}
