#include "ui/application.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>
#include <iostream>
#include <thread>

#include "platform/application_error.h"
#include "platform/exception.h"
#include "platform/thread_calls.h"

TApplication Application;

namespace {

void ShowMessageBox(const std::u16string& message) {
  QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Тарво Агент"),
                        QString::fromStdU16String(message));
}

// Raises when the desktop has no program for the target, so that the user learns why nothing
// opened.
void OpenWithDesktop(const std::u16string& target) {
  const QString text = QString::fromStdU16String(target);
  if (!QDesktopServices::openUrl(text.contains(QStringLiteral("://")) ? QUrl(text)
                                                                      : QUrl::fromLocalFile(text)))
    throw Exception(u"Не удалось открыть «" + target +
                    u"»: на этом компьютере не найдена программа для просмотра.");
}

// Runs on a worker thread that has just queued a call for the main thread: the event loop
// drains the queue at its next turn. Before the Qt application exists, and after it has gone,
// the main thread's waits drain the queue instead.
void WakeEventLoop() {
  if (QCoreApplication* application = QCoreApplication::instance())
    QMetaObject::invokeMethod(application, [] { DrainThreadCalls(); }, Qt::QueuedConnection);
}

}  // namespace

TApplication::TApplication()
    : ShowException(ShowMessageBox), ShellOpen(OpenWithDesktop), Terminate([] {
        QCoreApplication::exit(0);  // ends the loop without closing the windows
      }) {
  const std::thread::id main = std::this_thread::get_id();
  SetThreadCallWaker(WakeEventLoop);
  SetApplicationErrorHandler([this, main](std::exception_ptr error) {
    // The message box belongs to the main thread; an error met elsewhere is reported there.
    if (std::this_thread::get_id() == main)
      HandleException(error);
    else
      PostToThread(main, [error] { std::rethrow_exception(error); });
  });
}

void TApplication::HandleException(const std::exception& error) {
  std::cerr << "Тарво Агент: " << error.what() << std::endl;
  const auto* own = dynamic_cast<const Exception*>(&error);
  const std::u16string message =
      own ? own->Message() : QString::fromUtf8(error.what()).toStdU16String();
  if (ShowException) ShowException(message);
}

void TApplication::HandleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    HandleException(e);
  } catch (...) {
    HandleException(Exception(std::string_view("Unknown error")));
  }
}

bool TApplication::Guard(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (...) {
    HandleException(std::current_exception());
  }
  return false;
}
