#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tools/service/multipart_reader.h"

using ::testing::ElementsAre;
using ::testing::Pair;

namespace {

using Parts = std::vector<std::pair<std::string, std::string>>;

// The parts of `body` as the reader hands them on when the body arrives in pieces of `step`;
// "(malformed)" or "(unfinished)" as the last part when it is so.
Parts ReadParts(std::string_view body, std::size_t step, std::string_view boundary = "XyZ") {
  Parts parts;
  MultipartReader reader(boundary, {[&](std::string_view field) { parts.emplace_back(field, ""); },
                                    [&](const char* data, std::size_t size) {
                                      parts.back().second.append(data, size);
                                    }});
  for (std::size_t at = 0; at < body.size(); at += step) {
    if (!reader.Feed(body.data() + at, std::min(step, body.size() - at))) {
      parts.emplace_back("(malformed)", "");
      return parts;
    }
  }
  if (!reader.Finished()) parts.emplace_back("(unfinished)", "");
  return parts;
}

}  // namespace

TEST(MultipartReader, HandsOnEachPartWhateverItsBytesAndPieces) {
  // Lines that begin like a boundary line, and an end that begins like one.
  const std::string awkward = std::string("a\r\n--Xy\r\n\r\n--\r\n\r\r\n--XyY\0\r\n-", 27);
  const std::string body =
      "preamble\r\n--XyZ\r\nContent-Disposition: form-data; name=\"filename\"; "
      "filename=\"a;b.html\"\r\nContent-Type: text/html\r\n\r\n" + awkward +
      "\r\n--XyZ \t\r\ncontent-disposition: FORM-DATA; name=other\r\n\r\n\r\n"
      "\r\n--XyZ\r\n\r\nno headers\r\n--XyZ--\r\nepilogue";
  for (const std::size_t step : {1u, 3u, 7u, 4096u}) {
    SCOPED_TRACE(step);
    EXPECT_THAT(ReadParts(body, step),
                ElementsAre(Pair("filename", awkward), Pair("other", "\r\n"),
                            Pair("", "no headers")));
  }
  EXPECT_THAT(ReadParts("--XyZ\r\n\r\n" + awkward + "\r\n--XyZ--", 5),
              ElementsAre(Pair("", awkward)));
}

TEST(MultipartReader, TellsAMalformedOrUnfinishedBody) {
  const std::string part = "--XyZ\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\ndata";
  EXPECT_THAT(ReadParts(part + "\r\n--XyZ-", 4), ElementsAre(Pair("f", "data"), Pair("(unfinished)", "")));
  EXPECT_THAT(ReadParts(part, 4).back(), Pair("(unfinished)", ""));
  EXPECT_THAT(ReadParts("no boundary at all", 4), ElementsAre(Pair("(unfinished)", "")));
  EXPECT_THAT(ReadParts(part + "\r\n--XyZjunk\r\n", 4),
              ElementsAre(Pair("f", "data"), Pair("(malformed)", "")));
  // A header block without end is refused once it passes 8 KiB.
  EXPECT_THAT(ReadParts("--XyZ\r\nX: " + std::string(9000, 'a'), 512),
              ElementsAre(Pair("(malformed)", "")));
}

TEST(FormDataBoundary, ReadsTheBoundaryOfFormDataOnly) {
  EXPECT_EQ(FormDataBoundary("multipart/form-data; boundary=---0C08"), "---0C08");
  EXPECT_EQ(FormDataBoundary("Multipart/Form-Data;charset=x;BOUNDARY=\"a b;c\""), "a b;c");
  EXPECT_EQ(FormDataBoundary("multipart/form-data; boundary=" + std::string(70, 'b')),
            std::string(70, 'b'));
  EXPECT_EQ(FormDataBoundary("multipart/form-data; boundary=" + std::string(71, 'b')), std::nullopt);
  EXPECT_EQ(FormDataBoundary("multipart/form-data; boundary=\"\""), std::nullopt);
  EXPECT_EQ(FormDataBoundary("multipart/form-data; boundary=\"open"), std::nullopt);
  EXPECT_EQ(FormDataBoundary("multipart/form-data"), std::nullopt);
  EXPECT_EQ(FormDataBoundary("multipart/mixed; boundary=b"), std::nullopt);
  EXPECT_EQ(FormDataBoundary(""), std::nullopt);
}
