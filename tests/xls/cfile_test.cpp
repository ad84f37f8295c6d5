#include "xls/CFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>

#include "platform/codepage.h"
#include "platform/utf.h"
#include "xls/BiffStream.h"
#include "xls_test_files.h"

namespace {

// ---- reading streams.json: {"file": [{"path": "...", "size": n}, ...] or {"error": "..."}} ----

class JsonReader {
 public:
  explicit JsonReader(std::string text) : text_(std::move(text)) {}
  void Skip() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool Take(char c) {
    Skip();
    if (pos_ < text_.size() && text_[pos_] == c) return ++pos_, true;
    return false;
  }
  std::u16string String() {
    Skip();
    std::u16string out;
    ++pos_;  // opening quote
    while (text_[pos_] != '"') {
      if (text_[pos_] == '\\') {
        ++pos_;
        if (text_[pos_] == 'u') {
          out += static_cast<char16_t>(std::stoi(text_.substr(pos_ + 1, 4), nullptr, 16));
          pos_ += 5;
        } else {
          out += static_cast<char16_t>(text_[pos_++]);
        }
      } else {
        const std::size_t start = pos_;
        while (text_[pos_] != '"' && text_[pos_] != '\\') ++pos_;
        out += Utf8ToUtf16(text_.substr(start, pos_ - start));
      }
    }
    ++pos_;
    return out;
  }
  long Number() {
    Skip();
    std::size_t used = 0;
    const long v = std::stol(text_.substr(pos_, 20), &used);
    pos_ += used;
    return v;
  }

 private:
  std::string text_;
  std::size_t pos_ = 0;
};

using StreamList = std::vector<std::pair<std::u16string, long>>;  // path, size

// The streams of every file the independent reader could list.
std::map<std::string, StreamList> ReadStreamsJson() {
  JsonReader json(ReadWholeFile(kCorpus + "streams.json"));
  std::map<std::string, StreamList> files;
  json.Take('{');
  while (!json.Take('}')) {
    const std::string file = Utf16ToUtf8(json.String());
    json.Take(':');
    if (json.Take('[')) {
      StreamList& list = files[file];
      while (!json.Take(']')) {
        json.Take('{');
        std::u16string path;
        long size = -1;
        while (!json.Take('}')) {
          const std::u16string key = json.String();
          json.Take(':');
          if (key == u"path") path = json.String();
          else size = json.Number();
          json.Take(',');
        }
        list.emplace_back(path, size);
        json.Take(',');
      }
    } else {
      json.Take('{');
      json.String();
      json.Take(':');
      json.String();
      json.Take('}');
    }
    json.Take(',');
  }
  return files;
}

// Every stream below `storage` with its path ("a/b") and the bytes read from it to its end.
void ListStreams(TCFileStorage& storage, const std::u16string& prefix, StreamList& out) {
  for (int i = 0; i < storage.Count(); ++i) {
    TCFileItem* item = storage.Item(i);
    const std::u16string path = prefix + MultiByteToWide(item->Name());
    if (auto* sub = dynamic_cast<TCFileStorage*>(item)) {
      ListStreams(*sub, path + u"/", out);
      continue;
    }
    auto& stream = static_cast<TCFileStream&>(*item);
    long total = 0;
    char buffer[1000];
    while (const int got = stream.Read(buffer, sizeof buffer)) total += got;
    EXPECT_EQ(total, stream.Size()) << Utf16ToUtf8(path);
    out.emplace_back(path, total);
  }
}

StreamList StreamsOf(TCFile& file) {
  StreamList list;
  ListStreams(file.Root(), u"", list);
  std::sort(list.begin(), list.end());
  return list;
}

const char* const kDamaged[] = {"corrupted_error.xls", "xls2csv_ole_ole2_fread_327.xls",
                                "xls2csv_ole_read_MSAT_772.xls",
                                "xls2csv_ole_read_MSAT_body_637.xls",
                                "xls2csv_ole_read_MSAT_body_687.xls"};

std::unique_ptr<TCFile> OpenBytes(const std::string& bytes) {
  std::istringstream in(bytes);
  return TCFile::CreateFromStream(in);
}

// The code of the ECFileError that opening `bytes` raises, or -1 when it opens.
int OpenFailure(const std::string& bytes) {
  try {
    auto file = OpenBytes(bytes);
    StreamsOf(*file);
    return -1;
  } catch (const ECFileError& e) {
    return e.ErrorCode();
  }
}

TEST(CFile, CorpusStreamsMatchAnIndependentReader) {
  const auto expected = ReadStreamsJson();
  ASSERT_GT(expected.size(), 30u);
  for (const auto& [name, streams] : expected) {
    if (std::find(std::begin(kDamaged), std::end(kDamaged), name) != std::end(kDamaged)) continue;
    SCOPED_TRACE(name);
    TCFile file(cfCreateFromFile, Utf8ToUtf16(kCorpus + name));
    StreamList want = streams;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(StreamsOf(file), want);
    EXPECT_EQ(file.Root().Name(), "Root Entry");
  }
}

TEST(CFile, DamagedCorpusFilesFailCleanly) {
  const std::pair<const char*, TCFileErrorCode> cases[] = {
      {"corrupted_error.xls", ECFILE_OPEN_STREAM},  // a stream chain runs into another one
      {"xls2csv_ole_ole2_fread_327.xls", ECFILE_OPEN_DOCFILE},
      {"xls2csv_ole_read_MSAT_772.xls", ECFILE_OPEN_DOCFILE},
      {"xls2csv_ole_read_MSAT_body_637.xls", ECFILE_OPEN_DOCFILE},
      {"xls2csv_ole_read_MSAT_body_687.xls", ECFILE_OPEN_DOCFILE},
  };
  for (const auto& [name, code] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(OpenFailure(ReadWholeFile(kCorpus + name)), code);
  }
}

TEST(CFile, LookupIgnoresLetterCaseAndStaysOnOneLevel) {
  TCFile file(cfCreateFromFile, Utf8ToUtf16(kCorpus + "pricelist_lo.xls"));
  TCFileItem* workbook = file.Root().FindItem("Workbook");
  ASSERT_NE(workbook, nullptr);
  EXPECT_EQ(file.Root().FindItem("WORKBOOK"), workbook);
  EXPECT_EQ(file.Root().FindItem("workbook"), workbook);
  EXPECT_EQ(file.Root().FindItem("Book"), nullptr);

  TCFile vba(cfCreateFromFile, Utf8ToUtf16(kCorpus + "comments_stress_test.xls"));
  EXPECT_EQ(vba.Root().FindItem("PROJECT"), nullptr);
  auto* project = dynamic_cast<TCFileStorage*>(vba.Root().FindItem("_vba_project_cur"));
  ASSERT_NE(project, nullptr);
  EXPECT_NE(project->FindItem("project"), nullptr);
}

TEST(CFile, CyrillicNamesAreLookedUpInTheCodePage) {
  const std::string bytes = BuildCompoundFile(9, {{u"Книга", "abc"}});
  auto file = OpenBytes(bytes);
  EXPECT_EQ(file->Root().Item(0)->Name(), WideToMultiByte(u"Книга"));
  EXPECT_NE(file->Root().FindItem(WideToMultiByte(u"КНИГА")), nullptr);
}

TEST(CFile, StreamPositionSizeAndReads) {
  std::string big(5000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  for (int shift : {9, 12}) {
    SCOPED_TRACE(shift);
    auto file = OpenBytes(BuildCompoundFile(shift, {{u"A", big}, {u"Empty", ""}, {u"Small", "xyz"}}));
    ASSERT_EQ(file->Root().Count(), 3);
    auto& a = static_cast<TCFileStream&>(*file->Root().Item(0));
    auto& empty = static_cast<TCFileStream&>(*file->Root().Item(1));
    auto& small = static_cast<TCFileStream&>(*file->Root().Item(2));

    a.SetPosition(4990);
    EXPECT_EQ(a.Size(), 5000);
    EXPECT_EQ(a.Position(), 4990);  // Size leaves the position
    char buf[32];
    EXPECT_EQ(a.Read(buf, 32), 10);
    EXPECT_EQ(buf[0], static_cast<char>(4990 * 7));
    EXPECT_EQ(a.Read(buf, 32), 0);
    EXPECT_FALSE(a.ReadBytes(buf, 1));
    EXPECT_EQ(a.Seek(-2, 2), 4998);
    std::uint32_t dword = 0;
    EXPECT_FALSE(a.ReadDWord(dword));  // only 2 bytes left
    a.SetPosition(1);
    std::uint16_t word = 0;
    ASSERT_TRUE(a.ReadWord(word));
    EXPECT_EQ(word, (static_cast<std::uint8_t>(2 * 7) << 8) | 7);
    EXPECT_EQ(a.Seek(-10, 1), 3);  // refused: the position stays
    EXPECT_THROW(a.SetPosition(-1), ECFileError);
    try {
      a.SetPosition(-1);
    } catch (const ECFileError& e) {
      EXPECT_EQ(e.ErrorCode(), ECFILE_STREAM_SETPOSITION);
      EXPECT_STREQ(e.what(), "Can not set stream position");
    }
    a.SetPosition(6000);  // past the end is allowed; reads give nothing
    EXPECT_EQ(a.Read(buf, 1), 0);

    EXPECT_EQ(empty.Size(), 0);
    EXPECT_FALSE(empty.ReadBytes(buf, 4));
    EXPECT_EQ(small.Read(buf, 32), 3);
    EXPECT_EQ(std::string(buf, 3), "xyz");
    EXPECT_FALSE(small.ReadBytes(nullptr, 1));
  }
}

TEST(CFile, AllocationTablesBeyondTheHeaderList) {
  // 300 table sectors: 109 listed in the header, the rest in a chain of extension sectors.
  std::string big(9000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
  for (int shift : {9, 12}) {
    SCOPED_TRACE(shift);
    const std::string bytes = BuildCompoundFile(shift, {{u"Workbook", big}, {u"Small", "abc"}}, 300);
    ASSERT_EQ(GetU32(bytes, 0x2C), 300u);
    ASSERT_GE(GetU32(bytes, 0x48), 1u);
    auto file = OpenBytes(bytes);
    auto& stream = static_cast<TCFileStream&>(*file->Root().FindItem("Workbook"));
    std::string read(big.size(), '\0');
    EXPECT_EQ(stream.Read(read.data(), 10000), 9000);
    EXPECT_EQ(read, big);

    const std::size_t ssz = std::size_t{1} << shift;
    const std::uint32_t first_difat = GetU32(bytes, 0x44);
    const std::size_t next_at = (first_difat + 1) * ssz + ssz - 4;
    if (shift == 9) {  // two extension sectors
      ASSERT_EQ(GetU32(bytes, 0x48), 2u);
      std::string looped = bytes;  // the first one points back to itself
      PutU32(looped, next_at, first_difat);
      EXPECT_EQ(OpenFailure(looped), ECFILE_OPEN_DOCFILE);
      std::string short_chain = bytes;  // the chain ends before every table sector is listed
      PutU32(short_chain, next_at, 0xFFFFFFFE);
      EXPECT_EQ(OpenFailure(short_chain), ECFILE_OPEN_DOCFILE);
    }
    std::string outside = bytes;
    PutU32(outside, 0x44, 0x00FFFFFF);
    EXPECT_EQ(OpenFailure(outside), ECFILE_OPEN_DOCFILE);
  }
}

TEST(CFile, ChildrenComeInTheOrderOfTheSiblingTree) {
  std::string bytes = BuildCompoundFile(9, {{u"B", "1"}, {u"A", "2"}, {u"C", "3"}});
  // Entries 1 "B", 2 "A", 3 "C": make B the top with A on its left and C on its right.
  const std::size_t dir = (GetU32(bytes, 0x30) + 1) * 512;
  PutU32(bytes, dir + 128 + 68, 2);
  PutU32(bytes, dir + 128 + 72, 3);
  PutU32(bytes, dir + 256 + 72, 0xFFFFFFFF);
  auto file = OpenBytes(bytes);
  ASSERT_EQ(file->Root().Count(), 3);
  EXPECT_EQ(file->Root().Item(0)->Name(), "A");
  EXPECT_EQ(file->Root().Item(1)->Name(), "B");
  EXPECT_EQ(file->Root().Item(2)->Name(), "C");
}

TEST(CFile, OpeningFailures) {
  auto code_of = [](const std::function<void()>& open) {
    try {
      open();
    } catch (const ECFileError& e) {
      return static_cast<int>(e.ErrorCode());
    }
    return -1;
  };
  const std::u16string good = Utf8ToUtf16(kCorpus + "pricelist_lo.xls");
  EXPECT_EQ(code_of([] { TCFile(cfCreateFromFile, u"../shared/corpus/no_such.xls"); }),
            ECFILE_OPEN_DOCFILE);
  EXPECT_EQ(code_of([] { TCFile(cfCreateFromFile, u"../shared/corpus"); }), ECFILE_OPEN_DOCFILE);
  const std::string fifo = std::filesystem::temp_directory_path() / ("tarvo_cfile_fifo_" + std::to_string(getpid()));
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // a pipe without a writer is refused, not waited for
  EXPECT_EQ(code_of([&] { TCFile(cfCreateFromFile, Utf8ToUtf16(fifo)); }), ECFILE_OPEN_DOCFILE);
  std::filesystem::remove(fifo);
  EXPECT_EQ(code_of([] { TCFile(cfCreateFromFile, Utf8ToUtf16(kCorpus + "README.md")); }),
            ECFILE_OPEN_DOCFILE);
  // Paths must fit the platform's 260-unit buffer with their terminator.
  const std::u16string long_path = u"./" + std::u16string(256, u'/') + good;
  EXPECT_EQ(code_of([&] { TCFile(cfCreateFromFile, long_path); }), ECFILE_OPEN_DOCFILE);
  EXPECT_EQ(code_of([&] { TCFile(cfCreateNew, good); }), ECFILE_CREATE_DOCFILE);
  EXPECT_EQ(code_of([&] { TCFile(cfCreateNewInMemory, good); }), ECFILE_CREATE_DOCFILE);
  try {
    TCFile(cfCreateFromFile, u"");
    ADD_FAILURE();
  } catch (const ECFileError& e) {
    EXPECT_STREQ(e.what(), "Can not open a file (probably it is already opened or does not exist)");
  }
  EXPECT_EQ(OpenFailure(""), ECFILE_OPEN_DOCFILE);
  EXPECT_EQ(OpenFailure(std::string(4096, 'x')), ECFILE_OPEN_DOCFILE);
}

TEST(CFile, CreateFromStreamCopiesTheWholeStream) {
  std::istringstream in(ReadWholeFile(kCorpus + "pricelist_lo.xls"));
  in.seekg(1000);
  auto file = TCFile::CreateFromStream(in);
  auto* workbook = dynamic_cast<TCFileStream*>(file->Root().FindItem("Workbook"));
  ASSERT_NE(workbook, nullptr);
  EXPECT_EQ(workbook->Size(), 50293);
}

// ---- a document read from its file on demand, and the file changing after opening ----

class FileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 200; ++i) data_ += std::string("\x03\x02\x60\x00", 4) + std::string(96, static_cast<char>('a' + i % 26));
    bytes_ = BuildCompoundFile(9, {{u"Small", "xyz"}, {u"Workbook", data_}});
    data_at_ = bytes_.find(data_.substr(0, 300));
    ASSERT_NE(data_at_, std::string::npos);
    path_ = std::filesystem::temp_directory_path() / ("tarvo_cfile_on_disk_" + std::to_string(getpid()));
    Write(bytes_);
  }
  void TearDown() override { std::filesystem::remove(path_); }
  void Write(const std::string& bytes) {
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
  }
  std::unique_ptr<TCFile> Open() { return std::make_unique<TCFile>(cfCreateFromFile, Utf8ToUtf16(path_)); }
  static TCFileStream& Stream(TCFile& file, const char* name) {
    return static_cast<TCFileStream&>(*file.Root().FindItem(name));
  }
  static std::string ReadAll(TCFileStream& stream) {
    std::string bytes(stream.Size(), '\0');
    bytes.resize(stream.Read(bytes.data(), stream.Size()));
    return bytes;
  }

  std::string data_;       // the workbook stream: 200 records of 100 bytes
  std::string bytes_;      // the document
  std::size_t data_at_{};  // file offset of the workbook stream's first sector
  std::string path_;       // where the document is written
};

TEST_F(FileOnDisk, StreamsAreReadFromTheFileAsItWasWhenOpened) {
  auto file = Open();
  Write(bytes_ + std::string(5000, 'z'));  // growing after opening changes nothing
  EXPECT_EQ(ReadAll(Stream(*file, "Workbook")), data_);
  EXPECT_EQ(ReadAll(Stream(*file, "Small")), "xyz");
  TBIFFStream biff(&Stream(*file, "Workbook"));
  biff.Reset();
  int records = 0;
  while (biff.ReadBIFFRecord()) ++records;
  EXPECT_EQ(records, 200);
}

TEST_F(FileOnDisk, AFileCutShortAfterOpeningFailsCleanlyOnReading) {
  const struct {
    const char* what;
    std::size_t cut;
  } cases[] = {{"inside the data", data_at_ + 10000}, {"at the data's first sector", data_at_},
               {"to nothing", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(bytes_);
    auto file = Open();
    std::filesystem::resize_file(path_, c.cut);
    TCFileStream& stream = Stream(*file, "Workbook");
    if (c.cut > data_at_) {  // what the file still holds reads as before
      std::string head(100, '\0');
      ASSERT_EQ(stream.Read(head.data(), 100), 100);
      EXPECT_EQ(head, data_.substr(0, 100));
    }
    try {
      ReadAll(stream);
      ADD_FAILURE() << "no error";
    } catch (const ECFileError& e) {
      EXPECT_EQ(e.ErrorCode(), ECFILE_OPEN_STREAM);
    }
    TBIFFStream biff(&stream);
    biff.Reset();
    EXPECT_THROW(while (biff.ReadBIFFRecord()) {}, ECFileError);
  }
}

TEST_F(FileOnDisk, SectorsBeyondTheEndOfTheFileAreRefusedAtOpening) {
  const std::size_t last_sector = data_at_ + data_.size() / 512 * 512;  // holds the last 32 bytes
  const std::uint32_t file_sectors = static_cast<std::uint32_t>(bytes_.size() / 512 - 1);
  const std::uint32_t third = static_cast<std::uint32_t>(data_at_ / 512 - 1 + 2);
  const struct {
    const char* what;
    std::function<std::string()> make;
    int code;
  } cases[] = {
      {"cut inside the last sector's data", [&] { return bytes_.substr(0, last_sector + 16); }, ECFILE_OPEN_STREAM},
      {"cut before the last sector", [&] { return bytes_.substr(0, last_sector); }, ECFILE_OPEN_STREAM},
      {"chain runs to the sector after the last",
       [&] { std::string b = bytes_; PutU32(b, 512 + 4 * third, file_sectors); return b; }, ECFILE_OPEN_STREAM},
      {"cut inside the directory", [&] { return bytes_.substr(0, 1024 + 100); }, ECFILE_OPEN_DOCFILE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(c.make());
    try {
      Open();
      ADD_FAILURE() << "opened";
    } catch (const ECFileError& e) {
      EXPECT_EQ(e.ErrorCode(), c.code);
    }
  }
}

// ---- damage made by hand to a good file (version 3, FAT listed in the header) ----

class DamagedDocument : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_ = ReadWholeFile(kCorpus + "pricelist_lo.xls");
    ASSERT_GT(bytes_.size(), 4096u) << "the corpus workbook is missing";  // damage needs a whole file
  }
  std::size_t SectorAt(std::uint32_t sector) const { return (sector + 1) * 512; }
  std::size_t FatEntryAt(std::uint32_t sector) const {
    return SectorAt(GetU32(bytes_, 0x4C + 4 * (sector / 128))) + 4 * (sector % 128);
  }
  // Offset of the directory entry named `name` (the directory is one chain from the header).
  std::size_t EntryAt(const std::u16string& name) const {
    for (std::uint32_t s = GetU32(bytes_, 0x30); s < 0xFFFFFFFA; s = GetU32(bytes_, FatEntryAt(s)))
      for (int i = 0; i < 4; ++i) {
        const std::size_t at = SectorAt(s) + 128 * i;
        std::u16string entry_name;
        for (int c = 0; bytes_[at + 2 * c] || bytes_[at + 2 * c + 1]; ++c)
          entry_name += static_cast<char16_t>(static_cast<std::uint8_t>(bytes_[at + 2 * c]) |
                                              (static_cast<std::uint8_t>(bytes_[at + 2 * c + 1]) << 8));
        if (entry_name == name) return at;
      }
    ADD_FAILURE() << "no entry";
    return 0;
  }
  std::string bytes_;
};

TEST_F(DamagedDocument, EachDamageFailsWithItsCode) {
  const std::size_t workbook = EntryAt(u"Workbook");
  const std::size_t root = EntryAt(u"Root Entry");
  const std::size_t compobj = EntryAt(u"\x01" u"CompObj");
  const std::uint32_t wb_start = GetU32(bytes_, workbook + 116);
  const std::uint32_t root_child = GetU32(bytes_, root + 76);
  const struct {
    const char* what;
    std::function<void(std::string&)> damage;
    int code;
  } cases[] = {
      {"intact", [](std::string&) {}, -1},
      {"bad signature", [](std::string& b) { b[3] = 0; }, ECFILE_OPEN_DOCFILE},
      {"sector size 1024", [](std::string& b) { PutU16(b, 0x1E, 10); }, ECFILE_OPEN_DOCFILE},
      {"absurd FAT sector count", [](std::string& b) { PutU32(b, 0x2C, 0x7FFFFFFF); }, ECFILE_OPEN_DOCFILE},
      {"FAT sector past the end", [](std::string& b) { PutU32(b, 0x4C, 0x00FFFFFF); }, ECFILE_OPEN_DOCFILE},
      {"directory past the end", [](std::string& b) { PutU32(b, 0x30, 5000); }, ECFILE_OPEN_DOCFILE},
      {"directory is a FAT sector", [&](std::string& b) { PutU32(b, 0x30, GetU32(b, 0x4C)); }, ECFILE_OPEN_DOCFILE},
      {"first entry is no root", [&](std::string& b) { b[root + 66] = 2; }, ECFILE_OPEN_DOCFILE},
      {"absurd mini stream size", [&](std::string& b) { PutU32(b, root + 120, 0x7FFFFFF0); }, ECFILE_OPEN_DOCFILE},
      {"tree loops to its top", [&](std::string& b) { PutU32(b, compobj + 68, root_child); PutU32(b, compobj + 72, root_child); }, ECFILE_OPEN_DOCFILE},
      {"tree points outside", [&](std::string& b) { PutU32(b, compobj + 72, 100000); }, ECFILE_OPEN_DOCFILE},
      {"root is its own child", [&](std::string& b) { PutU32(b, compobj + 72, 0); }, ECFILE_OPEN_DOCFILE},
      {"stream sector past the end", [&](std::string& b) { PutU32(b, workbook + 116, 0x00FFFFF0); }, ECFILE_OPEN_STREAM},
      {"stream chain loops", [&](std::string& b) { PutU32(b, FatEntryAt(wb_start + 3), wb_start); }, ECFILE_OPEN_STREAM},
      {"stream chain ends early", [&](std::string& b) { PutU32(b, FatEntryAt(wb_start + 3), 0xFFFFFFFE); }, ECFILE_OPEN_STREAM},
      {"stream chain enters a free sector mark", [&](std::string& b) { PutU32(b, FatEntryAt(wb_start + 3), 0xFFFFFFFF); }, ECFILE_OPEN_STREAM},
      {"stream runs into the directory", [&](std::string& b) { PutU32(b, FatEntryAt(wb_start + 3), GetU32(b, 0x30)); }, ECFILE_OPEN_STREAM},
      {"absurd stream size", [&](std::string& b) { PutU32(b, workbook + 120, 0xFFFFFFF0); }, ECFILE_OPEN_STREAM},
      {"stream longer than its chain", [&](std::string& b) { PutU32(b, workbook + 120, 60000); }, ECFILE_OPEN_STREAM},
      {"mini stream sector outside", [&](std::string& b) { PutU32(b, compobj + 116, 100000); }, ECFILE_OPEN_STREAM},
      {"two mini streams share sectors", [&](std::string& b) { PutU32(b, compobj + 116, GetU32(b, EntryAt(u"\x01Ole") + 116)); }, ECFILE_OPEN_STREAM},
      {"sub-storage tree loops", [&](std::string& b) { b[compobj + 66] = 1; PutU32(b, compobj + 76, root_child); }, ECFILE_OPEN_STORAGE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string damaged = bytes_;
    c.damage(damaged);
    EXPECT_EQ(OpenFailure(damaged), c.code);
  }
}

TEST_F(DamagedDocument, CutAtEverySectorBoundary) {
  for (std::size_t cut = 0; cut < bytes_.size(); cut += 512) {
    SCOPED_TRACE(cut);
    const int code = OpenFailure(bytes_.substr(0, cut));
    // A cut either fails cleanly, or loses only unused trailing sectors.
    if (code == -1) EXPECT_EQ(StreamsOf(*OpenBytes(bytes_.substr(0, cut))), StreamsOf(*OpenBytes(bytes_)));
    else EXPECT_TRUE(code == ECFILE_OPEN_DOCFILE || code == ECFILE_OPEN_STREAM);
  }
  EXPECT_EQ(OpenFailure(bytes_.substr(0, bytes_.size() - 100)), ECFILE_OPEN_DOCFILE);
}

TEST_F(DamagedDocument, RandomDamageToTheStructureNeverEscapes) {
  // Words of the header, the FAT sectors and the directory overwritten with values chosen to
  // hit the special marks and the edges of the file.
  std::vector<std::size_t> regions = {0};
  for (int i = 0; i < 109 && GetU32(bytes_, 0x4C + 4 * i) < 0xFFFFFFFA; ++i)
    regions.push_back(SectorAt(GetU32(bytes_, 0x4C + 4 * i)));
  regions.push_back(SectorAt(GetU32(bytes_, 0x30)));
  const std::uint32_t values[] = {0, 1, 2, 3, 100, 105, 106, 107, 0x7FFFFFFF, 0xFFFFFFFA,
                                  0xFFFFFFFC, 0xFFFFFFFD, 0xFFFFFFFE, 0xFFFFFFFF};
  std::mt19937 random(20261210);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = bytes_;
    for (int hit = 0; hit < 3; ++hit) {
      const std::size_t at = regions[random() % regions.size()] + 4 * (random() % 128);
      PutU32(damaged, at, random() % 2 ? values[random() % std::size(values)] : random());
    }
    OpenFailure(damaged);  // must return; crashes and hangs fail the run
  }
}

}  // namespace
