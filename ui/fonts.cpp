#include "ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

QString LoadFamily() {
  const char* const kFiles[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                "/usr/share/wine/fonts/tahomabd.ttf"};
  QString family;
  for (const char* file : kFiles) {
    const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
    if (id >= 0 && family.isEmpty()) {
      const QStringList families = QFontDatabase::applicationFontFamilies(id);
      if (!families.isEmpty()) family = families.first();
    }
  }
  return family.isEmpty() ? QStringLiteral("DejaVu Sans") : family;
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
