#pragma once
// Base64 (RFC 4648) as HTTP's Basic authorization writes it.

#include <string>
#include <string_view>

// The bytes in Base64 with "=" padding.
std::string Base64(std::string_view bytes);
