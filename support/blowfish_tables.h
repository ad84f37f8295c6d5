#pragma once
// The starting P-array and S-boxes of Blowfish: the fractional part of pi in hexadecimal.

#include <cstdint>

extern const std::uint32_t kBlowfishInitialP[18];
extern const std::uint32_t kBlowfishInitialS[4][256];
