#include "upload/clHttpRequest.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "platform/codepage.h"
#include "platform/format.h"
#include "platform/utf.h"

namespace {

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

template <class T>
bool IsA(const TclHttpRequestItem* item) {
  return dynamic_cast<const T*>(item) != nullptr;
}

// Sets a flag for the life of the scope and restores its earlier value, also on a failure.
class FlagScope {
 public:
  explicit FlagScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
  ~FlagScope() { flag_ = saved_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;   // the flag held set
  bool saved_;   // its value before
};

}  // namespace

std::u16string TclMakeBoundary(const DecodedDateTime& moment) {
  std::u16string digits;
  for (const int part : {moment.month, moment.day, moment.hour, moment.minute, moment.second,
                         moment.millisecond}) {
    std::u16string hex = Format(u"%x", {part});
    if (hex.size() < 2) hex.insert(hex.begin(), u'0');
    digits += hex;
  }
  return std::u16string(27, u'-') + digits.substr(0, 12);
}

DecodedDateTime TclLocalNow() {
  using std::chrono::system_clock;
  const system_clock::time_point now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto since_second = now - system_clock::from_time_t(seconds);
  const int millisecond = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since_second).count());
  return DecodedDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min,        local.tm_sec,     std::clamp(millisecond, 0, 999),
                         local.tm_wday + 1};
}

TclHttpRequest::TclHttpRequest(TComponent* owner)
    : TComponent(owner), FHeader(std::make_unique<TclHttpRequestHeader>()) {
  FHeader->OnChanged = [this](TclHttpEntityHeader*) {
    BeginUpdate();
    EndUpdate();
  };
}

TclHttpRequest::~TclHttpRequest() {
  // The items leave quietly: no change is reported for a request that is going away.
  while (!FList.empty()) {
    TclHttpRequestItem* item = FList.back();
    FList.pop_back();
    item->FOwner = nullptr;
    delete item;
  }
}

TclHttpRequestItem* TclHttpRequest::Items(int index) const {
  CheckIndex(index);
  return FList[static_cast<size_t>(index)];
}

void TclHttpRequest::Clear() {
  BeginUpdate();
  ClearItems();
  FHeader->Clear();
  EndUpdate();
}

TclSubmitFileRequestItem* TclHttpRequest::AddSubmitFile(const std::u16string& field_name,
                                                        const std::u16string& file_name) {
  BeginUpdate();
  auto* item = Add<TclSubmitFileRequestItem>();
  item->SetFileName(file_name);
  item->SetFieldName(field_name);
  EndUpdate();
  return item;
}

TclFormFieldRequestItem* TclHttpRequest::AddFormField(const std::u16string& field_name,
                                                      const std::u16string& value) {
  BeginUpdate();
  auto* item = Add<TclFormFieldRequestItem>();
  item->SetFieldName(field_name);
  item->SetFieldValue(value);
  EndUpdate();
  return item;
}

TclTextRequestItem* TclHttpRequest::AddTextData(const std::u16string& text) {
  BeginUpdate();
  auto* item = Add<TclTextRequestItem>();
  item->SetTextData(text);
  EndUpdate();
  return item;
}

TclBinaryRequestItem* TclHttpRequest::AddBinaryData() { return Add<TclBinaryRequestItem>(); }

void TclHttpRequest::Add(TclHttpRequestItem* item) { item->SetOwner(this); }

void TclHttpRequest::Delete(int index) { delete Items(index); }

void TclHttpRequest::Move(int current_index, int new_index) {
  CheckIndex(current_index);
  CheckIndex(new_index);
  if (current_index == new_index) return;
  BeginUpdate();
  TclHttpRequestItem* item = FList[static_cast<size_t>(current_index)];
  FList.erase(FList.begin() + current_index);
  FList.insert(FList.begin() + new_index, item);
  EndUpdate();
}

void TclHttpRequest::ClearItems() {
  BeginUpdate();
  while (!FList.empty()) delete FList.back();
  EndUpdate();
}

void TclHttpRequest::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0) ChangeStep();
}

void TclHttpRequest::ChangeStep() {
  if (!FIsParse) {
    // Held open so that the header's own notice of this reset is no second change.
    ++FUpdateCount;
    FHeader->SetBoundary(u"");
    --FUpdateCount;
  }
  FHeaderSource.clear();
  if (OnChanged) OnChanged(this);
}

std::unique_ptr<TclMultiStream> TclHttpRequest::RequestStream() {
  {
    FlagScope parse(FIsParse);
    SettleBoundary();
  }
  const std::u16string boundary = FHeader->Boundary();
  auto body = std::make_unique<TclMultiStream>();
  for (size_t i = 0; i < FList.size(); ++i) {
    const std::string separator = Separator(static_cast<int>(i), boundary);
    if (!separator.empty()) body->AddStream(std::make_unique<TMemoryStream>(separator));
    body->AddStream(FList[i]->GetData());
  }
  const std::string closing = Closing(boundary);
  if (!closing.empty()) body->AddStream(std::make_unique<TMemoryStream>(closing));
  body->SetPosition(0);
  return body;
}

std::int64_t TclHttpRequest::TotalSize() {
  // The body's own boundary when it has one; otherwise a new one of the same length.
  const std::u16string boundary = IsMultipart() && !FHeader->Boundary().empty()
                                      ? FHeader->Boundary()
                                      : TclMakeBoundary(BoundaryClock());
  std::int64_t size = 0;
  for (size_t i = 0; i < FList.size(); ++i) {
    size += static_cast<std::int64_t>(Separator(static_cast<int>(i), boundary).size());
    size += FList[i]->GetSize();
  }
  return size + static_cast<std::int64_t>(Closing(boundary).size());
}

std::vector<std::u16string> TclHttpRequest::HeaderSource() {
  if (FHeaderSource.empty()) {
    {
      FlagScope parse(FIsParse);
      SettleBoundary();
      const std::int64_t size = TotalSize();
      FHeader->SetContentLength(size == 0 ? u"" : Utf8ToUtf16(std::to_string(size)));
    }
    FHeaderSource = FHeader->HeaderLines();
  }
  return FHeaderSource;
}

bool TclHttpRequest::IsMultipart() const {
  return AsciiLower(FHeader->ContentType()).find(u"multipart/") != std::u16string::npos;
}

bool TclHttpRequest::IsUrlEncoded() const {
  return AsciiLower(FHeader->ContentType()) == u"application/x-www-form-urlencoded";
}

std::string TclHttpRequest::TextToBytes(std::u16string_view text) const {
  const std::u16string charset = AsciiLower(FHeader->CharSet());
  if (charset == u"utf-8" || charset == u"utf8") return Utf16ToUtf8(text);
  return WideToMultiByte(text);
}

void TclHttpRequest::InsertItem(TclHttpRequestItem* item) {
  BeginUpdate();
  FList.push_back(item);
  item->FOwner = this;
  UpdateContentType();
  EndUpdate();
}

void TclHttpRequest::RemoveItem(TclHttpRequestItem* item) {
  BeginUpdate();
  std::erase(FList, item);
  item->FOwner = nullptr;
  UpdateContentType();
  EndUpdate();
}

void TclHttpRequest::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw Exception(Format(u"List index out of bounds (%d)", {index}));
  }
}

void TclHttpRequest::UpdateContentType() {
  if (FIsParse) return;
  std::u16string type;
  if (std::any_of(FList.begin(), FList.end(), IsA<TclSubmitFileRequestItem>)) {
    type = u"multipart/form-data";
  } else if (!FList.empty() &&
             std::all_of(FList.begin(), FList.end(), IsA<TclFormFieldRequestItem>)) {
    type = u"application/x-www-form-urlencoded";
  }
  FHeader->SetContentType(type);
}

void TclHttpRequest::SettleBoundary() {
  if (!IsMultipart()) {
    FHeader->SetBoundary(u"");
  } else if (FHeader->Boundary().empty()) {
    FHeader->SetBoundary(TclMakeBoundary(BoundaryClock()));
  }
}

std::string TclHttpRequest::Separator(int index, const std::u16string& boundary) const {
  if (IsMultipart()) {
    return WideToMultiByte((index == 0 ? u"--" : u"\r\n--") + boundary + u"\r\n");
  }
  return IsUrlEncoded() && index > 0 ? "&" : "";
}

std::string TclHttpRequest::Closing(const std::u16string& boundary) const {
  return IsMultipart() ? WideToMultiByte(u"\r\n--" + boundary + u"--\r\n") : "";
}
