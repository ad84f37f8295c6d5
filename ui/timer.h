#pragma once
// TTimer: raises OnTimer on the main thread every Interval milliseconds while enabled.

#include <QTimer>

#include "ui/notify_event.h"

class TTimer : public QTimer {
 public:
  // A timer of `interval` milliseconds, counting from now when `enabled`.
  TTimer(QObject* owner, int interval, bool enabled);

  int Interval() const { return interval(); }
  void SetInterval(int interval) { setInterval(interval); }
  bool Enabled() const { return isActive(); }
  void SetEnabled(bool enabled);

  TNotifyEvent OnTimer;  // each tick
};
