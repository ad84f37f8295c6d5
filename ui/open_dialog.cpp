#include "ui/open_dialog.h"

#include <QFileDialog>
#include <QWidget>

TOpenDialog::TOpenDialog(QWidget* owner) : QObject(owner), FOwner(owner) {
  Runner = [this]() -> std::optional<std::u16string> {
    const QString chosen = QFileDialog::getOpenFileName(FOwner);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdU16String();
  };
}

bool TOpenDialog::Execute() {
  const std::optional<std::u16string> chosen = Runner();
  if (!chosen) return false;
  FileName = *chosen;
  return true;
}
