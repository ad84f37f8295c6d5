#include "upload/clUriUtils.h"

#include <vector>

#include "platform/internet_client.h"
#include "platform/text_lines.h"
#include "upload/clWinInet.h"

namespace {

// Capacities, in characters with the terminating zero, of the parts a URL is cracked into.
constexpr DWORD kSchemeCapacity = 32, kHostCapacity = 256, kUserCapacity = 128,
                kPasswordCapacity = 128, kPathCapacity = 2048, kExtraCapacity = 4096;
constexpr DWORD kUrlCapacity = 2055;

}  // namespace

void TclUrlParser::Reset() {
  FUrlpath.clear();
  FUserName.clear();
  FExtra.clear();
  FHost.clear();
  FPassword.clear();
  FAbsoluteUri.clear();
  FUrlType = utUnknown;
  FPort = 0;
}

std::u16string TclUrlParser::Parse(const std::u16string& AUrl) {
  std::u16string result = ParseOnce(AUrl);
  if (result.empty() && GetLastError() == ERROR_INTERNET_UNRECOGNIZED_SCHEME && !AUrl.empty()) {
    result = ParseOnce(u"http://" + AUrl);
  }
  return result;
}

std::u16string TclUrlParser::ParseOnce(const std::u16string& AUrl) {
  Reset();
  URL_COMPONENTS parts;
  parts.dwSchemeLength = kSchemeCapacity;
  parts.dwHostNameLength = kHostCapacity;
  parts.dwUserNameLength = kUserCapacity;
  parts.dwPasswordLength = kPasswordCapacity;
  parts.dwUrlPathLength = kPathCapacity;
  parts.dwExtraInfoLength = kExtraCapacity;
  const std::string url = ToClientText(AUrl);
  if (!InternetCrackUrl(url, 0, &parts)) return u"";
  if (parts.nScheme >= INTERNET_SCHEME_DEFAULT && parts.nScheme <= INTERNET_SCHEME_MAILTO)
    FUrlType = static_cast<TclUrlType>(parts.nScheme);
  // The capacities of the parts that the owner may write into.
  parts.dwUserNameLength = kUserCapacity;
  parts.dwPasswordLength = kPasswordCapacity;
  if (OnUrlParsing) OnUrlParsing(this, parts);
  FHost = FromClientText(parts.lpszHostName);
  FUserName = FromClientText(parts.lpszUserName);
  FPassword = FromClientText(parts.lpszPassword);
  FUrlpath = FromClientText(parts.lpszUrlPath);
  FExtra = FromClientText(parts.lpszExtraInfo);
  FPort = parts.nPort;
  std::vector<char> buffer(kUrlCapacity);
  DWORD length = kUrlCapacity;
  if (!InternetCreateUrl(&parts, 0, buffer.data(), &length)) return u"";
  std::u16string absolute = Trim(FromClientText(std::string_view(buffer.data(), length)));
  std::u16string escaped;
  for (char16_t c : absolute) {
    if (c == u' ')
      escaped += u"%20";
    else
      escaped += c;
  }
  FAbsoluteUri = escaped;
  return escaped;
}
