#pragma once
// MD5 message digests exactly as RFC 1321 defines them.

#include <cstdint>
#include <string>
#include <string_view>

// A digest as four little-endian words; the record's 16 bytes in memory are the digest bytes in
// their usual order (A holds bytes 0 to 3).
struct TMD5Digest {
  std::uint32_t A, B, C, D;
};
static_assert(sizeof(TMD5Digest) == 16);

// The running state of one digest.
struct TMd5State {
  std::uint32_t Chain[4];     // the chaining words
  std::uint32_t BitCount[2];  // message length in bits, low word first
  std::uint8_t Buffer[64];    // the pending partial block
};
static_assert(sizeof(TMd5State) == 88);

// Clears the whole state and loads the starting chaining words.
void Md5Start(TMd5State& state);
// Adds `count` bytes to the message.
void Md5Feed(TMd5State& state, const void* data, std::uint32_t count);
// Pads, produces the digest and clears the whole state to zero bytes.
TMD5Digest Md5Finish(TMd5State& state);

TMD5Digest Md5OfBuffer(const void* data, std::uint32_t count);
// The digest of the text's bytes, no terminator.
TMD5Digest Md5OfText(std::string_view text);
// The digest of the text converted to 8-bit text in the system code page.
TMD5Digest Md5OfText(std::u16string_view text);
