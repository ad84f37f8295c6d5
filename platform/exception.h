#pragma once
// The one base class of every failure the agent raises: a message held as UTF-16 text.

#include <exception>
#include <string>
#include <string_view>

class Exception : public std::exception {
 public:
  explicit Exception(std::u16string message);
  // A message given as UTF-8 (the fixed English and Russian texts in the sources).
  explicit Exception(std::string_view utf8_message);

  const std::u16string& Message() const noexcept { return message_; }
  // The message as UTF-8.
  const char* what() const noexcept override { return utf8_.c_str(); }

 protected:
  // Replaces the message; for derived classes that compose it after construction.
  void SetMessage(std::u16string message);

 private:
  std::u16string message_;  // the text shown to the user
  std::string utf8_;        // the same text as UTF-8, for what()
};

// A value could not be converted (dates out of range, malformed numbers).
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};
