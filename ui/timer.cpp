#include "ui/timer.h"

#include "ui/application.h"

TTimer::TTimer(QObject* owner, int interval, bool enabled) : QTimer(owner) {
  setInterval(interval);
  connect(this, &QTimer::timeout, this, [this] {
    if (OnTimer) Application.Guard([this] { OnTimer(this); });
  });
  SetEnabled(enabled);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == isActive()) return;
  if (enabled)
    start();
  else
    stop();
}
