#include "ui/form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "ui/application.h"
#include "ui/fonts.h"

TForm::TForm(const std::u16string& caption, int client_width, int client_height)
    : QWidget(nullptr), TComponent(nullptr) {
  setWindowTitle(QString::fromStdU16String(caption));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(client_width, client_height);
  setFont(UiFontPoints(8));
}

void TForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!FCentred) {
    FCentred = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      move(frame.topLeft());
    }
  }
  if (OnShow) Application.Guard([this] { OnShow(this); });
}

// A window that refused to close because of a failure would leave the user no way out.
void TForm::closeEvent(QCloseEvent* event) {
  if (OnClose) Application.Guard([this] { OnClose(this); });
  event->accept();
}
