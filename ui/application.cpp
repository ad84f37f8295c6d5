#include "ui/application.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>
#include <iostream>

#include "platform/exception.h"

TApplication Application;

namespace {

void ShowMessageBox(const std::u16string& message) {
  QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                        QString::fromStdU16String(message));
}

void OpenWithDesktop(const std::u16string& target) {
  const QString text = QString::fromStdU16String(target);
  QDesktopServices::openUrl(text.contains(QStringLiteral("://")) ? QUrl(text)
                                                                 : QUrl::fromLocalFile(text));
}

}  // namespace

TApplication::TApplication()
    : ShowException(ShowMessageBox), ShellOpen(OpenWithDesktop), Terminate([] {
        QCoreApplication::exit(0);  // ends the loop without closing the windows
      }) {}

void TApplication::HandleException(const std::exception& error) {
  std::cerr << "Тарво Агент: " << error.what() << std::endl;
  const auto* own = dynamic_cast<const Exception*>(&error);
  const std::u16string message =
      own ? own->Message() : QString::fromUtf8(error.what()).toStdU16String();
  if (ShowException) ShowException(message);
}

bool TApplication::Guard(const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    HandleException(error);
  } catch (...) {
    HandleException(Exception(std::string_view("Unknown error")));
  }
  return false;
}
