#include "ui/smooth_progress_bar.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "ui/fonts.h"

TSmoothProgressBar::TSmoothProgressBar(QWidget* parent) : QWidget(parent) {
  setFont(UiFont(13, true));
}

void TSmoothProgressBar::SetCaption(const std::u16string& caption) {
  FCaption = caption;
  update();
}

void TSmoothProgressBar::SetPosition(double position) {
  FPosition = position;
  update();
}

void TSmoothProgressBar::SetMaximum(double maximum) {
  FMaximum = maximum;
  update();
}

void TSmoothProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  const qreal radius = frame.height() / 2;
  QPainterPath outline;
  outline.addRoundedRect(frame, radius, radius);
  painter.fillPath(outline, QColor(235, 235, 235));

  const double share = FMaximum > 0 ? std::clamp(FPosition / FMaximum, 0.0, 1.0) : 0.0;
  if (share > 0) {
    QRectF filled = frame;
    filled.setWidth(frame.width() * share);
    QPainterPath bar;
    bar.addRoundedRect(filled, radius, radius);
    QLinearGradient gradient(filled.topLeft(), filled.bottomLeft());
    gradient.setColorAt(0, QColor(150, 215, 90));
    gradient.setColorAt(1, QColor(70, 160, 40));
    painter.fillPath(bar.intersected(outline), gradient);
  }
  painter.setPen(QColor(120, 120, 120));
  painter.drawPath(outline);
  painter.setPen(QColor(30, 30, 30));
  painter.drawText(frame, Qt::AlignCenter, QString::fromStdU16String(FCaption));
}
