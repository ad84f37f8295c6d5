#include "xls/BiffStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "platform/codepage.h"
#include "platform/utf.h"
#include "xls/BiffStrings.h"
#include "xls_test_files.h"

namespace {

std::string Record(int id, const std::string& data) {
  std::string r(4, '\0');
  PutU16(r, 0, id);
  PutU16(r, 2, static_cast<std::uint32_t>(data.size()));
  return r + data;
}

std::string Filler(std::size_t size, int seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i * 13);
  return s;
}

struct Rec {
  int id;
  std::string data;
  bool operator==(const Rec&) const = default;
};

// Reads every record of `workbook`; `on_record` may switch decryption on.
std::vector<Rec> ReadRecords(const std::string& workbook,
                             const std::function<void(TBIFFStream&)>& on_record = nullptr) {
  std::istringstream in(BuildCompoundFile(9, {{u"Workbook", workbook}}));
  auto file = TCFile::CreateFromStream(in);
  TBIFFStream biff(static_cast<TCFileStream*>(file->Root().FindItem("Workbook")));
  biff.Reset();
  std::vector<Rec> out;
  while (biff.ReadBIFFRecord()) {
    TBIFFRecord& r = biff.BIFFRecord();
    EXPECT_EQ(r.DataStream().Size(), r.Size);
    EXPECT_EQ(r.DataStream().Position(), 0);
    out.push_back({r.RecNum, std::string(reinterpret_cast<const char*>(r.DataStream().Data()), r.Size)});
    if (on_record) on_record(biff);
  }
  return out;
}

std::string Join(const std::vector<Rec>& recs) {
  std::string s;
  for (const auto& r : recs) s += Record(r.id, r.data);
  return s;
}

TEST(EasyStream, ShortReadsKeepTheRestOfTheTarget) {
  TEasyStream s;
  s.WriteWord(0x0201);
  s.WriteByte(0x03);
  s.WriteDWord(0x07060504);
  EXPECT_EQ(s.Size(), 7);
  s.SetPosition(0);
  std::uint16_t w = 0;
  std::uint32_t d = 0xAAAAAAAA;
  EXPECT_TRUE(s.ReadWord(w));
  EXPECT_EQ(w, 0x0201);
  EXPECT_EQ(s.ReadableSize(), 5);
  s.SkipBytes(3);
  EXPECT_FALSE(s.ReadDWord(d));  // two bytes left: only the low two bytes change
  EXPECT_EQ(d, 0xAAAA0706u);
  std::string text = "kept";
  s.SetPosition(5);
  EXPECT_FALSE(s.ReadString(text, 3));
  EXPECT_EQ(text, "kept");
  EXPECT_TRUE(s.ReadString(text, 2));
  EXPECT_EQ(text, "\x06\x07");
  s.SkipBytes(10);  // past the end: reads read nothing
  std::uint8_t b = 9;
  EXPECT_FALSE(s.ReadByte(b));
  EXPECT_EQ(b, 9);
  EXPECT_EQ(s.ReadableSize(), -10);
  std::int32_t i = 0;
  s.SetPosition(3);
  EXPECT_TRUE(s.ReadInt(i));
  EXPECT_EQ(i, 0x07060504);
}

TEST(EasyStream, AViewIsCopiedBeforeAnyChange) {
  std::uint8_t shown[4] = {1, 2, 3, 4};
  TEasyStream s;
  s.View(shown, 4);
  EXPECT_EQ(s.Data(), shown);  // shown in place
  std::uint16_t w = 0;
  ASSERT_TRUE(s.ReadWord(w));
  EXPECT_EQ(w, 0x0201);
  TEasyStream copy = s;
  EXPECT_NE(copy.Data(), shown);  // a copy owns its bytes
  EXPECT_EQ(copy.Position(), 2);
  s.WriteByte(9);  // writes change the stream's own copy, never the bytes shown
  s.SetSize(6);
  const std::uint8_t want[6] = {1, 2, 9, 4, 0, 0};
  EXPECT_EQ(std::memcmp(s.Data(), want, 6), 0);
  EXPECT_EQ(shown[2], 3);
  EXPECT_EQ(copy.Data()[2], 3);
  TEasyStream moved = std::move(copy);
  EXPECT_EQ(moved.Size(), 4);
  EXPECT_EQ(moved.Data()[3], 4);
}

TEST(BIFFStream, RecordsAcrossBlocksAndTheEndOfTheStream) {
  // Data crossing the first boundary, a zero-length record, a header split by the second one.
  const std::vector<Rec> recs = {
      {0x0809, Filler(16, 1)}, {0x00FC, Filler(1200, 2)}, {0x000A, ""},
      {0x0201, Filler(2046 - 4 - 16 - 4 - 1200 - 4 - 4, 3)}, {0x00FD, Filler(300, 4)}};
  std::string stream = Join(recs);
  ASSERT_EQ(stream.size() - 4 - 300, 2048u - 2);  // the last header spans bytes 2046..2049
  EXPECT_EQ(ReadRecords(stream), recs);           // ends at the zero padding

  // An exact multiple of 1024 ends when no further block can be loaded.
  std::vector<Rec> exact = {{0x0001, Filler(1020, 5)}, {0x0002, Filler(1020, 6)}};
  ASSERT_EQ(Join(exact).size(), 2048u);
  EXPECT_EQ(ReadRecords(Join(exact)), exact);

  // A stream cut inside a record's data or header delivers what came before, nothing after.
  const std::string cut_data = Join(exact) + Record(0x0003, Filler(40, 7)).substr(0, 20);
  EXPECT_EQ(ReadRecords(cut_data), exact);
  const std::string cut_header = Join(exact).substr(0, 1024) + Record(0x0004, "").substr(0, 3);
  EXPECT_EQ(ReadRecords(cut_header).size(), 1u);
  // A zero record id ends the reading even with data after it.
  EXPECT_EQ(ReadRecords(Record(0x0005, "ab") + Record(0, "") + Record(0x0006, "cd")).size(), 1u);
}

TEST(BIFFStream, RecordsAcrossTheReadBuffer) {
  // The stream is read in parts of TBIFFStream::kBufferSize bytes: records cross the ends of
  // the first two parts with their data, then with their header split.
  const std::size_t part = TBIFFStream::kBufferSize;
  std::vector<Rec> recs;
  std::size_t size = 0;
  auto add = [&](int id, std::size_t data) {
    recs.push_back({id, Filler(data, static_cast<int>(recs.size()))});
    size += 4 + data;
  };
  while (size + 8224 < part) add(0x00FC, 8220);
  add(0x0203, part - size - 4 + 100);  // data across the first end
  while (size + 8224 < 2 * part - 2) add(0x00FD, 8220);
  add(0x0204, 2 * part - 2 - size - 4);
  add(0x0205, 50);  // header across the second end
  add(0x000A, 0);
  ASSERT_EQ(size, Join(recs).size());
  EXPECT_EQ(ReadRecords(Join(recs)), recs);
}

TEST(BIFFStream, Rc4MatchesPublishedVectors) {
  const struct {
    const char* key;
    const char* plain;
    const char* cipher_hex;
  } cases[] = {{"Key", "Plaintext", "bbf316e8d940af0ad3"},
               {"Wiki", "pedia", "1021bf0420"},
               {"Secret", "Attack at dawn", "45a01f645fc35b383552544b9bf5"}};
  for (const auto& c : cases) {
    TRC4Key key;
    RC4Init(key, reinterpret_cast<const std::uint8_t*>(c.key), std::strlen(c.key));
    std::string out(std::strlen(c.plain), '\0');
    RC4Crypt(key, reinterpret_cast<const std::uint8_t*>(c.plain),
             reinterpret_cast<std::uint8_t*>(out.data()), out.size());
    std::string hex;
    for (unsigned char ch : out) hex += "0123456789abcdef"[ch >> 4], hex += "0123456789abcdef"[ch & 15];
    EXPECT_EQ(hex, c.cipher_hex) << c.key;
  }
}

// Enciphers record data with the keystream of each 1024-byte block, leaving the first `plain`
// bytes of the stream, every header and the records that stay plain as they are.
std::string Encipher(const std::string& stream, std::size_t plain, const TMD5Digest& digest) {
  std::string keystream;
  for (std::uint32_t block = 0; block * 1024 < stream.size(); ++block) {
    const TMD5Digest k = RC4BlockKey(digest, block);
    TRC4Key key;
    RC4Init(key, reinterpret_cast<const std::uint8_t*>(&k), 16);
    std::string zeros(1024, '\0');
    RC4Crypt(key, reinterpret_cast<const std::uint8_t*>(zeros.data()),
             reinterpret_cast<std::uint8_t*>(zeros.data()), 1024);
    keystream += zeros;
  }
  std::string out = stream;
  for (std::size_t at = plain; at + 4 <= stream.size();) {
    const int id = static_cast<std::uint8_t>(stream[at]) | (static_cast<std::uint8_t>(stream[at + 1]) << 8);
    const std::size_t size = static_cast<std::uint8_t>(stream[at + 2]) | (static_cast<std::uint8_t>(stream[at + 3]) << 8);
    const std::size_t from = id == 0x0809 ? size : id == 0x0085 ? 4 : 0;
    for (std::size_t i = from; i < size; ++i) out[at + 4 + i] ^= keystream[at + 4 + i];
    at += 4 + size;
  }
  return out;
}

TEST(BIFFStream, DecryptionUsesTheKeystreamOfEachBlock) {
  TMD5Digest digest;
  std::memcpy(&digest, "0123456789abcdef", 16);
  const std::vector<Rec> head = {{0x0809, Filler(16, 1)}, {0x002F, Filler(54, 2)}};
  std::vector<Rec> body = {{0x0042, Filler(2, 3)}, {0x0085, Filler(18, 4)},
                           {0x00FC, Filler(1024 - 4 - 16 - 4 - 54 - 4 - 2 - 4 - 18 - 4 - 2, 5)},
                           {0x00FD, Filler(1500, 6)}, {0x0809, Filler(16, 7)}, {0x0203, ""},
                           {0x0204, Filler(10, 8)}};
  const std::string plain = Join(head) + Join(body);
  ASSERT_EQ(Join(head).size() + Join({body[0], body[1], body[2]}).size(), 1022u);  // header split
  const std::string enciphered = Encipher(plain, Join(head).size(), digest);
  std::vector<Rec> want = head;
  want.insert(want.end(), body.begin(), body.end());
  EXPECT_EQ(ReadRecords(enciphered, [&](TBIFFStream& s) {
              if (s.BIFFRecord().RecNum == 0x002F) s.SetBIFF8Encryption(digest);
            }),
            want);
}

TEST(BIFFStream, DecryptionAcrossTheReadBuffer) {
  TMD5Digest digest;
  std::memcpy(&digest, "fedcba9876543210", 16);
  const std::vector<Rec> head = {{0x0809, Filler(16, 1)}, {0x002F, Filler(54, 2)}};
  std::vector<Rec> body;
  std::size_t size = Join(head).size();
  const std::size_t part = TBIFFStream::kBufferSize;
  // Enciphered records, BOUNDSHEET and BOF (partly and wholly plain) around both ends.
  for (std::size_t i = 0; size < 2 * part + 5000; ++i) {
    const int id = i % 7 == 3 ? 0x0085 : i % 11 == 5 ? 0x0809 : 0x00FC;
    body.push_back({id, Filler(1000 + i % 900, static_cast<int>(i))});
    size += 4 + body.back().data.size();
  }
  const std::string plain = Join(head) + Join(body);
  std::vector<Rec> want = head;
  want.insert(want.end(), body.begin(), body.end());
  EXPECT_EQ(ReadRecords(Encipher(plain, Join(head).size(), digest), [&](TBIFFStream& s) {
              if (s.BIFFRecord().RecNum == 0x002F) s.SetBIFF8Encryption(digest);
            }),
            want);
}

// The whole "Workbook" stream of a corpus file.
std::string WorkbookBytes(const std::string& name) {
  TCFile file(cfCreateFromFile, Utf8ToUtf16(kCorpus + name));
  auto& stream = static_cast<TCFileStream&>(*file.Root().FindItem("Workbook"));
  std::string bytes(stream.Size(), '\0');
  stream.Read(bytes.data(), stream.Size());
  return bytes;
}

// The records of a protected corpus workbook, deciphered with `password` when it verifies.
std::vector<Rec> ReadProtected(const std::string& name, std::u16string_view password, bool& verified) {
  TCFile file(cfCreateFromFile, Utf8ToUtf16(kCorpus + name));
  TBIFFStream biff(static_cast<TCFileStream*>(file.Root().FindItem("Workbook")));
  biff.Reset();
  std::vector<Rec> out;
  verified = false;
  while (biff.ReadBIFFRecord()) {
    TBIFFRecord& r = biff.BIFFRecord();
    const std::uint8_t* d = r.DataStream().Data();
    out.push_back({r.RecNum, std::string(reinterpret_cast<const char*>(d), r.Size)});
    if (r.RecNum != 0x002F || r.Size != 54) continue;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(d), 6), std::string("\1\0\1\0\1\0", 6));
    const TMD5Digest digest = RC4PasswordDigest(password, d + 6);
    verified = RC4VerifyPassword(digest, d + 22, d + 38);
    if (verified) biff.SetBIFF8Encryption(digest);
  }
  return out;
}

TEST(BIFFStream, ProtectedCorpusWorkbooksDecipherToThePlainOne) {
  const std::vector<Rec> plain = ReadRecords(WorkbookBytes("pricelist_lo.xls"));
  ASSERT_GT(plain.size(), 1000u);
  const struct {
    const char* file;
    std::u16string_view right, wrong;
  } cases[] = {{"pricelist_lo_protected.xls", kRC4DefaultPassword, u"secret"},
               {"pricelist_lo_password.xls", u"secret", kRC4DefaultPassword}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    bool verified = true;
    ReadProtected(c.file, c.wrong, verified);
    EXPECT_FALSE(verified);
    std::vector<Rec> recs = ReadProtected(c.file, c.right, verified);
    ASSERT_TRUE(verified);
    // Leave out the protection records the plain file lacks; EXTSST and the sheet position of
    // BOUNDSHEET hold stream offsets, which differ between the files.
    std::erase_if(recs, [](const Rec& r) {
      return r.id == 0x002F || r.id == 0x0012 || r.id == 0x0013 || r.id == 0x0019;
    });
    ASSERT_EQ(recs.size(), plain.size());
    for (std::size_t i = 0; i < recs.size(); ++i) {
      ASSERT_EQ(recs[i].id, plain[i].id) << i;
      if (recs[i].id == 0x00FF) continue;
      if (recs[i].id == 0x0085) {
        EXPECT_EQ(recs[i].data.substr(4), plain[i].data.substr(4));
        EXPECT_LT(GetU32(recs[i].data, 0), 60000u);
        continue;
      }
      EXPECT_EQ(recs[i].data, plain[i].data) << "record " << i << " id " << recs[i].id;
    }
  }
}

TEST(BIFFStrings, TheThreeWaysOfEightBitText) {
  const std::string bytes = "\xCF\xF0\xE0\xE9\xF1";  // "Прайс" in Windows-1251
  EXPECT_EQ(CodePageToText(bytes + std::string("\0tail", 5), 1251), u"Прайс");
  EXPECT_EQ(CodePageToText(bytes, 1252), u"Ïðàéñ");
  EXPECT_EQ(WidenBytes(bytes), u"\u00CF\u00F0\u00E0\u00E9\u00F1");
  const std::uint8_t utf16[] = {0x1F, 0x04, 0x41, 0x00};
  EXPECT_EQ(Utf16LEToText(utf16, 2), u"ПA");
}

}  // namespace

namespace {

TEST(BIFFStream, EveryCorpusWorkbookEndsWithItsEofRecord) {
  const char* const files[] = {"65536-rows-xls.xls", "ErrorTypes.xls", "Formate.xls", "LONumbers.xls",
                               "RkNumber.xls", "blanks.xls", "comments_stress_test.xls",
                               "formula_stress_test.xls", "merge_cells.xls", "pricelist_gnumeric.xls",
                               "pricelist_lo.xls", "pricelist_lo_password.xls", "pricelist_xlwt.xls",
                               "rich_text_stress.xls", "wps_image.xls", "dates_1904.xls"};
  for (const char* name : files) {
    SCOPED_TRACE(name);
    TCFile file(cfCreateFromFile, Utf8ToUtf16(kCorpus + name));
    auto& stream = static_cast<TCFileStream&>(*file.Root().FindItem("Workbook"));
    TBIFFStream biff(&stream);
    biff.Reset();
    int records = 0, bofs = 0, last = -1;
    std::int64_t bytes = 0;
    while (biff.ReadBIFFRecord()) {
      ++records;
      last = biff.BIFFRecord().RecNum;
      bofs += last == 0x0809;
      bytes += 4 + biff.BIFFRecord().Size;
    }
    EXPECT_GT(records, 20);
    EXPECT_GE(bofs, 2);  // the globals and at least one sheet
    EXPECT_EQ(last, 0x000A);
    EXPECT_LE(bytes, stream.Size());
    // Progress moves in whole blocks: the end of the last block loaded.
    EXPECT_TRUE(biff.Position() % 1024 == 0 || biff.Position() == stream.Size()) << biff.Position();
  }
}

}  // namespace
