#include "ui/smooth_button.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "ui/application.h"
#include "ui/fonts.h"

TSmoothButton::TSmoothButton(QWidget* parent, const std::u16string& caption, QColor color)
    : QAbstractButton(parent), FColor(color) {
  setText(QString::fromStdU16String(caption));
  setFont(UiFont(20, true));
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::TabFocus);
  connect(this, &QAbstractButton::clicked, this, [this] {
    if (OnClick) Application.Guard([this] { OnClick(this); });
  });
}

void TSmoothButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF face = QRectF(rect()).adjusted(1, 1, -1, -2);
  const qreal radius = std::min(face.height() / 2.2, 14.0);
  QPainterPath path;
  path.addRoundedRect(face, radius, radius);

  QColor base = FColor;
  if (!isEnabled()) base = QColor::fromHsv(base.hue(), base.saturation() / 3, 215);
  else if (isDown()) base = base.darker(112);
  else if (FHover) base = base.lighter(108);
  QLinearGradient gradient(face.topLeft(), face.bottomLeft());
  gradient.setColorAt(0, base.lighter(135));
  gradient.setColorAt(0.5, base);
  gradient.setColorAt(1, base.darker(118));
  painter.fillPath(path.translated(0, 1.5), QColor(0, 0, 0, 45));  // soft shadow
  painter.fillPath(path, gradient);
  painter.setPen(QPen(base.darker(150), 1));
  painter.drawPath(path);

  painter.setFont(font());
  painter.setPen(isEnabled() ? QColor(40, 40, 40) : QColor(150, 150, 150));
  painter.drawText(face, Qt::AlignCenter, text());
  if (hasFocus()) {
    // Dark blue on light faces, a white halo inside it so it shows on dark ones as well.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
    painter.drawRoundedRect(face.adjusted(2.5, 2.5, -2.5, -2.5), radius - 2, radius - 2);
    painter.setPen(QPen(QColor(20, 70, 160), 2));
    painter.drawRoundedRect(face.adjusted(4.5, 4.5, -4.5, -4.5), radius - 4, radius - 4);
  }
}

void TSmoothButton::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && isEnabled() &&
      !event->isAutoRepeat()) {
    click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void TSmoothButton::enterEvent(QEnterEvent* event) {
  FHover = true;
  update();
  QAbstractButton::enterEvent(event);
}

void TSmoothButton::leaveEvent(QEvent* event) {
  FHover = false;
  update();
  QAbstractButton::leaveEvent(event);
}
