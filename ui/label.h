#pragma once
// TLabel: a caption sized to its text, with click, mouse-enter and mouse-leave events and an
// underline switch (for links). A label made focusable is reached with Tab, shows a dotted
// frame while focused, and Enter or Space clicks it.

#include <QLabel>
#include <string>

#include "ui/notify_event.h"

class TLabel : public QLabel {
 public:
  TLabel(QWidget* parent, const std::u16string& caption);

  std::u16string Caption() const { return text().toStdU16String(); }
  void SetCaption(const std::u16string& caption);
  bool Underline() const { return font().underline(); }
  void SetUnderline(bool underline);
  void SetFocusable(bool focusable);

  TNotifyEvent OnClick;       // a press and release of the left button over the label
  TNotifyEvent OnMouseEnter;  // the pointer came over the label
  TNotifyEvent OnMouseLeave;  // the pointer left the label

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool FPressed = false;  // the left button went down over the label
};
