#pragma once
// Collects what reaches the application's default error report while it lives.

#include <exception>
#include <string>
#include <vector>

#include "platform/application_error.h"

class TReportedErrors {
 public:
  TReportedErrors() {
    SetApplicationErrorHandler([this](std::exception_ptr error) {
      try {
        std::rethrow_exception(error);
      } catch (const std::exception& e) {
        texts.push_back(e.what());
      } catch (...) {
        texts.push_back("?");
      }
    });
  }
  ~TReportedErrors() { SetApplicationErrorHandler(nullptr); }

  std::vector<std::string> texts;  // what() of each reported exception, in order
};
