#include "ui/label.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "ui/application.h"

namespace {

void Raise(const TNotifyEvent& event, QObject* sender) {
  if (event) Application.Guard([&] { event(sender); });
}

}  // namespace

TLabel::TLabel(QWidget* parent, const std::u16string& caption) : QLabel(parent) {
  SetCaption(caption);
}

void TLabel::SetCaption(const std::u16string& caption) {
  setText(QString::fromStdU16String(caption));
  if (!wordWrap()) adjustSize();
}

void TLabel::SetUnderline(bool underline) {
  QFont changed = font();
  changed.setUnderline(underline);
  setFont(changed);
}

void TLabel::SetFocusable(bool focusable) {
  setFocusPolicy(focusable ? Qt::TabFocus : Qt::NoFocus);
}

void TLabel::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (focusPolicy() != Qt::NoFocus &&
      (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
    Raise(OnClick, this);
    return;
  }
  QLabel::keyPressEvent(event);
}

void TLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QPainter painter(this);
  painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TLabel::mousePressEvent(QMouseEvent* event) {
  FPressed = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

void TLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = FPressed && event->button() == Qt::LeftButton &&
                     rect().contains(event->position().toPoint());
  FPressed = false;
  QLabel::mouseReleaseEvent(event);
  if (click) Raise(OnClick, this);
}

void TLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  Raise(OnMouseEnter, this);
}

void TLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  Raise(OnMouseLeave, this);
}
