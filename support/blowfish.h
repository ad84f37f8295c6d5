#pragma once
// Blowfish (64-bit blocks, 16 rounds) with CBC chaining, and this library's buffer walk, which
// enciphers only every other 8-byte block of a buffer: blocks at offsets 0, 16, 32, ... form
// one chain, and the 8 bytes after each block stay as they are. Stored settings files depend
// on that walk.

#include <cstdint>
#include <memory>

struct TBfState {
  std::uint8_t InitVector[8];     // the chaining start value
  std::uint8_t Chain[8];          // the current chaining value
  std::uint32_t SBox[4][256];     // the S-boxes after key setup
  std::uint32_t PArray[18];       // the P-array after key setup
};
static_assert(sizeof(TBfState) == 4184);

// Allocates a zero-filled state keyed with `key` and a zero start vector; `state_size` := 4184.
// Raises Exception for a key length below 1.
void BfCreateState(const void* key, int key_length, std::unique_ptr<TBfState>& state,
                   int& state_size);
// Loads the pi tables, sets InitVector and Chain to `init_vector` (8 bytes; zeros when null)
// and runs the key schedule. Raises Exception for a key length below 1.
void BfSetKey(TBfState& state, const void* key, int key_length,
              const std::uint8_t* init_vector = nullptr);

// One block without chaining; source and dest may be the same 8 bytes.
void BfEncipherBlock(const TBfState& state, const void* source, void* dest);
void BfDecipherBlock(const TBfState& state, const void* source, void* dest);

// One CBC step in place.
void BfChainEncipher(TBfState& state, void* block);
void BfChainDecipher(TBfState& state, void* block);
// Chain := InitVector.
void BfRestartChain(TBfState& state);

// The buffer walk in place: blocks 16*i .. 16*i+7 while 16*i + 8 <= size, chained from the
// current Chain; the chain restarts from InitVector afterwards.
void BfEncipherBuffer(TBfState& state, void* buffer, int size);
void BfDecipherBuffer(TBfState& state, void* buffer, int size);
