#include "support/blowfish.h"

#include <cstring>

#include "platform/exception.h"
#include "support/blowfish_tables.h"

namespace {

std::uint32_t F(const TBfState& s, std::uint32_t x) {
  return ((s.SBox[0][x >> 24] + s.SBox[1][(x >> 16) & 0xFF]) ^ s.SBox[2][(x >> 8) & 0xFF]) +
         s.SBox[3][x & 0xFF];
}

void Encipher(const TBfState& s, std::uint32_t& left, std::uint32_t& right) {
  std::uint32_t l = left ^ s.PArray[0], r = right;
  for (int i = 1; i <= 16; ++i) {
    r ^= F(s, l) ^ s.PArray[i];
    std::swap(l, r);
  }
  left = r ^ s.PArray[17];
  right = l;
}

void Decipher(const TBfState& s, std::uint32_t& left, std::uint32_t& right) {
  std::uint32_t l = left ^ s.PArray[17], r = right;
  for (int i = 16; i >= 1; --i) {
    r ^= F(s, l) ^ s.PArray[i];
    std::swap(l, r);
  }
  left = r ^ s.PArray[0];
  right = l;
}

std::uint32_t LoadBig(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void StoreBig(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

template <void (*Cipher)(const TBfState&, std::uint32_t&, std::uint32_t&)>
void CipherBlock(const TBfState& state, const void* source, void* dest) {
  const std::uint8_t* in = static_cast<const std::uint8_t*>(source);
  std::uint32_t left = LoadBig(in), right = LoadBig(in + 4);
  Cipher(state, left, right);
  std::uint8_t* out = static_cast<std::uint8_t*>(dest);
  StoreBig(out, left);
  StoreBig(out + 4, right);
}

void Xor8(std::uint8_t* block, const std::uint8_t* with) {
  for (int i = 0; i < 8; ++i) block[i] ^= with[i];
}

// Restarts the chain when the walk leaves, however it leaves.
struct ChainRestart {
  TBfState& state;
  ~ChainRestart() { BfRestartChain(state); }
};

template <void (*Step)(TBfState&, void*)>
void WalkBuffer(TBfState& state, void* buffer, int size) {
  ChainRestart restart{state};
  std::uint8_t* bytes = static_cast<std::uint8_t*>(buffer);
  for (long offset = 0; offset + 8 <= size; offset += 16) Step(state, bytes + offset);
}

}  // namespace

void BfSetKey(TBfState& state, const void* key, int key_length, const std::uint8_t* init_vector) {
  if (key_length < 1) throw Exception("Blowfish key must hold at least one byte");
  std::memcpy(state.PArray, kBlowfishInitialP, sizeof state.PArray);
  std::memcpy(state.SBox, kBlowfishInitialS, sizeof state.SBox);
  if (init_vector != nullptr) {
    std::memcpy(state.InitVector, init_vector, 8);
  } else {
    std::memset(state.InitVector, 0, 8);
  }
  std::memcpy(state.Chain, state.InitVector, 8);

  const std::uint8_t* k = static_cast<const std::uint8_t*>(key);
  int j = 0;
  for (int i = 0; i < 18; ++i) {
    std::uint32_t word = 0;
    for (int b = 0; b < 4; ++b) word = word << 8 | k[(j + b) % key_length];
    state.PArray[i] ^= word;
    j = (j + 4) % key_length;
  }
  std::uint32_t left = 0, right = 0;
  for (int i = 0; i < 18; i += 2) {
    Encipher(state, left, right);
    state.PArray[i] = left;
    state.PArray[i + 1] = right;
  }
  for (auto& box : state.SBox) {
    for (int i = 0; i < 256; i += 2) {
      Encipher(state, left, right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

void BfCreateState(const void* key, int key_length, std::unique_ptr<TBfState>& state,
                   int& state_size) {
  auto fresh = std::make_unique<TBfState>();  // value-initialised: all zero bytes
  BfSetKey(*fresh, key, key_length);
  state = std::move(fresh);
  state_size = sizeof(TBfState);
}

void BfEncipherBlock(const TBfState& state, const void* source, void* dest) {
  CipherBlock<Encipher>(state, source, dest);
}

void BfDecipherBlock(const TBfState& state, const void* source, void* dest) {
  CipherBlock<Decipher>(state, source, dest);
}

void BfChainEncipher(TBfState& state, void* block) {
  std::uint8_t* b = static_cast<std::uint8_t*>(block);
  Xor8(b, state.Chain);
  BfEncipherBlock(state, b, b);
  std::memcpy(state.Chain, b, 8);
}

void BfChainDecipher(TBfState& state, void* block) {
  std::uint8_t* b = static_cast<std::uint8_t*>(block);
  std::uint8_t kept[8];
  std::memcpy(kept, b, 8);
  BfDecipherBlock(state, b, b);
  Xor8(b, state.Chain);
  std::memcpy(state.Chain, kept, 8);
}

void BfRestartChain(TBfState& state) { std::memcpy(state.Chain, state.InitVector, 8); }

void BfEncipherBuffer(TBfState& state, void* buffer, int size) {
  WalkBuffer<BfChainEncipher>(state, buffer, size);
}

void BfDecipherBuffer(TBfState& state, void* buffer, int size) {
  WalkBuffer<BfChainDecipher>(state, buffer, size);
}
