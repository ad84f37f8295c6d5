#pragma once
// The base of the transfer components (TclCustomInternetControl) with the transfer settings
// every worker copies, the busy count, and the lists a transfer fills: the progress of its
// parts (TclResourceStateList) and its errors (TclErrorList). All of it lives on the main
// thread.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/component.h"
#include "upload/clDC.h"

// The progress of one part of a resource; an upload has one covering the whole body.
struct TclResourceStateItem {
  std::int64_t ResourcePos = 0;     // where the part starts
  std::int64_t BytesToProceed = 0;  // its length
  TclProcessStatus Status = psUnknown;
  std::int64_t BytesProceed = 0;    // bytes done
};

class TclResourceStateList {
 public:
  TclResourceStateItem* Add();
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  TclResourceStateItem* Items(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }

  std::int64_t ResourceSize() const { return FResourceSize; }
  void SetResourceSize(std::int64_t value) { FResourceSize = value; }
  // The first status of the items in the order psProcess, psTerminated, psFailed, psErrors;
  // otherwise the list's own status when it is set, else psSuccess when an item has it.
  TclProcessStatus LastStatus() const;
  void SetLastStatus(TclProcessStatus value) { FLastStatus = value; }
  std::int64_t BytesProceed() const;
  double Speed() const { return FSpeed; }              // bytes per second since the reset
  double ElapsedTime() const { return FElapsedTime; }  // seconds since the reset
  double RemainingTime() const;                        // seconds; 0 without size or speed

  // Every item's status to psUnknown, the clock and the byte count start anew.
  void ResetStatistic();
  // Recomputes speed and elapsed time; fires OnChanged.
  void UpdateStatistic();

  std::function<void(TclResourceStateList* Sender)> OnChanged;

 private:
  std::vector<std::unique_ptr<TclResourceStateItem>> FItems;
  std::int64_t FResourceSize = 0;
  TclProcessStatus FLastStatus = psUnknown;  // the list's own status
  double FSpeed = 0, FElapsedTime = 0;
  std::chrono::steady_clock::time_point FStartTime = std::chrono::steady_clock::now();
  std::int64_t FBytesAtStart = 0;            // BytesProceed at the reset
};

// The errors a transfer reported, each with its code.
class TclErrorList {
 public:
  struct TError {
    std::u16string Text;
    int Code;
  };
  void Add(const std::u16string& text, int code) { FItems.push_back({text, code}); }
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  const TError& Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
  // The texts, one a line.
  std::u16string Text() const;

 private:
  std::vector<TError> FItems;
};

class TclCustomInternetControl : public TComponent {
 public:
  using TNotifyEvent = std::function<void(TclCustomInternetControl* Sender)>;

  explicit TclCustomInternetControl(TComponent* AOwner);

  // Numeric settings: values of 0 or less are ignored.
  int TryCount() const { return FTryCount; }
  void SetTryCount(int value) { SetPositive(FTryCount, value); }
  int BatchSize() const { return FBatchSize; }
  void SetBatchSize(int value) { SetPositive(FBatchSize, value); }
  int TimeOut() const { return FTimeOut; }
  void SetTimeOut(int value) { SetPositive(FTimeOut, value); }
  int ReconnectAfter() const { return FReconnectAfter; }
  void SetReconnectAfter(int value) { SetPositive(FReconnectAfter, value); }
  // Body size limits checked by Start; 0 means none, negative values are ignored.
  std::int64_t MinResourceSize() const { return FMinResourceSize; }
  void SetMinResourceSize(std::int64_t value) {
    if (value >= 0) FMinResourceSize = value;
  }
  std::int64_t MaxResourceSize() const { return FMaxResourceSize; }
  void SetMaxResourceSize(std::int64_t value) {
    if (value >= 0) FMaxResourceSize = value;
  }
  // Replaces control bytes in response texts; values below 32 are ignored.
  char DefaultChar() const { return FDefaultChar; }
  void SetDefaultChar(char value) {
    if (static_cast<unsigned char>(value) >= 32) FDefaultChar = value;
  }
  // A shared executor for the workers; it must outlive its use here.
  TclInternetConnection* Connection() const { return FConnection; }
  void SetConnection(TclInternetConnection* value) { FConnection = value; }

  bool IsBusy() const { return FIsBusyCount > 0; }

  TclProxySettings HttpProxySettings, FtpProxySettings;  // copied into each worker
  std::vector<std::u16string> ProxyBypass;              // hosts reached without the proxy
  std::u16string InternetAgent = cDefaultInternetAgent;
  bool PassiveFTPMode = false;
  bool DoNotGetResourceInfo = false;
  bool UseInternetErrorDialog = false;

  TNotifyEvent OnIsBusyChanged;

 protected:
  friend class TclInternetItem;
  // The busy count; going from 0 to 1 and back fires OnIsBusyChanged.
  void BeginBusy();
  void EndBusy();
  // Called by Stop before the workers are stopped.
  virtual void DoStop() {}
  // No events fire once set (the component is being destroyed).
  bool FDestroying = false;

 private:
  static void SetPositive(int& field, int value) {
    if (value > 0) field = value;
  }

  int FTryCount = 5;
  int FBatchSize = 8192;
  int FTimeOut = 5000;
  int FReconnectAfter = 5000;
  std::int64_t FMinResourceSize = 0, FMaxResourceSize = 0;
  char FDefaultChar = '\x80';
  TclInternetConnection* FConnection = nullptr;  // shared, not owned
  int FIsBusyCount = 0;
};
