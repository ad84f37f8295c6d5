#include "upload/clHttpRequest.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/utf.h"

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::u16string>;

// The worked example's moment: 8 December, 21:53:07.123.
const DecodedDateTime kExampleMoment{2026, 12, 8, 21, 53, 7, 123, 3};
const std::string kExampleBoundary = "---------------------------0C081535077B";

// Reads a whole stream from its start in blocks, as the upload worker does.
std::string ReadInBlocks(TStream& stream, std::int64_t block = 8192) {
  std::string out;
  std::string buffer(static_cast<size_t>(block), '\0');
  for (std::int64_t position = 0; position < stream.Size();) {
    stream.SetPosition(position);
    const std::int64_t n = stream.Read(buffer.data(), block);
    if (n == 0) break;
    out.append(buffer, 0, static_cast<size_t>(n));
    position += n;
  }
  return out;
}

// One part of a multipart/form-data body (RFC 7578, RFC 2046).
struct Part {
  std::map<std::string, std::string> headers;  // by name as written
  std::string content;
  // A header's value; empty when the part has none of that name.
  std::string Header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? "" : found->second;
  }
};

// Splits a multipart body into its parts; a malformed body fails the test. The body must begin
// with its first boundary line (no preamble) and end with the closing one (no epilogue).
std::vector<Part> ParseMultipart(const std::string& body, const std::string& boundary) {
  const std::string delimiter = "\r\n--" + boundary;
  const std::string text = "\r\n" + body;  // the first delimiter lacks its line break
  std::vector<Part> parts;
  if (text.compare(0, delimiter.size(), delimiter) != 0) {
    ADD_FAILURE() << "no boundary line at the start";
    return parts;
  }
  size_t position = delimiter.size();
  while (text.compare(position, 2, "--") != 0) {
    if (text.compare(position, 2, "\r\n") != 0) {
      ADD_FAILURE() << "boundary line not ended at " << position;
      return parts;
    }
    position += 2;
    const size_t next = text.find(delimiter, position);
    if (next == std::string::npos) {
      ADD_FAILURE() << "no closing boundary";
      return parts;
    }
    const std::string whole = text.substr(position, next - position);
    const size_t end_of_headers = whole.find("\r\n\r\n");
    if (end_of_headers == std::string::npos) {
      ADD_FAILURE() << "a part without its empty line";
      return parts;
    }
    Part part;
    for (size_t line = 0; line < end_of_headers + 2;) {
      const size_t eol = whole.find("\r\n", line);
      const std::string field = whole.substr(line, eol - line);
      const size_t colon = field.find(": ");
      part.headers[field.substr(0, colon)] = field.substr(colon + 2);
      line = eol + 2;
    }
    part.content = whole.substr(end_of_headers + 4);
    parts.push_back(part);
    position = next + delimiter.size();
  }
  EXPECT_EQ(text.substr(position), "--\r\n") << "an epilogue after the closing boundary";
  return parts;
}

// A quoted parameter of a Content-Disposition value ("; name=" is told from "; filename=").
std::string Param(const std::string& disposition, const std::string& name) {
  const std::string key = "; " + name + "=\"";
  const size_t start = disposition.find(key);
  if (start == std::string::npos) return "<none>";
  const size_t from = start + key.size();
  return disposition.substr(from, disposition.find('"', from) - from);
}

std::string PartHeader(const std::string& field, const std::string& file) {
  return "Content-Disposition: form-data; name=\"" + field + "\"; filename=\"" + file +
         "\"\r\nContent-Type: application/octet-stream\r\n\r\n";
}

class HttpRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("tarvo_request_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_ / "sub dir");
    request_.BoundaryClock = [this] {
      ++clock_reads_;
      DecodedDateTime moment = kExampleMoment;
      moment.second = clock_reads_ - 1;  // every read a later moment
      return moment;
    };
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string MakeFile(const std::string& name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Checks that the body, TotalSize and Content-Length agree, and returns the body.
  std::string Body() {
    const Lines lines = request_.HeaderSource();
    std::unique_ptr<TclMultiStream> stream = request_.RequestStream();
    EXPECT_EQ(stream->Position(), 0);
    const std::string body = ReadInBlocks(*stream, 7);
    EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(body.size()));
    EXPECT_EQ(request_.TotalSize(), stream->Size());
    EXPECT_EQ(request_.Header()->ContentLength(),
              body.empty() ? u"" : Utf8ToUtf16(std::to_string(body.size())));
    return body;
  }
  std::string Boundary() const { return Utf16ToUtf8(request_.Header()->Boundary()); }
  // The parts of the body, split on the boundary that the body took.
  std::vector<Part> Parts() {
    const std::string body = Body();
    return ParseMultipart(body, Boundary());
  }

  std::filesystem::path dir_;
  TclHttpRequest request_{nullptr};
  int clock_reads_ = 0;  // how often a boundary took the time
};

TEST_F(HttpRequestTest, AgentUploadBodyAndHeaderLines) {
  const std::string html = "<html>\0\r\n--\xC0\xFF</html>"s;  // zero bytes stay
  const std::string path = MakeFile("sub dir/output.html", html);
  request_.BoundaryClock = [] { return kExampleMoment; };
  request_.Clear();
  request_.AddSubmitFile(u"filename", Utf8ToUtf16(path));

  std::unique_ptr<TclMultiStream> stream = request_.RequestStream();
  const Lines lines = request_.HeaderSource();
  const std::string body = ReadInBlocks(*stream);
  const std::string expected = "--" + kExampleBoundary + "\r\n" +
                               PartHeader("filename", "output.html") + html + "\r\n--" +
                               kExampleBoundary + "--\r\n";
  EXPECT_EQ(body, expected);
  EXPECT_EQ(lines, (Lines{u"Accept: */*",
                          u"Content-Length: " + Utf8ToUtf16(std::to_string(expected.size())),
                          u"Content-Type: multipart/form-data; boundary=" +
                              Utf8ToUtf16(kExampleBoundary)}));
  EXPECT_EQ(request_.TotalSize(), static_cast<std::int64_t>(expected.size()));

  const std::vector<Part> parts = ParseMultipart(body, kExampleBoundary);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(Param(parts[0].Header("Content-Disposition"), "name"), "filename");
  EXPECT_EQ(Param(parts[0].Header("Content-Disposition"), "filename"), "output.html");
  EXPECT_EQ(parts[0].Header("Content-Type"), "application/octet-stream");
  EXPECT_EQ(parts[0].content, html);

  // The stream holds the file open on its own: the request may change meanwhile.
  request_.Clear();
  stream->SetPosition(0);
  EXPECT_EQ(ReadInBlocks(*stream, 5), expected);
}

TEST_F(HttpRequestTest, BoundaryIsMadeFromTheMoment) {
  struct Case {
    DecodedDateTime moment;
    std::u16string boundary;
  };
  const Case cases[] = {
      {kExampleMoment, u"---------------------------0C081535077B"},
      // A millisecond of three hex digits keeps only the first two.
      {{2027, 1, 2, 3, 4, 5, 999, 7}, u"---------------------------0102030405" u"3E"},
      {{2027, 10, 31, 0, 0, 0, 0, 1}, u"---------------------------0A1F00000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TclMakeBoundary(c.moment), c.boundary);
    EXPECT_EQ(c.boundary.size(), 39u);
  }
}

TEST_F(HttpRequestTest, ZeroByteFileMakesTheSmallestBody) {
  // The part header names the file in the system code page.
  request_.AddSubmitFile(u"filename", Utf8ToUtf16(MakeFile("sub dir/пусто.html", "")));
  const std::string body = Body();
  const std::string header = PartHeader("filename", WideToMultiByte(u"пусто.html"));
  EXPECT_EQ(body.size(), 45 + header.size() + 45);
  EXPECT_EQ(body.substr(43, header.size()), header);
  EXPECT_EQ(Boundary().size(), 39u);
  EXPECT_EQ(request_.HeaderSource()[1],
            u"Content-Length: " + Utf8ToUtf16(std::to_string(body.size())));
  const std::vector<Part> parts = ParseMultipart(body, Boundary());
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].content, "");
}

TEST_F(HttpRequestTest, ReadsOfOneBodyShareABoundaryAndAnEditMakesANewOne) {
  request_.AddSubmitFile(u"filename", Utf8ToUtf16(MakeFile("a.html", "a")));
  const Lines first = request_.HeaderSource();
  const std::u16string boundary = request_.Header()->Boundary();
  EXPECT_EQ(request_.HeaderSource(), first);
  const std::string body = ReadInBlocks(*request_.RequestStream());
  EXPECT_EQ(body.substr(2, 39), Utf16ToUtf8(boundary));
  EXPECT_EQ(clock_reads_, 1);

  // Any edit, even of one header field, makes the next use take the time anew.
  request_.Header()->SetUserAgent(u"agent");
  EXPECT_EQ(request_.Header()->Boundary(), u"");
  const std::unique_ptr<TclMultiStream> stream = request_.RequestStream();  // stream first
  const Lines second = request_.HeaderSource();                            // then lines
  EXPECT_EQ(clock_reads_, 2);
  EXPECT_NE(request_.Header()->Boundary(), boundary);
  EXPECT_EQ(second.back(), u"Content-Type: multipart/form-data; boundary=" +
                               request_.Header()->Boundary());
  EXPECT_EQ(ReadInBlocks(*stream).substr(2, 39), Boundary());

  request_.Clear();
  request_.AddSubmitFile(u"filename", Utf8ToUtf16(MakeFile("b.html", "b")));
  request_.HeaderSource();
  EXPECT_EQ(clock_reads_, 3);
}

TEST_F(HttpRequestTest, ClearThenAddSubmitFileGivesAMultipartRequest) {
  request_.AddFormField(u"a", u"1");
  request_.Header()->SetAccept(u"text/html");
  request_.Header()->SetCharSet(u"utf-8");
  request_.Clear();
  EXPECT_EQ(request_.Count(), 0);
  EXPECT_EQ(request_.Header()->Accept(), u"*/*");
  EXPECT_EQ(request_.Header()->ContentType(), u"");
  EXPECT_EQ(request_.Header()->CharSet(), u"");

  auto* item = request_.AddSubmitFile(u"filename", u"/x/output.html");
  EXPECT_EQ(request_.Count(), 1);
  EXPECT_EQ(request_.Items(0), item);
  EXPECT_EQ(item->FieldName(), u"filename");
  EXPECT_EQ(item->FileName(), u"/x/output.html");
  EXPECT_EQ(item->ContentType(), u"application/octet-stream");
  EXPECT_EQ(request_.Header()->ContentType(), u"multipart/form-data");
  EXPECT_EQ(request_.Header()->Accept(), u"*/*");
}

TEST_F(HttpRequestTest, EmptyRequestHasNoBodyAndNoBodyHeaders) {
  EXPECT_EQ(request_.Header()->ContentType(), u"");
  EXPECT_EQ(Body(), "");
  EXPECT_EQ(request_.TotalSize(), 0);
  EXPECT_EQ(request_.HeaderSource(), Lines{u"Accept: */*"});
  EXPECT_EQ(request_.Header()->Boundary(), u"");
}

TEST_F(HttpRequestTest, ContentTypeFollowsTheKindsOfItems) {
  request_.AddFormField(u"user", u"Иван Петров");
  request_.AddFormField(u"q&a", u"1+1=2");
  EXPECT_EQ(request_.Header()->ContentType(), u"application/x-www-form-urlencoded");
  EXPECT_EQ(Body(), "user=%D0%98%D0%B2%D0%B0%D0%BD+%D0%9F%D0%B5%D1%82%D1%80%D0%BE%D0%B2"
                    "&q%26a=1%2B1%3D2");
  EXPECT_EQ(request_.HeaderSource(),
            (Lines{u"Accept: */*", u"Content-Length: 82",
                   u"Content-Type: application/x-www-form-urlencoded"}));

  request_.Items(1)->SetCanonicalized(false);  // taken as it is, in the system code page
  EXPECT_EQ(Body().substr(66), "&q&a=1+1=2");

  // One file switches the body to multipart at once, and back when it leaves.
  auto* file = request_.AddSubmitFile(u"f", Utf8ToUtf16(MakeFile("f.txt", "F")));
  EXPECT_EQ(request_.Header()->ContentType(), u"multipart/form-data");
  EXPECT_EQ(Parts().size(), 3u);
  delete file;
  EXPECT_EQ(request_.Count(), 2);
  EXPECT_EQ(request_.Header()->ContentType(), u"application/x-www-form-urlencoded");
  EXPECT_EQ(request_.Header()->Boundary(), u"");
  request_.HeaderSource();
  EXPECT_EQ(request_.Header()->Boundary(), u"");  // no boundary outside multipart

  // Text among the fields leaves no known form: the items follow each other as they are.
  request_.AddTextData(u"<t>");
  EXPECT_EQ(request_.Header()->ContentType(), u"");
  request_.Items(1)->SetCanonicalized(true);
  EXPECT_EQ(Body(), WideToMultiByte(u"user=Иван Петровq&a=1+1=2<t>"));
}

TEST_F(HttpRequestTest, MultipartBodyOfEveryKindOfItem) {
  // Text and raw data carry their part headers themselves.
  const std::string raw = "Content-Disposition: form-data; name=\"raw\"\r\n\r\n\0\x01\r\n"s;
  request_.AddFormField(u"name", u"Жук");
  request_.AddSubmitFile(u"doc", Utf8ToUtf16(MakeFile("sub dir/report.bin", "R\0R"s)));
  request_.AddTextData(u"Content-Disposition: form-data; name=\"t\"\r\n\r\nтекст");
  TclBinaryRequestItem* binary = request_.AddBinaryData();
  TclSubmitFileRequestItem* supplied =
      request_.AddSubmitFile(u"mem", u"C:\\prices\\virtual.html");  // no such file is needed
  supplied->SetContentType(u"text/html");
  request_.OnLoadData = [&](TclHttpRequest* sender, TclHttpRequestItem* item,
                            std::unique_ptr<TStream>& stream) {
    EXPECT_EQ(sender, &request_);
    if (item == binary) stream = std::make_unique<TMemoryStream>(raw);
    if (item == supplied) stream = std::make_unique<TMemoryStream>("virtual"s);
  };

  struct Expected {
    std::string name, filename, type, content;
  };
  const auto check = [&](const std::vector<Expected>& expected) {
    const std::vector<Part> parts = Parts();
    ASSERT_EQ(parts.size(), expected.size());
    for (size_t i = 0; i < parts.size(); ++i) {
      const Part& part = parts[i];
      EXPECT_EQ(Param(part.Header("Content-Disposition"), "name"), expected[i].name) << i;
      EXPECT_EQ(Param(part.Header("Content-Disposition"), "filename"), expected[i].filename);
      EXPECT_EQ(part.Header("Content-Type"), expected[i].type);
      EXPECT_EQ(part.content, expected[i].content) << i;
    }
  };
  // Form fields and text take the system code page unless the character set is UTF-8.
  check({{"name", "<none>", "", WideToMultiByte(u"Жук")},
         {"doc", "report.bin", "application/octet-stream", "R\0R"s},
         {"t", "<none>", "", WideToMultiByte(u"текст")},
         {"raw", "<none>", "", "\0\x01\r\n"s},
         {"mem", "virtual.html", "text/html", "virtual"}});
  request_.Header()->SetCharSet(u"UTF-8");
  check({{"name", "<none>", "", "Жук"},
         {"doc", "report.bin", "application/octet-stream", "R\0R"s},
         {"t", "<none>", "", "текст"},
         {"raw", "<none>", "", "\0\x01\r\n"s},
         {"mem", "virtual.html", "text/html", "virtual"}});
  EXPECT_EQ(request_.HeaderSource().back(), u"Content-Type: multipart/form-data; boundary=" +
                                                request_.Header()->Boundary() +
                                                u"; charset=UTF-8");

  // Moving an item reorders the body.
  request_.Move(4, 0);
  EXPECT_EQ(request_.Items(0), supplied);
  EXPECT_EQ(Parts()[0].content, "virtual");
  EXPECT_THROW(request_.Move(0, 5), Exception);
}

TEST_F(HttpRequestTest, UnopenableFileRaisesAnErrorNamingIt) {
  const std::string path = (dir_ / "gone.html").string();
  request_.AddSubmitFile(u"filename", Utf8ToUtf16(path));
  const std::string message = "Cannot open file \"" + path + "\". No such file or directory";
  const auto expect_error = [&](const std::function<void()>& read) {
    try {
      read();
      ADD_FAILURE() << "no error";
    } catch (const EFOpenError& e) {
      EXPECT_EQ(e.what(), message);
    }
  };
  expect_error([&] { request_.RequestStream(); });
  expect_error([&] { request_.TotalSize(); });
  expect_error([&] { request_.HeaderSource(); });

  // Nothing is left half done: once the file is there, the same request reads normally.
  MakeFile("gone.html", "now");
  const std::string body = Body();
  EXPECT_EQ(ParseMultipart(body, Boundary())[0].content, "now");

  // A directory is no file to send.
  request_.Delete(0);
  EXPECT_EQ(request_.Count(), 0);
  request_.AddSubmitFile(u"filename", Utf8ToUtf16(dir_.string()));
  EXPECT_THROW(request_.RequestStream(), EFOpenError);
}

TEST_F(HttpRequestTest, EditsAreReportedOnceAChange) {
  int changes = 0;
  request_.OnChanged = [&](TclHttpRequest* sender) {
    EXPECT_EQ(sender, &request_);
    ++changes;
  };
  auto* file = request_.AddSubmitFile(u"filename", u"a.html");
  EXPECT_EQ(changes, 1);
  file->SetFileName(u"a.html");  // the same value is no change
  file->Tag = 7;  // free for the caller: no change
  EXPECT_EQ(changes, 1);
  file->SetFileName(u"b.html");
  request_.Header()->SetHost(u"example");
  EXPECT_EQ(changes, 3);

  request_.BeginUpdate();
  request_.BeginUpdate();
  request_.AddFormField(u"a", u"1");
  file->SetContentType(u"text/html");
  request_.Header()->SetReferer(u"r");
  request_.EndUpdate();
  EXPECT_EQ(changes, 3);
  request_.EndUpdate();
  EXPECT_EQ(changes, 4);
  request_.EndUpdate();  // without an open bracket: nothing
  EXPECT_EQ(changes, 4);

  request_.Clear();
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(request_.Header()->Host(), u"");
}

TEST_F(HttpRequestTest, ItemsMoveBetweenRequestsAndLeaveWhenDestroyed) {
  auto* other = new TclHttpRequest(nullptr);
  auto* field = request_.AddFormField(u"a", u"1");
  auto* file = request_.AddSubmitFile(u"f", u"x");
  EXPECT_EQ(request_.Header()->ContentType(), u"multipart/form-data");

  file->SetOwner(other);
  EXPECT_EQ(file->Owner(), other);
  EXPECT_EQ(request_.Count(), 1);
  EXPECT_EQ(other->Count(), 1);
  EXPECT_EQ(request_.Header()->ContentType(), u"application/x-www-form-urlencoded");
  EXPECT_EQ(other->Header()->ContentType(), u"multipart/form-data");

  other->Add(field);
  EXPECT_EQ(other->Items(1), field);
  EXPECT_EQ(request_.Header()->ContentType(), u"");
  other->Delete(0);
  EXPECT_EQ(other->Count(), 1);
  try {
    other->Items(5);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }

  // A request frees its items; a detached item belongs to its creator.
  auto* loose = new TclTextRequestItem();
  loose->SetTextData(u"t");
  EXPECT_EQ(loose->Owner(), nullptr);
  delete other;
  delete loose;

  // An owner frees the request.
  TComponent owner(nullptr);
  (new TclHttpRequest(&owner))->AddTextData(u"x");
}

}  // namespace
