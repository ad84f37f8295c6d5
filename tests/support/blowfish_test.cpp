#include "support/blowfish.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/exception.h"
#include "support/md5.h"
#include "test_bytes.h"

namespace {

std::unique_ptr<TBfState> Keyed(const std::string& key) {
  std::unique_ptr<TBfState> state;
  int size = 0;
  BfCreateState(key.data(), static_cast<int>(key.size()), state, size);
  EXPECT_EQ(size, 4184);
  return state;
}

// The agent's key: the MD5 digest of its passphrase.
std::unique_ptr<TBfState> AgentKeyed() {
  const TMD5Digest key = Md5OfText("Harbor Lamps Access Phrase");
  return Keyed(std::string(reinterpret_cast<const char*>(&key), sizeof key));
}

std::string Pattern(size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) bytes += static_cast<char>(i * 37 + 11);
  return bytes;
}

TEST(BlowfishTest, PublishedVariableKeyVectors) {
  const char* vectors[][3] = {
      {"0000000000000000", "0000000000000000", "4ef997456198dd78"},
      {"ffffffffffffffff", "ffffffffffffffff", "51866fd5b85ecb8a"},
      {"3000000000000000", "1000000000000001", "7d856f9a613063f2"},
      {"1111111111111111", "1111111111111111", "2466dd878b963c9d"},
      {"0123456789abcdef", "1111111111111111", "61f9c3802281b096"},
      {"1111111111111111", "0123456789abcdef", "7d0cc630afda1ec7"},
      {"fedcba9876543210", "0123456789abcdef", "0aceab0fc6a0a28d"},
      {"7ca110454a1a6e57", "01a1d6d039776742", "59c68245eb05282b"},
      {"0131d9619dc1376e", "5cd54ca83def57da", "b1b8cc0b250f09a0"},
      {"07a1133e4a0b2686", "0248d43806f67172", "1730e5778bea1da4"},
      {"3849674c2602319e", "51454b582ddf440a", "a25e7856cf2651eb"},
      {"04b915ba43feb5b6", "42fd443059577fa2", "353882b109ce8f1a"},
      {"0113b970fd34f2ce", "059b5e0851cf143a", "48f4d0884c379918"},
      {"0170f175468fb5e6", "0756d8e0774761d2", "432193b78951fc98"},
      {"43297fad38e373fe", "762514b829bf486a", "13f04154d69d1ae5"},
      {"07a7137045da2a16", "3bdd119049372802", "2eedda93ffd39c79"},
      {"04689104c2fd3b2f", "26955f6835af609a", "d887e0393c2da6e3"},
      {"37d06bb516cb7546", "164d5e404f275232", "5f99d04f5b163969"},
      {"1f08260d1ac2465e", "6b056e18759f5cca", "4a057a3b24d3977b"},
      {"584023641aba6176", "004bd6ef09176062", "452031c1e4fada8e"},
      {"025816164629b007", "480d39006ee762f2", "7555ae39f59b87bd"},
      {"49793ebc79b3258f", "437540c8698f3cfa", "53c55f9cb49fc019"},
      {"4fb05e1515ab73a7", "072d43a077075292", "7a8e7bfa937e89a3"},
      {"49e95d6d4ca229bf", "02fe55778117f12a", "cf9c5d7a4986adb5"},
      {"018310dc409b26d6", "1d9d5c5018f728c2", "d1abb290658bc778"},
      {"1c587f1c13924fef", "305532286d6f295a", "55cb3774d13ef201"},
      {"0101010101010101", "0123456789abcdef", "fa34ec4847b268b2"},
      {"1f1f1f1f0e0e0e0e", "0123456789abcdef", "a790795108ea3cae"},
      {"e0fee0fef1fef1fe", "0123456789abcdef", "c39e072d9fac631d"},
      {"0000000000000000", "ffffffffffffffff", "014933e0cdaff6e4"},
      {"ffffffffffffffff", "0000000000000000", "f21e9a77b71c49bc"},
      {"0123456789abcdef", "0000000000000000", "245946885754369a"},
      {"fedcba9876543210", "ffffffffffffffff", "6b5c5a9c5d9e0a5a"},
  };
  for (const auto& [key, plain, cipher] : vectors) {
    const auto state = Keyed(FromHex(key));
    std::string block = FromHex(plain);
    BfEncipherBlock(*state, block.data(), block.data());
    EXPECT_EQ(Hex(block.data(), 8), cipher) << key;
    BfDecipherBlock(*state, block.data(), block.data());
    EXPECT_EQ(Hex(block.data(), 8), plain) << key;
  }
}

TEST(BlowfishTest, BufferWalkEnciphersEveryOtherBlockAsOneChain) {
  const auto state = AgentKeyed();
  const std::string plain = Pattern(1560);
  std::string buffer = plain;
  BfEncipherBuffer(*state, buffer.data(), static_cast<int>(buffer.size()));

  int changed_blocks = 0;
  for (size_t group = 0; group < plain.size(); group += 16) {
    EXPECT_EQ(buffer.substr(group + 8, 8), plain.substr(group + 8, 8)) << group;
    changed_blocks += buffer.compare(group, 8, plain, group, 8) != 0;
  }
  EXPECT_EQ(changed_blocks, 98);

  // The chain starts from zero bytes, so the first block is the plain encipherment.
  std::string first = plain.substr(0, 8);
  BfEncipherBlock(*state, first.data(), first.data());
  EXPECT_EQ(buffer.substr(0, 8), first);
  // The second processed block (offset 16) is chained on the first.
  std::string second = plain.substr(16, 8);
  for (int i = 0; i < 8; ++i) second[i] ^= first[i];
  BfEncipherBlock(*state, second.data(), second.data());
  EXPECT_EQ(buffer.substr(16, 8), second);

  BfDecipherBuffer(*state, buffer.data(), static_cast<int>(buffer.size()));
  EXPECT_EQ(buffer, plain);
}

TEST(BlowfishTest, EachCallRestartsTheChain) {
  const auto state = AgentKeyed();
  std::string once = Pattern(100), twice = Pattern(100);
  BfEncipherBuffer(*state, once.data(), 100);
  BfEncipherBuffer(*state, twice.data(), 100);
  EXPECT_EQ(once, twice);
  EXPECT_EQ(std::memcmp(state->Chain, state->InitVector, 8), 0);
}

TEST(BlowfishTest, ShortBuffersAndTails) {
  const auto state = AgentKeyed();
  std::string seven = Pattern(7);
  BfEncipherBuffer(*state, seven.data(), 7);
  EXPECT_EQ(seven, Pattern(7));

  std::string twenty = Pattern(20);
  BfEncipherBuffer(*state, twenty.data(), 20);
  EXPECT_NE(twenty.substr(0, 8), Pattern(20).substr(0, 8));
  EXPECT_EQ(twenty.substr(8), Pattern(20).substr(8));

  // 24 bytes: blocks at 0 and 16 are both processed.
  std::string twenty_four = Pattern(24);
  BfEncipherBuffer(*state, twenty_four.data(), 24);
  EXPECT_NE(twenty_four.substr(16, 8), Pattern(24).substr(16, 8));
}

TEST(BlowfishTest, ChainStepsAndStartVector) {
  std::unique_ptr<TBfState> state = std::make_unique<TBfState>();
  const std::uint8_t iv[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  BfSetKey(*state, "key", 3, iv);
  EXPECT_EQ(std::memcmp(state->Chain, iv, 8), 0);
  std::string block = Pattern(8);
  BfChainEncipher(*state, block.data());
  EXPECT_EQ(std::memcmp(state->Chain, block.data(), 8), 0);
  BfRestartChain(*state);
  BfChainDecipher(*state, block.data());
  EXPECT_EQ(block, Pattern(8));
}

TEST(BlowfishTest, EmptyKeyIsRefused) {
  std::unique_ptr<TBfState> state;
  int size = 0;
  EXPECT_THROW(BfCreateState("", 0, state, size), Exception);
  EXPECT_EQ(state, nullptr);
}

}  // namespace
