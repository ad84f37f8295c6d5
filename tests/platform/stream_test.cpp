#include "platform/stream.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace std::string_literals;

std::string ReadAll(TStream& stream, std::int64_t count) {
  std::string out(static_cast<size_t>(count), '\xEE');
  out.resize(static_cast<size_t>(stream.Read(out.data(), count)));
  return out;
}

TEST(MemoryStreamTest, ReadsWritesSeeksAndResizes) {
  TMemoryStream stream("abc"s);
  EXPECT_EQ(stream.Size(), 3);
  EXPECT_EQ(stream.Position(), 0);
  EXPECT_EQ(ReadAll(stream, 10), "abc");
  EXPECT_EQ(ReadAll(stream, 10), "");  // at the end

  // Writing beyond the end fills the gap with zeros.
  EXPECT_EQ(stream.Seek(5, soBeginning), 5);
  stream.WriteBuffer("z", 1);
  EXPECT_EQ(stream.Bytes(), "abc\0\0z"s);
  EXPECT_EQ(stream.Seek(-2, soEnd), 4);
  EXPECT_EQ(ReadAll(stream, 5), "\0z"s);
  EXPECT_EQ(stream.Seek(-3, soCurrent), 3);

  stream.SetSize(2);
  EXPECT_EQ(stream.Bytes(), "ab");
  EXPECT_EQ(stream.Position(), 3);
  EXPECT_EQ(ReadAll(stream, 5), "");  // a position beyond the end reads nothing

  EXPECT_THROW(stream.Seek(-1, soBeginning), EStreamError);
  EXPECT_THROW(stream.Seek(-3, soEnd), EStreamError);
  char buffer[3];
  stream.SetPosition(0);
  EXPECT_THROW(stream.ReadBuffer(buffer, 3), EStreamError);  // only 2 bytes left

  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.Position(), 0);
}

class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("tarvo_stream_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

TEST_F(FileStreamTest, WritesAndReadsBackEveryByte) {
  const std::string bytes = "a\0b\r\n\xFF\0"s;
  {
    TFileStream out(Path("data.bin"), fmCreate);
    out.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    EXPECT_EQ(out.Size(), 7);
  }
  TFileStream in(Path("data.bin"), fmOpenRead);
  EXPECT_EQ(in.FileName(), Path("data.bin"));
  EXPECT_EQ(in.Size(), 7);
  EXPECT_EQ(ReadAll(in, 100), bytes);
  EXPECT_EQ(in.Seek(-3, soEnd), 4);
  EXPECT_EQ(ReadAll(in, 2), "\n\xFF");
  EXPECT_EQ(in.Position(), 6);
  EXPECT_THROW(in.WriteBuffer("x", 1), EStreamError);  // opened for reading only
  EXPECT_THROW(in.Seek(-1, soBeginning), EStreamError);
}

TEST_F(FileStreamTest, ReadingDeniesNothingToOthers) {
  std::ofstream(Path("shared.txt")) << "12345";
  TFileStream reader(Path("shared.txt"), fmOpenRead);
  TFileStream second(Path("shared.txt"), fmOpenRead);
  std::ofstream(Path("shared.txt"), std::ios::app) << "678";
  EXPECT_EQ(reader.Size(), 8);  // the size is taken anew
  EXPECT_EQ(ReadAll(second, 100), "12345678");
  std::filesystem::remove(Path("shared.txt"));
  EXPECT_EQ(ReadAll(reader, 100), "12345678");
}

TEST_F(FileStreamTest, FilesThatCannotBeOpenedRaiseErrorsNamingThem) {
  struct Case {
    std::string path;
    TFileMode mode;
    std::string message;
  };
  const Case cases[] = {
      {Path("missing.txt"), fmOpenRead,
       "Cannot open file \"" + Path("missing.txt") + "\". No such file or directory"},
      {dir_.string(), fmOpenRead, "Cannot open file \"" + dir_.string() + "\". Is a directory"},
      {Path("no/such/dir.txt"), fmCreate,
       "Cannot create file \"" + Path("no/such/dir.txt") + "\". No such file or directory"},
  };
  for (const Case& c : cases) {
    try {
      TFileStream stream(c.path, c.mode);
      ADD_FAILURE() << c.path << " opened";
    } catch (const EFOpenError& e) {
      EXPECT_EQ(c.mode, fmOpenRead);
      EXPECT_EQ(e.what(), c.message);
    } catch (const EFCreateError& e) {
      EXPECT_EQ(c.mode, fmCreate);
      EXPECT_EQ(e.what(), c.message);
    }
  }
}

}  // namespace
