#pragma once
// TCheckListBox: a list of items, each with a check mark. OnClickCheck follows a mark the user
// toggled (a click on its item or the space bar); marks the program sets raise nothing. Items
// are drawn in the list's own background colour: outlined boxes, the current item a deeper shade.

#include <QListWidget>
#include <string>
#include <vector>

#include "ui/notify_event.h"

class TCheckListBox : public QListWidget {
 public:
  // Items of `item_height` pixels holding `items`, all unticked.
  TCheckListBox(QWidget* parent, const std::vector<std::u16string>& items, int item_height);

  int Count() const { return count(); }
  bool Checked(int index) const;
  void SetChecked(int index, bool checked);

  TNotifyEvent OnClickCheck;  // after the user toggled a mark

 private:
  bool FProgramSets = false;  // a mark is being set by the program
};
