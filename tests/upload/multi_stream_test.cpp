#include "upload/clMultiStream.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using namespace std::string_literals;

// A member that promises more bytes than it yields, as a file that shrank would.
class ShortStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
  std::int64_t Size() override { return TMemoryStream::Size() + 4; }
};

std::string ReadAll(TStream& stream, std::int64_t count) {
  std::string out(static_cast<size_t>(count), '\xEE');
  out.resize(static_cast<size_t>(stream.Read(out.data(), count)));
  return out;
}

TEST(MultiStreamTest, ReadsItsMembersAsOneStream) {
  TclMultiStream stream;
  stream.AddStream(std::make_unique<TMemoryStream>("ab"s));
  stream.AddStream(std::make_unique<TclNullStream>());
  stream.AddStream(std::make_unique<TMemoryStream>(""s));
  auto* grows = new TMemoryStream("c\0d"s);
  stream.AddStream(std::unique_ptr<TStream>(grows));
  stream.AddStream(std::make_unique<TMemoryStream>("ef"s));
  EXPECT_EQ(stream.StreamCount(), 5);
  EXPECT_EQ(stream.Size(), 7);

  EXPECT_EQ(ReadAll(stream, 3), "abc");  // across an empty member
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_EQ(ReadAll(stream, 100), "\0def"s);
  EXPECT_EQ(ReadAll(stream, 100), "");

  // Members are read wherever their own position was left, and their size is taken anew.
  grows->Seek(0, soEnd);
  grows->WriteBuffer("!", 1);
  EXPECT_EQ(stream.Size(), 8);
  EXPECT_EQ(stream.Seek(-5, soEnd), 3);
  EXPECT_EQ(ReadAll(stream, 100), "\0d!ef"s);
  EXPECT_EQ(stream.Seek(-6, soCurrent), 2);
  EXPECT_EQ(ReadAll(stream, 1), "c");
  EXPECT_THROW(stream.Seek(-1, soBeginning), EStreamError);
  EXPECT_EQ(stream.Seek(20, soBeginning), 20);
  EXPECT_EQ(ReadAll(stream, 5), "");
  EXPECT_THROW(stream.WriteBuffer("x", 1), EStreamError);
}

TEST(MultiStreamTest, StopsAtAMemberThatYieldsLessThanItsSize) {
  TclMultiStream stream;
  stream.AddStream(std::make_unique<ShortStream>("ab"s));
  stream.AddStream(std::make_unique<TMemoryStream>("cd"s));
  EXPECT_EQ(stream.Size(), 8);
  EXPECT_EQ(ReadAll(stream, 100), "ab");  // the missing bytes are not skipped over
  EXPECT_EQ(ReadAll(stream, 100), "");    // and never made up
  stream.SetPosition(6);
  EXPECT_EQ(ReadAll(stream, 100), "cd");
}

TEST(MultiStreamTest, NullStreamIsEmpty) {
  TclNullStream stream;
  char byte = 'x';
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  EXPECT_EQ(stream.Seek(3, soBeginning), 3);
  EXPECT_EQ(stream.Read(&byte, 1), 0);
  EXPECT_EQ(byte, 'x');
  EXPECT_THROW(stream.Seek(-1, soEnd), EStreamError);
}

}  // namespace
