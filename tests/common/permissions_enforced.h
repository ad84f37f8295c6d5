#pragma once
// While a TPermissionsEnforced lives, the calling thread is held to file permissions even when
// it runs as root: the capabilities that override them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH,
// CAP_FOWNER) leave its effective set and return afterwards. For tests of unreadable files and
// read-only folders, which root would otherwise read and write.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class TPermissionsEnforced {
 public:
  TPermissionsEnforced() {
    if (Get(saved_) != 0) return;
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    const unsigned mask =
        (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
    lowered[0].effective &= ~mask;
    changed_ = Set(lowered) == 0;
  }
  ~TPermissionsEnforced() {
    if (changed_) Set(saved_);
  }
  TPermissionsEnforced(const TPermissionsEnforced&) = delete;
  TPermissionsEnforced& operator=(const TPermissionsEnforced&) = delete;

 private:
  static int Get(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return static_cast<int>(syscall(SYS_capget, &header, data));
  }
  static int Set(__user_cap_data_struct (&data)[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return static_cast<int>(syscall(SYS_capset, &header, data));
  }

  __user_cap_data_struct saved_[2] = {};  // the thread's capabilities before
  bool changed_ = false;                  // the effective set was lowered
};
