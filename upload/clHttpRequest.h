#pragma once
// TclHttpRequest: the body of an HTTP request as an ordered list of items (submitted files, form
// fields, text, raw data), turned into the body stream, its exact length and the header lines
// that go with it. Not synchronised: edit and read it on one thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/component.h"
#include "platform/date_time.h"
#include "platform/stream.h"
#include "upload/clHttpHeader.h"
#include "upload/clHttpRequestItem.h"
#include "upload/clMultiStream.h"

// The multipart boundary made from a moment: 27 hyphens, then month, day, hour, minute, second
// and millisecond, each in upper-case hexadecimal with at least two digits, cut to 12
// characters. Always 39 characters long.
std::u16string TclMakeBoundary(const DecodedDateTime& moment);
// The local date and time now, to the millisecond.
DecodedDateTime TclLocalNow();

class TclHttpRequest : public TComponent {
 public:
  explicit TclHttpRequest(TComponent* owner);
  ~TclHttpRequest() override;

  // The request's header fields. Any change of a field counts as a change of the request (the
  // request keeps the header's OnChanged for that).
  TclHttpRequestHeader* Header() const { return FHeader.get(); }

  int Count() const { return static_cast<int>(FList.size()); }
  // The item at `index`; raises Exception "List index out of bounds (%d)" outside the list.
  TclHttpRequestItem* Items(int index) const;

  // Destroys every item and clears the header (Accept "*/*", no content type), as one change.
  void Clear();
  // Appends a new item of each kind, set up as one change; the request owns it.
  TclSubmitFileRequestItem* AddSubmitFile(const std::u16string& field_name,
                                          const std::u16string& file_name);
  TclFormFieldRequestItem* AddFormField(const std::u16string& field_name,
                                        const std::u16string& value);
  TclTextRequestItem* AddTextData(const std::u16string& text);
  TclBinaryRequestItem* AddBinaryData();
  // Appends a new item of class T.
  template <class T>
  T* Add() {
    auto item = std::make_unique<T>();
    Add(item.get());
    return item.release();
  }
  // Appends an existing item, taking it from the request that held it.
  void Add(TclHttpRequestItem* item);
  // Destroys the item at `index`.
  void Delete(int index);
  // Moves the item at `current_index` so that it ends up at `new_index`.
  void Move(int current_index, int new_index);
  // Destroys every item, the last first, as one change.
  void ClearItems();

  // Brackets edits into one change: the EndUpdate that closes the outermost BeginUpdate
  // performs the change step (a new boundary at the next use, the header lines recomputed,
  // OnChanged). EndUpdate without an open bracket does nothing.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

  // A new stream of the whole body, positioned at 0; the caller owns it. Files are opened now
  // and stay open while it lives; the request keeps no reference to it. Raises EFOpenError
  // naming a file that cannot be opened.
  std::unique_ptr<TclMultiStream> RequestStream();
  // The exact length of the body RequestStream yields. Opens and closes the files.
  std::int64_t TotalSize();
  // The request header as lines, with Content-Length and the boundary of the body; computed on
  // first use after a change and kept until the next one, so the body stream and these lines
  // taken one after the other share one boundary.
  std::vector<std::u16string> HeaderSource();

  // The content type decides the body's form: multipart when it contains "multipart/",
  // URL-encoded when it is "application/x-www-form-urlencoded" (both ignoring case).
  bool IsMultipart() const;
  bool IsUrlEncoded() const;
  // Text as bytes in the header's CharSet: UTF-8 when it names UTF-8, otherwise the system code
  // page.
  std::string TextToBytes(std::u16string_view text) const;

  // Where boundaries take their moment from: local time unless replaced.
  std::function<DecodedDateTime()> BoundaryClock = TclLocalNow;

  // A change of the request was completed.
  std::function<void(TclHttpRequest* sender)> OnChanged;
  // Lets the owner supply the bytes of a submitted-file or raw-data item in place of the file;
  // a stream left in `stream` is owned by the body from then on.
  std::function<void(TclHttpRequest* sender, TclHttpRequestItem* item,
                     std::unique_ptr<TStream>& stream)>
      OnLoadData;

 private:
  friend class TclHttpRequestItem;

  void InsertItem(TclHttpRequestItem* item);
  void RemoveItem(TclHttpRequestItem* item);
  void CheckIndex(int index) const;
  // Recomputes the content type from the kinds of the items.
  void UpdateContentType();
  // Keeps or makes the boundary of a multipart body; empties it for any other body.
  void SettleBoundary();
  // The bytes placed before item `index`, and after the last item.
  std::string Separator(int index, const std::u16string& boundary) const;
  std::string Closing(const std::u16string& boundary) const;
  void ChangeStep();

  std::vector<TclHttpRequestItem*> FList;        // the body items, owned
  std::unique_ptr<TclHttpRequestHeader> FHeader;  // the header fields
  int FUpdateCount = 0;                           // nesting depth of BeginUpdate
  bool FIsParse = false;      // derived values are being computed: keep boundary and type
  std::vector<std::u16string> FHeaderSource;      // cached header lines; empty: not computed
};
