#pragma once
// TAgentConfig: the agent's settings as one 1560-byte record, stored byte for byte (enciphered)
// as the settings file. Texts are short strings of 8-bit text in the system code page.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct TBfState;

static_assert(std::endian::native == std::endian::little, "the record holds little-endian dates");

// A length byte followed by up to 255 bytes of 8-bit text; the bytes after the length carry no
// meaning but are kept as they are.
struct TShortString {
  std::uint8_t Length;  // the text's length in bytes
  char Chars[255];      // the text, then whatever an older, longer text left
};
static_assert(sizeof(TShortString) == 256);

struct TAgentConfig {
  TShortString UserName;    // the account's user name
  TShortString Password;    // the account's password
  TShortString Spare;       // kept as read, never used
  TShortString Price1Path;  // main price list workbook
  TShortString Price2Path;  // promotions and discounts workbook
  TShortString Price3Path;  // illiquid stock workbook
  double Price1Date;        // list 1's last upload (days since 1899-12-30), 0 for none
  double Price2Date;        // the same for list 2
  double Price3Date;        // the same for list 3
};
static_assert(sizeof(TAgentConfig) == 1560);
static_assert(offsetof(TAgentConfig, Password) == 256);
static_assert(offsetof(TAgentConfig, Price1Path) == 768);
static_assert(offsetof(TAgentConfig, Price1Date) == 1536);
static_assert(offsetof(TAgentConfig, Price3Date) == 1552);

// The short string's 8-bit text.
std::string_view ShortStringBytes(const TShortString& slot);
// The short string as text, converted from the system code page.
std::u16string ShortStringText(const TShortString& slot);
// Stores up to 255 bytes of 8-bit text: only the length byte and the text bytes are written.
void StoreShortString(TShortString& slot, std::string_view bytes);
// Stores text converted to the system code page (missing characters become '?'), cut to 255.
void StoreShortString(TShortString& slot, std::u16string_view text);

// The record a settings file holds: its first bytes `file_bytes` (only the record's size of them
// is used; bytes a short file lacks count as zero) deciphered under `key`.
TAgentConfig DecipherAgentConfig(TBfState& key, std::string_view file_bytes);
