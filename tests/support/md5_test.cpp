#include "support/md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "test_bytes.h"

namespace {

std::string HexOf(const TMD5Digest& digest) { return Hex(&digest, sizeof digest); }

TEST(Md5Test, GivesTheRfc1321TestSuiteDigests) {
  const std::pair<const char*, const char*> suite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [message, digest] : suite) EXPECT_EQ(HexOf(Md5OfText(message)), digest);
}

TEST(Md5Test, PaddingBoundaries) {
  const std::pair<size_t, const char*> lengths[] = {
      {55, "ef1772b6dff9a122358552954ad0df65"}, {56, "3b0c8ac703f828b04c6c197006d17218"},
      {63, "b06521f39153d618550606be297466d5"}, {64, "014842d480b571495a4a0363793f7367"},
      {65, "c743a45e0d2e6a95cb859adae0248435"},
  };
  for (const auto& [length, digest] : lengths)
    EXPECT_EQ(HexOf(Md5OfText(std::string(length, 'a'))), digest) << length;
}

TEST(Md5Test, FeedingInPiecesGivesTheSameDigest) {
  std::string message;
  for (int i = 0; i < 40; ++i)
    for (int b = 0; b < 256; ++b) message += static_cast<char>(b);
  const std::string whole = "c3cd26e07e555c0116db237fbc06d99c";
  ASSERT_EQ(HexOf(Md5OfBuffer(message.data(), message.size())), whole);
  for (size_t piece : {1u, 63u, 64u, 65u, 4097u}) {
    TMd5State state;
    Md5Start(state);
    for (size_t at = 0; at < message.size(); at += piece)
      Md5Feed(state, message.data() + at, std::min(piece, message.size() - at));
    EXPECT_EQ(HexOf(Md5Finish(state)), whole) << piece;
  }
}

TEST(Md5Test, StateIsAllZeroAfterFinish) {
  TMd5State state;
  Md5Start(state);
  Md5Feed(state, "the shop's password", 19);
  Md5Finish(state);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&state);
  EXPECT_TRUE(std::all_of(bytes, bytes + sizeof state, [](std::uint8_t b) { return b == 0; }));
}

TEST(Md5Test, Utf16TextIsDigestedInTheSystemCodePage) {
  EXPECT_EQ(HexOf(Md5OfText(u"Harbor Lamps Access Phrase")), "97ee081613ab9c4890a3279fc50745a8");
  EXPECT_EQ(HexOf(Md5OfText(u"Прайс")), HexOf(Md5OfText("\xCF\xF0\xE0\xE9\xF1")));
}

TEST(Md5Test, DigestWordsAreLittleEndianDigestBytes) {
  const TMD5Digest d = Md5OfText("abc");
  EXPECT_EQ(d.A, 0x98500190u);
  EXPECT_EQ(d.D, 0x727fe128u);
}

}  // namespace
