#include "app/page_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>

#include "app/page_layout.h"
#include "ui/fonts.h"

namespace {

const QColor kCurrentStep(242, 188, 0);
const QColor kOtherStep(214, 220, 228);
const QColor kErrorStep(205, 45, 35);
const QColor kRobotMetal(176, 196, 214);
const QColor kRobotDark(86, 108, 132);
const QRectF kBubble(200, 54, 438, 266);

void DrawBackground(QPainter& painter) {
  QLinearGradient sky(0, 0, 0, kPictureHeight);
  sky.setColorAt(0, QColor(246, 249, 252));
  sky.setColorAt(1, QColor(212, 226, 240));
  painter.fillRect(QRect(0, 0, kPictureWidth, kPictureHeight), sky);
  painter.fillRect(QRect(0, 0, kPictureWidth, 46), QColor(60, 82, 110));
}

// Five arrow-shaped steps; the current one yellow, or all red on an error page.
void DrawBreadcrumb(QPainter& painter, int step) {
  const auto& steps = BreadcrumbSteps();
  const qreal left = 8, top = 8, height = 30, arrow = 10;
  const qreal width = (kPictureWidth - 2 * left) / steps.size();
  painter.setFont(UiFont(13, true));
  for (int i = 0; i < static_cast<int>(steps.size()); ++i) {
    const qreal x = left + i * width;
    QPainterPath shape;
    shape.moveTo(x, top);
    shape.lineTo(x + width - 2, top);
    shape.lineTo(x + width - 2 + arrow, top + height / 2);
    shape.lineTo(x + width - 2, top + height);
    shape.lineTo(x, top + height);
    if (i > 0) shape.lineTo(x + arrow, top + height / 2);
    shape.closeSubpath();
    const QColor fill = step < 0 ? kErrorStep : i == step ? kCurrentStep : kOtherStep;
    painter.fillPath(shape, fill);
    painter.setPen(step < 0 ? Qt::white : i == step ? QColor(40, 30, 0) : QColor(90, 100, 115));
    painter.drawText(QRectF(x + (i > 0 ? arrow : 0), top, width - arrow - 2, height),
                     Qt::AlignCenter, steps[i]);
  }
}

void DrawBubble(QPainter& painter) {
  QPainterPath bubble;
  bubble.addRoundedRect(kBubble, 18, 18);
  QPainterPath tail;
  tail.moveTo(kBubble.left() + 1, 118);
  tail.lineTo(150, 150);
  tail.lineTo(kBubble.left() + 1, 146);
  tail.closeSubpath();
  const QPainterPath shape = bubble.united(tail);
  painter.fillPath(shape.translated(2, 3), QColor(0, 0, 0, 30));
  painter.fillPath(shape, QColor(255, 255, 255));
  painter.setPen(QPen(QColor(150, 170, 190), 1.5));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(shape);
}

// A round-headed robot with an antenna, waving its right arm.
void DrawRobot(QPainter& painter, bool sad) {
  painter.setPen(QPen(kRobotDark, 2));
  // Antenna.
  painter.drawLine(QPointF(95, 92), QPointF(95, 112));
  painter.setBrush(sad ? kErrorStep : kCurrentStep);
  painter.drawEllipse(QPointF(95, 88), 7, 7);
  // Head.
  QLinearGradient metal(40, 110, 150, 200);
  metal.setColorAt(0, kRobotMetal.lighter(120));
  metal.setColorAt(1, kRobotMetal.darker(110));
  painter.setBrush(metal);
  painter.drawRoundedRect(QRectF(42, 112, 106, 84), 26, 26);
  // Eyes and mouth.
  painter.setBrush(Qt::white);
  painter.drawEllipse(QPointF(75, 148), 13, 13);
  painter.drawEllipse(QPointF(115, 148), 13, 13);
  painter.setBrush(QColor(40, 90, 150));
  painter.drawEllipse(QPointF(sad ? 75 : 78, sad ? 152 : 146), 6, 6);
  painter.drawEllipse(QPointF(sad ? 115 : 118, sad ? 152 : 146), 6, 6);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kRobotDark, 3, Qt::SolidLine, Qt::RoundCap));
  if (sad)
    painter.drawArc(QRectF(78, 172, 34, 18), 20 * 16, 140 * 16);
  else
    painter.drawArc(QRectF(74, 158, 42, 26), 200 * 16, 140 * 16);
  // Neck and body.
  painter.setPen(QPen(kRobotDark, 2));
  painter.setBrush(kRobotDark);
  painter.drawRect(QRectF(84, 196, 22, 12));
  painter.setBrush(metal);
  painter.drawRoundedRect(QRectF(36, 208, 118, 104), 18, 18);
  painter.setBrush(QColor(235, 243, 250));
  painter.drawRoundedRect(QRectF(58, 226, 74, 46), 8, 8);
  painter.setBrush(QColor(90, 170, 70));
  painter.drawEllipse(QPointF(76, 249), 6, 6);
  painter.setBrush(kCurrentStep);
  painter.drawEllipse(QPointF(95, 249), 6, 6);
  painter.setBrush(kErrorStep);
  painter.drawEllipse(QPointF(114, 249), 6, 6);
  // Arms: the left one down, the right one waving (or down when sorry).
  painter.setPen(QPen(kRobotDark, 9, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(36, 224), QPointF(20, 290));
  if (sad)
    painter.drawLine(QPointF(154, 224), QPointF(170, 290));
  else
    painter.drawLine(QPointF(154, 224), QPointF(182, 176));
  painter.setPen(QPen(kRobotDark, 2));
  painter.setBrush(metal);
  painter.drawEllipse(QPointF(20, 294), 9, 9);
  painter.drawEllipse(sad ? QPointF(170, 294) : QPointF(184, 170), 9, 9);
  // Legs and feet.
  painter.setBrush(kRobotDark);
  painter.drawRect(QRectF(60, 312, 18, 40));
  painter.drawRect(QRectF(112, 312, 18, 40));
  painter.drawRoundedRect(QRectF(48, 350, 38, 14), 6, 6);
  painter.drawRoundedRect(QRectF(104, 350, 38, 14), 6, 6);
  painter.setBrush(QColor(0, 0, 0, 25));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QRectF(30, 362, 130, 12));
}

// The text with no-break spaces where a line must not end: after a one- or two-letter word (a
// preposition, a conjunction, a list number) and between the last two words of each paragraph,
// so that no line ends in "в" and no last line holds a single word.
QString BindShortWords(const QString& text) {
  QStringList paragraphs = text.split(QLatin1Char('\n'));
  for (QString& paragraph : paragraphs) {
    int word_start = 0;
    for (int i = 0; i < paragraph.size(); ++i) {
      if (paragraph[i] != QLatin1Char(' ')) continue;
      if (i - word_start <= 2 && i > word_start) paragraph[i] = QChar(0x00A0);
      word_start = i + 1;
    }
    const int last = paragraph.lastIndexOf(QLatin1Char(' '));
    if (last > 0) paragraph[last] = QChar(0x00A0);
  }
  return paragraphs.join(QLatin1Char('\n'));
}

// The sponsor's badge and a handshake, under the success message.
void DrawSuccess(QPainter& painter) {
  const QRectF badge(232, 150, 170, 90);
  QRadialGradient glow(badge.center(), 90);
  glow.setColorAt(0, QColor(255, 236, 160));
  glow.setColorAt(1, kCurrentStep);
  painter.setPen(QPen(QColor(170, 130, 0), 2));
  painter.setBrush(glow);
  painter.drawRoundedRect(badge, 16, 16);
  painter.setPen(QColor(60, 45, 0));
  painter.setFont(UiFont(22, true));
  painter.drawText(badge.adjusted(0, 10, 0, -40), Qt::AlignCenter, QStringLiteral("Тарво"));
  painter.setFont(UiFont(11));
  painter.drawText(badge.adjusted(6, 48, -6, -6), Qt::AlignCenter | Qt::TextWordWrap,
                   QStringLiteral("каталог товаров и предприятий"));

  // Two hands meeting: sleeves from both sides and the clasped palms in the middle.
  painter.setPen(QPen(QColor(60, 70, 90), 2));
  painter.setBrush(QColor(70, 110, 170));
  painter.drawRoundedRect(QRectF(432, 196, 60, 30), 6, 6);
  painter.setBrush(QColor(90, 150, 90));
  painter.drawRoundedRect(QRectF(560, 178, 60, 30), 6, 6);
  painter.setPen(QPen(QColor(160, 110, 70), 2));
  painter.setBrush(QColor(240, 196, 150));
  painter.drawRoundedRect(QRectF(486, 186, 82, 36), 16, 16);
  for (int i = 0; i < 4; ++i)
    painter.drawLine(QPointF(512 + i * 12, 190), QPointF(506 + i * 12, 218));
  painter.drawEllipse(QRectF(492, 170, 26, 20));
}

}  // namespace

QImage DrawRobotIcon(int size) {
  // The head with its antenna and the top of the body, from the robot of the pages.
  const QRectF kHeadAndShoulders(22, 76, 146, 146);
  QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setClipRect(QRectF(0, 0, size, size));
  painter.scale(size / kHeadAndShoulders.width(), size / kHeadAndShoulders.height());
  painter.translate(-kHeadAndShoulders.topLeft());
  DrawRobot(painter, false);
  return icon;
}

QImage DrawPagePicture(int page_index) {
  const TPageLayout layout = PageLayout(page_index);
  QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  DrawBackground(painter);
  DrawBreadcrumb(painter, layout.Step);
  DrawRobot(painter, layout.Sad);
  DrawBubble(painter);
  for (const QRect& field : layout.Fields) {
    painter.setPen(QPen(QColor(140, 155, 175), 1));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(field).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
  }
  for (const QRect& panel : layout.Panels) {
    painter.setPen(QPen(QColor(150, 180, 110), 1));
    painter.setBrush(QColor(214, 230, 181));
    painter.drawRoundedRect(QRectF(panel).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
  }
  if (layout.Decoration == TPageDecoration::Success) DrawSuccess(painter);
  for (const TPageText& text : layout.Texts) {
    QFont font = UiFont(text.PixelSize, text.Bold);
    // Unhinted glyphs keep their fractional advances, so letters are evenly spaced instead of
    // each being rounded to whole pixels.
    font.setHintingPreference(QFont::PreferNoHinting);
    painter.setFont(font);
    painter.setPen(text.Color);
    painter.drawText(text.Bounds, text.Alignment | Qt::TextWordWrap, BindShortWords(text.Text));
  }
  return picture;
}
