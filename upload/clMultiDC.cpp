#include "upload/clMultiDC.h"

#include "platform/text_lines.h"

// ---- TclResourceStateList

TclResourceStateItem* TclResourceStateList::Add() {
  FItems.push_back(std::make_unique<TclResourceStateItem>());
  return FItems.back().get();
}

void TclResourceStateList::Clear() {
  FItems.clear();
  FResourceSize = 0;
}

TclProcessStatus TclResourceStateList::LastStatus() const {
  static constexpr TclProcessStatus kPrecedence[] = {psProcess, psTerminated, psFailed, psErrors,
                                                     psSuccess};
  TclProcessStatus found = psUnknown;
  for (TclProcessStatus status : kPrecedence) {
    bool present = false;
    for (const auto& item : FItems) present = present || item->Status == status;
    if (present) {
      found = status;
      break;
    }
  }
  if (found != psSuccess && found != psUnknown) return found;
  return FLastStatus != psUnknown ? FLastStatus : found;
}

std::int64_t TclResourceStateList::BytesProceed() const {
  std::int64_t sum = 0;
  for (const auto& item : FItems) sum += item->BytesProceed;
  return sum;
}

double TclResourceStateList::RemainingTime() const {
  if (FResourceSize <= 0 || FSpeed <= 0) return 0;
  return static_cast<double>(FResourceSize - BytesProceed()) / FSpeed;
}

void TclResourceStateList::ResetStatistic() {
  for (const auto& item : FItems) item->Status = psUnknown;
  FSpeed = 0;
  FElapsedTime = 0;
  FStartTime = std::chrono::steady_clock::now();
  FBytesAtStart = BytesProceed();
}

void TclResourceStateList::UpdateStatistic() {
  FElapsedTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStartTime).count();
  FSpeed = FElapsedTime > 0 ? static_cast<double>(BytesProceed() - FBytesAtStart) / FElapsedTime : 0;
  if (OnChanged) OnChanged(this);
}

// ---- TclErrorList

std::u16string TclErrorList::Text() const {
  std::vector<std::u16string> lines;
  for (const TError& error : FItems) lines.push_back(error.Text);
  return JoinLines(lines, u"\r\n");
}

// ---- TclCustomInternetControl

TclCustomInternetControl::TclCustomInternetControl(TComponent* AOwner) : TComponent(AOwner) {}

void TclCustomInternetControl::BeginBusy() {
  if (++FIsBusyCount == 1 && OnIsBusyChanged && !FDestroying) OnIsBusyChanged(this);
}

void TclCustomInternetControl::EndBusy() {
  if (FIsBusyCount > 0 && --FIsBusyCount == 0 && OnIsBusyChanged && !FDestroying)
    OnIsBusyChanged(this);
}
