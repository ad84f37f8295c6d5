#include "platform/exception.h"

#include "platform/utf.h"

Exception::Exception(std::u16string message)
    : message_(std::move(message)), utf8_(Utf16ToUtf8(message_)) {}

Exception::Exception(std::string_view utf8_message)
    : message_(Utf8ToUtf16(utf8_message)), utf8_(utf8_message) {}

void Exception::SetMessage(std::u16string message) {
  message_ = std::move(message);
  utf8_ = Utf16ToUtf8(message_);
}
