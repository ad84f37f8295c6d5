#pragma once
// RC4 and the key handling of the Office binary RC4 encryption ([MS-OFFCRYPTO], 40-bit base key
// with MD5) that protected workbooks use.

#include <cstdint>
#include <string_view>

#include "support/md5.h"

// The RC4 state.
struct TRC4Key {
  std::uint8_t State[256];  // the permutation
  std::uint8_t x, y;        // the two indices
};

// Sets the state up from a key of `length` bytes (1 to 256).
void RC4Init(TRC4Key& key, const std::uint8_t* data, std::size_t length);
// XORs `length` bytes of `in` with the keystream into `out` (they may be the same buffer).
void RC4Crypt(TRC4Key& key, const std::uint8_t* in, std::uint8_t* out, std::size_t length);

// The key material of a password (at most 255 characters are used): MD5 over sixteen copies of (the first 5 bytes of the MD5 of
// the UTF-16LE password, then the 16-byte salt).
TMD5Digest RC4PasswordDigest(std::u16string_view password, const std::uint8_t salt[16]);
// The 16-byte RC4 key of block `block`: MD5 of the first 5 bytes of `digest` and the block
// number as a 32-bit little-endian integer.
TMD5Digest RC4BlockKey(const TMD5Digest& digest, std::uint32_t block);
// True when `digest` deciphers the verifier (with block 0's key) into a value whose MD5 is the
// deciphered verifier hash.
bool RC4VerifyPassword(const TMD5Digest& digest, const std::uint8_t verifier[16],
                       const std::uint8_t verifier_hash[16]);

// The password a workbook is encrypted with when its user set none.
inline constexpr std::u16string_view kRC4DefaultPassword = u"VelvetSweatshop";
