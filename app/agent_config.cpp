#include "app/agent_config.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "support/blowfish.h"

std::string_view ShortStringBytes(const TShortString& slot) {
  return std::string_view(slot.Chars, slot.Length);
}

std::u16string ShortStringText(const TShortString& slot) {
  return MultiByteToWide(ShortStringBytes(slot));
}

void StoreShortString(TShortString& slot, std::string_view bytes) {
  const std::size_t length = std::min<std::size_t>(bytes.size(), sizeof slot.Chars);
  slot.Length = static_cast<std::uint8_t>(length);
  std::memcpy(slot.Chars, bytes.data(), length);
}

void StoreShortString(TShortString& slot, std::u16string_view text) {
  StoreShortString(slot, std::string_view(WideToMultiByte(text)));
}

TAgentConfig DecipherAgentConfig(TBfState& key, std::string_view file_bytes) {
  unsigned char buffer[sizeof(TAgentConfig)] = {};
  std::memcpy(buffer, file_bytes.data(), std::min(file_bytes.size(), sizeof buffer));
  BfDecipherBuffer(key, buffer, sizeof buffer);
  TAgentConfig config;
  std::memcpy(&config, buffer, sizeof config);
  return config;
}
