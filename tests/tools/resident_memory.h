#pragma once
// The resident memory of this process, which runs the service under test: its peak since the
// last reset, from /proc/self/status.

#include <cstddef>

// Starts a new peak at the present resident size.
void ResetPeakResident();
// The largest resident size since the last reset, in bytes.
std::size_t PeakResident();
