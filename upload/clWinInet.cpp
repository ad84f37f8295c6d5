#include "upload/clWinInet.h"

#include "platform/codepage.h"
#include "platform/format.h"
#include "platform/internet_client.h"
#include "platform/last_error.h"

EclInternetError EclInternetError::CreateByLastError() {
  const int code = static_cast<int>(GetLastError());
  return EclInternetError(GetInternetErrorText(code), code);
}

std::u16string ComposeInternetErrorText(int code, std::string_view system_text,
                                        std::string_view response_text) {
  std::u16string text = FromClientText(system_text);
  while (!text.empty() && (text.back() <= u' ' || text.back() == u'.' ||
                           (text.back() >= 0x7F && text.back() <= 0x9F)))
    text.pop_back();
  if (code == static_cast<int>(ERROR_INTERNET_EXTENDED_ERROR)) {
    if (!text.empty()) text += std::u16string(u"; ") + cAdditionalInfo + u": ";
    text += FromClientText(response_text);
  }
  if (text.empty()) text = Format(cUnknownError, {code});
  return text;
}

std::u16string GetInternetErrorText(int code) {
  std::string response;
  if (code == static_cast<int>(ERROR_INTERNET_EXTENDED_ERROR)) {
    DWORD error = 0, length = 0;
    InternetGetLastResponseInfo(&error, nullptr, &length);  // asks for the length first
    response.resize(length);
    if (length > 0 && InternetGetLastResponseInfo(&error, response.data(), &length))
      response.resize(length);
    else
      response.clear();
  }
  return ComposeInternetErrorText(code, SystemErrorMessage(static_cast<DWORD>(code)), response);
}

std::string ToClientText(std::u16string_view text) { return WideToMultiByte(text, CP_ACP); }
std::u16string FromClientText(std::string_view text) { return MultiByteToWide(text, CP_ACP); }
