#pragma once
// The transfer's view of the internet client: its failures as exceptions and the message text
// of an error number. Texts go to the client in the system code page.

#include <string>
#include <string_view>

#include "platform/exception.h"

inline constexpr char16_t cAdditionalInfo[] = u"Additional info";
inline constexpr char16_t cRequestTimeout[] = u"Request timeout";
inline constexpr char16_t cUnknownError[] = u"Unknown error, code = %d";
inline constexpr int cTimeoutErrorCode = 258;

// A transfer failure: a message and the internet client's error number (or another code).
class EclInternetError : public Exception {
 public:
  EclInternetError(std::u16string message, int error_code)
      : Exception(std::move(message)), FErrorCode(error_code) {}
  int ErrorCode() const { return FErrorCode; }
  // The calling thread's last error with its message.
  static EclInternetError CreateByLastError();

 private:
  int FErrorCode;  // the error number
};

// A call that did not finish within its time-out: "Request timeout", code 258.
class EclTimeoutInternetError : public EclInternetError {
 public:
  EclTimeoutInternetError() : EclInternetError(cRequestTimeout, cTimeoutErrorCode) {}
};

// The message of `code` from the system's text for it (8-bit, may be empty) and, for the
// extended error 12003, the server's response text: trailing blanks, control characters and
// full stops are stripped; 12003 appends "; Additional info: " and the response text (only the
// response text when the message is empty); a message still empty becomes
// "Unknown error, code = <code>".
std::u16string ComposeInternetErrorText(int code, std::string_view system_text,
                                        std::string_view response_text);
// The same with the system's text and, for 12003, the calling thread's last response text.
std::u16string GetInternetErrorText(int code);

// Program text to the client's 8-bit text and back, in the system code page.
std::string ToClientText(std::u16string_view text);
std::u16string FromClientText(std::string_view text);
