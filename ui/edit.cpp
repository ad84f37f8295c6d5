#include "ui/edit.h"

#include <QProxyStyle>

#include "ui/application.h"

namespace {

// Draws the masked characters with a chosen mask in place of the style's bullet.
class TMaskStyle : public QProxyStyle {
 public:
  explicit TMaskStyle(char16_t mask) : FMask(mask) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return FMask;
    return QProxyStyle::styleHint(hint, option, widget, data);
  }

 private:
  char16_t FMask;  // the character shown for each one typed
};

}  // namespace

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (OnChange) Application.Guard([this] { OnChange(this); });
  });
}

void TEdit::SetText(const std::u16string& text) {
  const QString value = QString::fromStdU16String(text);
  if (value != this->text()) setText(value);
}

void TEdit::SetPasswordChar(char16_t mask) {
  auto* style = new TMaskStyle(mask);
  style->setParent(this);
  setStyle(style);
  setEchoMode(QLineEdit::Password);
}
