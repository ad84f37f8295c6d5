#pragma once
// The runtime's list errors that the spreadsheet code raises for positions outside a list.

#include <string>

#include "platform/exception.h"

// A table position outside 0 to Count-1: "List index out of bounds (N)".
class EListError : public Exception {
 public:
  explicit EListError(long index);
};

// A range check failed; the message is given by the raiser.
class ERangeError : public Exception {
 public:
  using Exception::Exception;
};
