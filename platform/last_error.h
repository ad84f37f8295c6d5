#pragma once
// The calling thread's last error code, as the platform's calls leave it when they fail, and
// the system's message text for a code.

#include <cstdint>
#include <string>

using DWORD = std::uint32_t;

// Error numbers outside the internet client (the internet client's own are in
// internet_client.h).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_CANCELLED = 1223;

DWORD GetLastError();
void SetLastError(DWORD code);

// The system's message for `code` in the platform's style (a sentence ending in ".\r\n"), or
// empty when the system has none. The internet client's codes are looked up first.
std::string SystemErrorMessage(DWORD code);
