#pragma once
// TSmoothButton: a rounded button with a soft gradient in its colour and a bold 20-pixel
// caption. A disabled button is drawn faded and ignores clicks. With the keyboard focus it shows
// a clear ring, and Space or Enter clicks it.

#include <QAbstractButton>
#include <QColor>
#include <string>

#include "ui/notify_event.h"

class TSmoothButton : public QAbstractButton {
 public:
  static inline const QColor kSilver{192, 192, 192};  // the usual button colour

  TSmoothButton(QWidget* parent, const std::u16string& caption, QColor color = kSilver);

  std::u16string Caption() const { return text().toStdU16String(); }
  QColor Color() const { return FColor; }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }

  TNotifyEvent OnClick;  // a click while enabled

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QColor FColor;         // the face colour
  bool FHover = false;   // the pointer is over the button
};
