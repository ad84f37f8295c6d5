#pragma once
// TOpenDialog: the modal "open file" dialog, with no filter and no title. Runner shows it and
// gives the chosen file's full path, or nothing when cancelled; tests replace it.

#include <QObject>
#include <functional>
#include <optional>
#include <string>

class QWidget;

class TOpenDialog : public QObject {
 public:
  explicit TOpenDialog(QWidget* owner);

  // Runs the dialog; true when a file was chosen, whose path is then in FileName.
  bool Execute();

  std::u16string FileName;  // the last chosen file's full path
  std::function<std::optional<std::u16string>()> Runner;  // shows the dialog

 private:
  QWidget* FOwner;  // the window the dialog is modal to
};
