#include "support/md5.h"

#include <cstring>

#include "platform/codepage.h"

namespace {

constexpr std::uint32_t kSine[64] = {
    0xD76AA478, 0xE8C7B756, 0x242070DB, 0xC1BDCEEE, 0xF57C0FAF, 0x4787C62A, 0xA8304613, 0xFD469501,
    0x698098D8, 0x8B44F7AF, 0xFFFF5BB1, 0x895CD7BE, 0x6B901122, 0xFD987193, 0xA679438E, 0x49B40821,
    0xF61E2562, 0xC040B340, 0x265E5A51, 0xE9B6C7AA, 0xD62F105D, 0x02441453, 0xD8A1E681, 0xE7D3FBC8,
    0x21E1CDE6, 0xC33707D6, 0xF4D50D87, 0x455A14ED, 0xA9E3E905, 0xFCEFA3F8, 0x676F02D9, 0x8D2A4C8A,
    0xFFFA3942, 0x8771F681, 0x6D9D6122, 0xFDE5380C, 0xA4BEEA44, 0x4BDECFA9, 0xF6BB4B60, 0xBEBFBC70,
    0x289B7EC6, 0xEAA127FA, 0xD4EF3085, 0x04881D05, 0xD9D4D039, 0xE6DB99E5, 0x1FA27CF8, 0xC4AC5665,
    0xF4292244, 0x432AFF97, 0xAB9423A7, 0xFC93A039, 0x655B59C3, 0x8F0CCC92, 0xFFEFF47D, 0x85845DD1,
    0x6FA87E4F, 0xFE2CE6E0, 0xA3014314, 0x4E0811A1, 0xF7537E82, 0xBD3AF235, 0x2AD7D2BB, 0xEB86D391,
};
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t Rotl(std::uint32_t x, int n) { return x << n | x >> (32 - n); }

// Overwrites memory in a way the optimiser keeps.
void Wipe(void* p, size_t n) {
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(p);
  while (n-- != 0) *bytes++ = 0;
}

void Transform(std::uint32_t chain[4], const std::uint8_t* block) {
  std::uint32_t x[16];
  for (int i = 0; i < 16; ++i) {
    x[i] = std::uint32_t(block[4 * i]) | std::uint32_t(block[4 * i + 1]) << 8 |
           std::uint32_t(block[4 * i + 2]) << 16 | std::uint32_t(block[4 * i + 3]) << 24;
  }
  std::uint32_t a = chain[0], b = chain[1], c = chain[2], d = chain[3];
  for (int i = 0; i < 64; ++i) {
    std::uint32_t f;
    int g;
    switch (i / 16) {
      case 0: f = (b & c) | (~b & d), g = i; break;
      case 1: f = (d & b) | (~d & c), g = (5 * i + 1) % 16; break;
      case 2: f = b ^ c ^ d, g = (3 * i + 5) % 16; break;
      default: f = c ^ (b | ~d), g = (7 * i) % 16; break;
    }
    const std::uint32_t next = b + Rotl(a + f + kSine[i] + x[g], kShift[i / 16][i % 4]);
    a = d, d = c, c = b, b = next;
  }
  chain[0] += a, chain[1] += b, chain[2] += c, chain[3] += d;
  Wipe(x, sizeof x);
}

}  // namespace

void Md5Start(TMd5State& state) {
  Wipe(&state, sizeof state);
  state.Chain[0] = 0x67452301;
  state.Chain[1] = 0xEFCDAB89;
  state.Chain[2] = 0x98BADCFE;
  state.Chain[3] = 0x10325476;
}

void Md5Feed(TMd5State& state, const void* data, std::uint32_t count) {
  if (count == 0) return;
  const std::uint8_t* in = static_cast<const std::uint8_t*>(data);
  std::uint32_t pending = (state.BitCount[0] >> 3) & 63;
  const std::uint32_t low = state.BitCount[0] + (count << 3);
  if (low < state.BitCount[0]) ++state.BitCount[1];
  state.BitCount[0] = low;
  state.BitCount[1] += count >> 29;

  if (pending != 0) {
    const std::uint32_t take = count < 64 - pending ? count : 64 - pending;
    std::memcpy(state.Buffer + pending, in, take);
    in += take, count -= take, pending += take;
    if (pending < 64) return;
    Transform(state.Chain, state.Buffer);
  }
  for (; count >= 64; in += 64, count -= 64) Transform(state.Chain, in);
  if (count != 0) std::memcpy(state.Buffer, in, count);
}

TMD5Digest Md5Finish(TMd5State& state) {
  std::uint8_t length[8];
  for (int i = 0; i < 4; ++i) {
    length[i] = static_cast<std::uint8_t>(state.BitCount[0] >> (8 * i));
    length[4 + i] = static_cast<std::uint8_t>(state.BitCount[1] >> (8 * i));
  }
  static constexpr std::uint8_t kPadding[64] = {0x80};
  const std::uint32_t pending = (state.BitCount[0] >> 3) & 63;
  Md5Feed(state, kPadding, pending < 56 ? 56 - pending : 120 - pending);
  Md5Feed(state, length, 8);
  const TMD5Digest digest{state.Chain[0], state.Chain[1], state.Chain[2], state.Chain[3]};
  Wipe(&state, sizeof state);
  return digest;
}

TMD5Digest Md5OfBuffer(const void* data, std::uint32_t count) {
  TMd5State state;
  Md5Start(state);
  Md5Feed(state, data, count);
  return Md5Finish(state);
}

TMD5Digest Md5OfText(std::string_view text) {
  return Md5OfBuffer(text.data(), static_cast<std::uint32_t>(text.size()));
}

TMD5Digest Md5OfText(std::u16string_view text) { return Md5OfText(WideToMultiByte(text)); }
