#include "xls/RC4.h"

#include <cstring>
#include <utility>

void RC4Init(TRC4Key& key, const std::uint8_t* data, std::size_t length) {
  for (int i = 0; i < 256; ++i) key.State[i] = static_cast<std::uint8_t>(i);
  std::uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = static_cast<std::uint8_t>(j + key.State[i] + data[i % length]);
    std::swap(key.State[i], key.State[j]);
  }
  key.x = 0;
  key.y = 0;
}

void RC4Crypt(TRC4Key& key, const std::uint8_t* in, std::uint8_t* out, std::size_t length) {
  for (std::size_t n = 0; n < length; ++n) {
    key.x = static_cast<std::uint8_t>(key.x + 1);
    key.y = static_cast<std::uint8_t>(key.y + key.State[key.x]);
    std::swap(key.State[key.x], key.State[key.y]);
    out[n] = in[n] ^ key.State[static_cast<std::uint8_t>(key.State[key.x] + key.State[key.y])];
  }
}

TMD5Digest RC4PasswordDigest(std::u16string_view password, const std::uint8_t salt[16]) {
  std::uint8_t utf16[2 * 255];
  const std::size_t units = password.size() < 255 ? password.size() : 255;
  for (std::size_t i = 0; i < units; ++i) {
    utf16[2 * i] = static_cast<std::uint8_t>(password[i] & 0xFF);
    utf16[2 * i + 1] = static_cast<std::uint8_t>(password[i] >> 8);
  }
  const TMD5Digest h0 = Md5OfBuffer(utf16, static_cast<std::uint32_t>(2 * units));
  std::uint8_t block[21];
  std::memcpy(block, &h0, 5);
  std::memcpy(block + 5, salt, 16);
  TMd5State state;
  Md5Start(state);
  for (int i = 0; i < 16; ++i) Md5Feed(state, block, sizeof block);
  return Md5Finish(state);
}

TMD5Digest RC4BlockKey(const TMD5Digest& digest, std::uint32_t block) {
  std::uint8_t data[9];
  std::memcpy(data, &digest, 5);
  for (int i = 0; i < 4; ++i) data[5 + i] = static_cast<std::uint8_t>(block >> (8 * i));
  return Md5OfBuffer(data, sizeof data);
}

bool RC4VerifyPassword(const TMD5Digest& digest, const std::uint8_t verifier[16],
                       const std::uint8_t verifier_hash[16]) {
  const TMD5Digest key_bytes = RC4BlockKey(digest, 0);
  TRC4Key key;
  RC4Init(key, reinterpret_cast<const std::uint8_t*>(&key_bytes), 16);
  std::uint8_t plain[16], hash[16];
  RC4Crypt(key, verifier, plain, 16);
  RC4Crypt(key, verifier_hash, hash, 16);
  const TMD5Digest expected = Md5OfBuffer(plain, 16);
  return std::memcmp(&expected, hash, 16) == 0;
}
