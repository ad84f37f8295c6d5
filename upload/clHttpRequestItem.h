#pragma once
// The items of a request body: a submitted file, a form field, plain text and raw data. Each
// item produces the bytes it contributes to the body of its owning request (TclHttpRequest).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/stream.h"

class TclHttpRequest;

// The base of the items. An item is created detached and belongs to its creator until it joins
// a request (SetOwner, or the request's Add operations), which then owns it; destroying an
// item removes it from its owner's list.
class TclHttpRequestItem {
 public:
  TclHttpRequestItem() = default;
  TclHttpRequestItem(const TclHttpRequestItem&) = delete;
  TclHttpRequestItem& operator=(const TclHttpRequestItem&) = delete;
  virtual ~TclHttpRequestItem();

  TclHttpRequest* Owner() const { return FOwner; }
  // Moves the item from its owner's list to the end of `owner`'s (none: the item is detached).
  void SetOwner(TclHttpRequest* owner);

  bool Canonicalized() const { return FCanonicalized; }
  void SetCanonicalized(bool value) { SetProperty(FCanonicalized, value); }

  // A new stream of the item's bytes in its owner's body, positioned at 0; the caller owns it.
  // Raises EFOpenError when a file the item names cannot be opened.
  virtual std::unique_ptr<TStream> GetData() = 0;
  // The number of bytes GetData yields now.
  std::int64_t GetSize();

  std::int32_t Tag = 0;  // free for the caller

 protected:
  // Stores a changed value and counts it as one change of the owner.
  template <class T>
  void SetProperty(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }
  void Changed();
  // Whether the owner's body is multipart and URL-encoded; false without an owner.
  bool IsMultipart() const;
  bool IsUrlEncoded() const;
  // Text as bytes in the owner's character set (see TclHttpRequest::TextToBytes).
  std::string TextToBytes(std::u16string_view text) const;
  // The stream the owner's OnLoadData handler supplies for this item, or null.
  std::unique_ptr<TStream> LoadData();

 private:
  friend class TclHttpRequest;

  TclHttpRequest* FOwner = nullptr;  // the request whose list holds the item
  bool FCanonicalized = true;        // URL-encode names and values in a URL-encoded body
};

// A file sent as a multipart part: a part header naming the field and the file (without its
// directory), then the file's bytes. Outside a multipart body it contributes nothing.
class TclSubmitFileRequestItem : public TclHttpRequestItem {
 public:
  const std::u16string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::u16string& value) { SetProperty(FFieldName, value); }
  const std::u16string& FileName() const { return FFileName; }
  void SetFileName(const std::u16string& value) { SetProperty(FFileName, value); }
  const std::u16string& ContentType() const { return FContentType; }
  void SetContentType(const std::u16string& value) { SetProperty(FContentType, value); }

  // The file is opened here, for reading, and stays open as long as the stream lives; the
  // owner's OnLoadData handler may supply the bytes instead.
  std::unique_ptr<TStream> GetData() override;

 private:
  std::u16string FFieldName;                                  // the form field's name
  std::u16string FFileName;                                   // the file's path
  std::u16string FContentType = u"application/octet-stream";  // the part's content type
};

// A named value: a multipart part of its own, or "name=value" in a URL-encoded body.
class TclFormFieldRequestItem : public TclHttpRequestItem {
 public:
  const std::u16string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::u16string& value) { SetProperty(FFieldName, value); }
  const std::u16string& FieldValue() const { return FFieldValue; }
  void SetFieldValue(const std::u16string& value) { SetProperty(FFieldValue, value); }

  std::unique_ptr<TStream> GetData() override;

 private:
  std::u16string FFieldName;   // the field's name
  std::u16string FFieldValue;  // the field's value
};

// Text placed into the body as it is.
class TclTextRequestItem : public TclHttpRequestItem {
 public:
  const std::u16string& TextData() const { return FTextData; }
  void SetTextData(const std::u16string& value) { SetProperty(FTextData, value); }

  std::unique_ptr<TStream> GetData() override;

 private:
  std::u16string FTextData;  // the text
};

// Raw bytes that the owner's OnLoadData handler supplies; nothing without one.
class TclBinaryRequestItem : public TclHttpRequestItem {
 public:
  std::unique_ptr<TStream> GetData() override;
};
