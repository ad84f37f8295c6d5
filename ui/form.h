#pragma once
// TForm: a top-level window with a fixed client area, centred on the screen when first shown,
// that owns the program's components. Its show and close events run guarded: an exception
// that leaves OnClose is reported, and the window closes all the same.

#include <QWidget>
#include <string>

#include "platform/component.h"
#include "ui/notify_event.h"

class TForm : public QWidget, public TComponent {
 public:
  // A window of `client_width` by `client_height` pixels that cannot be resized, minimised or
  // maximised.
  TForm(const std::u16string& caption, int client_width, int client_height);

  TNotifyEvent OnShow;   // every show of the window
  TNotifyEvent OnClose;  // every closing, by the close box or by the program
  int Tag = 0;           // free for the program

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  bool FCentred = false;  // the first show has centred the window
};
