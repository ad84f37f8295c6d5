#pragma once
// The application's default error report: where an exception goes that leaves an event handler
// with no caller to take it (a handler run from a queue of thread calls, a completion event).
// It is written to standard error unless the window installs a handler of its own (a message
// box with the text); the program keeps running either way.

#include <exception>
#include <functional>

void SetApplicationErrorHandler(std::function<void(std::exception_ptr)> handler);
// Hands `error` to the handler; never raises.
void ReportApplicationError(std::exception_ptr error) noexcept;
