#include "ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

// Only the regular face is loaded: the bold face of the same package draws thin strokes at
// bold spacing, while the bold that the font engine makes from the regular face looks right.
QString LoadFamily() {
  const int id = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
  const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
  return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.first();
}

}  // namespace

QString UiFontFamily() {
  static const QString family = LoadFamily();
  return family;
}

QFont UiFont(int pixel_size, bool bold) {
  QFont font(UiFontFamily());
  font.setPixelSize(pixel_size);
  font.setBold(bold);
  return font;
}

QFont UiFontPoints(int point_size) {
  QFont font(UiFontFamily());
  font.setPointSize(point_size);
  return font;
}
