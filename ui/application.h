#pragma once
// The application object: what the program asks of its surroundings (the default error report,
// the shell's "open" verb, ending the program). Each is a replaceable callback, so that tests
// record instead of opening windows or browsers; the defaults do the real thing. Created with
// the program, on its main thread, it also lets the Qt event loop run the calls that worker
// threads queue for that thread, and takes the errors of such calls into its error report.

#include <exception>
#include <functional>
#include <string>

struct TApplication {
  // Shows an error text to the user; by default a modal message box.
  std::function<void(const std::u16string& message)> ShowException;
  // Opens a URL ("scheme://...") or a local document in its default application; by default
  // raises when the desktop has no program for it.
  std::function<void(const std::u16string& target)> ShellOpen;
  // Ends the message loop, and with it the program.
  std::function<void()> Terminate;

  // The default error report: the exception's text to standard error and to ShowException.
  void HandleException(const std::exception& error);
  // The same for an exception caught as a pointer; one that is no std::exception is reported
  // as "Unknown error".
  void HandleException(std::exception_ptr error);
  // Runs an event handler; an exception that leaves it is reported and swallowed. Returns true
  // when the handler ran to its end.
  bool Guard(const std::function<void()>& handler);

  TApplication();
};

// The one application object.
extern TApplication Application;
