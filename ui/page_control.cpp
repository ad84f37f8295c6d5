#include "ui/page_control.h"

#include <QPainter>

TTabSheet::TTabSheet(TPageControl* control) : QWidget(control), FControl(control) {
  control->addWidget(this);
}

int TTabSheet::PageIndex() const { return FControl->indexOf(const_cast<TTabSheet*>(this)); }

void TTabSheet::SetPicture(const QImage& picture) {
  FPicture = picture;
  update();
}

void TTabSheet::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, FPicture);
}

TPageControl::TPageControl(QWidget* parent) : QStackedWidget(parent) {}

TTabSheet* TPageControl::Pages(int index) const { return static_cast<TTabSheet*>(widget(index)); }

void TPageControl::SetActivePageIndex(int index) {
  if (index == currentIndex() || index < 0 || index >= count()) return;
  setCurrentIndex(index);
  // A focused control of the page left would keep the keyboard on a hidden page.
  if (QWidget* control = Pages(index)->DefaultControl)
    control->setFocus(Qt::OtherFocusReason);
  else if (QWidget* focused = window()->focusWidget())
    focused->clearFocus();
  if (OnChange) OnChange(this);
}
