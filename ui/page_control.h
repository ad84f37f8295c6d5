#pragma once
// TPageControl: a stack of pages of which exactly one is visible, without tabs. Each page
// (TTabSheet) shows a full-size picture under its controls. Setting the active page raises
// OnChange at once, inside the setter, so that an exception from the handler reaches the code
// that set the page; setting the page that is already active raises nothing. A page that becomes
// active gives the keyboard focus to its default control, so Enter goes forward.

#include <QImage>
#include <QStackedWidget>
#include <QWidget>

#include "ui/notify_event.h"

class TPageControl;

class TTabSheet : public QWidget {
 public:
  // Appends the new page to `control`.
  explicit TTabSheet(TPageControl* control);

  // The page's position in its page control.
  int PageIndex() const;
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return FPicture; }
  // The control that has the focus when the page becomes active; none when null.
  QWidget* DefaultControl = nullptr;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TPageControl* FControl;  // the page control holding this page
  QImage FPicture;         // drawn at the page's top left corner
};

class TPageControl : public QStackedWidget {
 public:
  explicit TPageControl(QWidget* parent);

  int PageCount() const { return count(); }
  TTabSheet* Pages(int index) const;
  int ActivePageIndex() const { return currentIndex(); }
  // Shows page `index` (0 to PageCount() - 1) and raises OnChange when it was not active.
  void SetActivePageIndex(int index);
  TTabSheet* ActivePage() const { return Pages(ActivePageIndex()); }
  void SetActivePage(TTabSheet* page) { SetActivePageIndex(page->PageIndex()); }

  TNotifyEvent OnChange;  // after the active page changed
};
