#pragma once
// The event type of every control: a callback that receives the control that raised it.

#include <functional>

class QObject;

using TNotifyEvent = std::function<void(QObject* Sender)>;
