#pragma once
// TEdit: a one-line text field. OnChange follows every change of the text, also one the
// program makes; writing the text it already holds raises nothing.

#include <QLineEdit>
#include <string>

#include "ui/notify_event.h"

class TEdit : public QLineEdit {
 public:
  explicit TEdit(QWidget* parent);

  std::u16string Text() const { return text().toStdU16String(); }
  void SetText(const std::u16string& text);
  void SetBorder(bool border) { setFrame(border); }
  // Shows every character as `mask` (the text itself is kept).
  void SetPasswordChar(char16_t mask);

  TNotifyEvent OnChange;  // after the text changed
};
