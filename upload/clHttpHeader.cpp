#include "upload/clHttpHeader.h"

#include <initializer_list>

void TclHttpEntityHeader::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount == 0 && FChanged) {
    FChanged = false;
    if (OnChanged) OnChanged(this);
  }
}

void TclHttpEntityHeader::Clear() {
  BeginUpdate();
  using Field = std::u16string TclHttpEntityHeader::*;
  for (Field field : {&TclHttpEntityHeader::FBoundary, &TclHttpEntityHeader::FCharSet,
                      &TclHttpEntityHeader::FCacheControl, &TclHttpEntityHeader::FConnection,
                      &TclHttpEntityHeader::FContentEncoding,
                      &TclHttpEntityHeader::FContentLanguage,
                      &TclHttpEntityHeader::FContentLength, &TclHttpEntityHeader::FContentType,
                      &TclHttpEntityHeader::FContentVersion, &TclHttpEntityHeader::FDate,
                      &TclHttpEntityHeader::FExpires, &TclHttpEntityHeader::FLastModified,
                      &TclHttpEntityHeader::FProxyConnection,
                      &TclHttpEntityHeader::FTransferEncoding}) {
    SetField(this->*field, u"");
  }
  SetExtraFields({});
  EndUpdate();
}

std::vector<std::u16string> TclHttpEntityHeader::HeaderLines() const {
  std::vector<std::u16string> lines;
  WriteFields(lines);
  lines.insert(lines.end(), FExtraFields.begin(), FExtraFields.end());
  return lines;
}

void TclHttpEntityHeader::SetExtraFields(const std::vector<std::u16string>& lines) {
  if (lines == FExtraFields) return;
  FExtraFields = lines;
  Changed();
}

void TclHttpEntityHeader::SetField(std::u16string& field, const std::u16string& value) {
  if (field == value) return;
  field = value;
  Changed();
}

void TclHttpEntityHeader::Changed() {
  if (FUpdateCount > 0) {
    FChanged = true;
  } else if (OnChanged) {
    OnChanged(this);
  }
}

void TclHttpEntityHeader::AddField(std::vector<std::u16string>& lines, const char16_t* name,
                                   const std::u16string& value) {
  if (value.empty()) return;
  // Every line break of the value (CRLF, CR or LF) starts a continuation line with a tab; a
  // break at the very end starts none.
  const std::u16string text = std::u16string(name) + u": " + value;
  std::u16string line;
  bool first = true;
  for (size_t i = 0; i <= text.size(); ++i) {
    const bool end = i == text.size();
    if (!end && text[i] != u'\r' && text[i] != u'\n') {
      line += text[i];
      continue;
    }
    if (end && line.empty() && !first) break;
    lines.push_back(first ? line : u'\t' + line);
    first = false;
    line.clear();
    if (!end && text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
  }
}

void TclHttpEntityHeader::WriteFields(std::vector<std::u16string>& lines) const {
  AddField(lines, u"Content-Encoding", FContentEncoding);
  AddField(lines, u"Content-Language", FContentLanguage);
  AddField(lines, u"Content-Length", FContentLength);
  AddField(lines, u"Content-Version", FContentVersion);
  // The parameters qualify a content type and are left out without one.
  std::u16string type = FContentType;
  if (!type.empty() && !FBoundary.empty()) type += u"; boundary=" + FBoundary;
  if (!type.empty() && !FCharSet.empty()) type += u"; charset=" + FCharSet;
  AddField(lines, u"Content-Type", type);
  AddField(lines, u"Date", FDate);
  AddField(lines, u"Expires", FExpires);
  AddField(lines, u"Last-Modified", FLastModified);
  AddField(lines, u"Transfer-Encoding", FTransferEncoding);
  AddField(lines, u"Cache-Control", FCacheControl);
  AddField(lines, u"Connection", FConnection);
  AddField(lines, u"Proxy-Connection", FProxyConnection);
}

TclHttpRequestHeader::TclHttpRequestHeader() { Clear(); }

void TclHttpRequestHeader::Clear() {
  BeginUpdate();
  TclHttpEntityHeader::Clear();
  using Field = std::u16string TclHttpRequestHeader::*;
  for (Field field : {&TclHttpRequestHeader::FAcceptCharSet,
                      &TclHttpRequestHeader::FAcceptEncoding,
                      &TclHttpRequestHeader::FAcceptLanguage, &TclHttpRequestHeader::FAuthorization,
                      &TclHttpRequestHeader::FHost, &TclHttpRequestHeader::FProxyAuthorization,
                      &TclHttpRequestHeader::FRange, &TclHttpRequestHeader::FReferer,
                      &TclHttpRequestHeader::FUserAgent}) {
    SetField(this->*field, u"");
  }
  SetAccept(u"*/*");
  EndUpdate();
}

void TclHttpRequestHeader::WriteFields(std::vector<std::u16string>& lines) const {
  AddField(lines, u"Accept", FAccept);
  AddField(lines, u"Accept-Charset", FAcceptCharSet);
  AddField(lines, u"Accept-Encoding", FAcceptEncoding);
  AddField(lines, u"Accept-Language", FAcceptLanguage);
  AddField(lines, u"Range", FRange);
  AddField(lines, u"Referer", FReferer);
  AddField(lines, u"Host", FHost);
  AddField(lines, u"User-Agent", FUserAgent);
  AddField(lines, u"Authorization", FAuthorization);
  AddField(lines, u"Proxy-Authorization", FProxyAuthorization);
  TclHttpEntityHeader::WriteFields(lines);
}
