// The exception base class, UTF conversions, message formatting, text lines, Base64,
// components and the executable's folder.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base64.h"
#include "platform/component.h"
#include "platform/exception.h"
#include "platform/executable_folder.h"
#include "platform/format.h"
#include "platform/text_lines.h"
#include "platform/utf.h"

namespace {

TEST(ExceptionTest, CarriesUtf16AndGivesUtf8) {
  const Exception e(u"Ошибка создания файла");
  EXPECT_EQ(e.Message(), u"Ошибка создания файла");
  EXPECT_STREQ(e.what(), "Ошибка создания файла");
  EXPECT_EQ(Exception("Прайс").Message(), u"Прайс");
}

TEST(UtfTest, ConvertsBothWaysAndReplacesMalformedInput) {
  const std::u16string text = u"Прайс € 😀";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(u"Я"), "\xD0\xAF");
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("\xD0"), u"\uFFFD");           // cut sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD");       // overlong
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, 0xD800)), "\xEF\xBF\xBD");
}

TEST(FormatTest, FillsIntegersAndTexts) {
  EXPECT_EQ(Format(u"List index out of bounds (%d)", {5}), u"List index out of bounds (5)");
  EXPECT_EQ(Format(u"%.5d|%5d|%-4d|%.5d", {10001, 42, 7, -42}), u"10001|   42|7   |-00042");
  EXPECT_EQ(Format(u"%s=%x %u%%", {u"код", 255, -1}), u"код=FF 4294967295%");
  EXPECT_EQ(Format(u"[%.2s]", {u"abc"}), u"[ab]");
}

TEST(FormatTest, RefusesMismatchedArguments) {
  EXPECT_THROW(Format(u"%d %d", {1}), EConvertError);
  EXPECT_THROW(Format(u"%d", {u"text"}), EConvertError);
  EXPECT_THROW(Format(u"%s", {1}), EConvertError);
  EXPECT_THROW(Format(u"%q", {1}), EConvertError);
  EXPECT_THROW(Format(u"100%", {}), EConvertError);
}

// Counts destructions so the test can see the owner free what it owns.
struct Probe : TComponent {
  Probe(TComponent* owner, int* freed) : TComponent(owner), freed(freed) {}
  ~Probe() override { ++*freed; }
  int* freed;
};

TEST(TextLinesTest, SplitsAtEveryKindOfLineBreakAndJoins) {
  using Lines = std::vector<std::u16string>;
  EXPECT_EQ(SplitLines(u""), Lines{});
  EXPECT_EQ(SplitLines(u"a"), Lines{u"a"});
  EXPECT_EQ(SplitLines(u"a\r\nb\rc\nd"), (Lines{u"a", u"b", u"c", u"d"}));
  EXPECT_EQ(SplitLines(u"a\r\n"), Lines{u"a"});  // a break at the end starts no line
  EXPECT_EQ(SplitLines(u"a\n\r\n\nb"), (Lines{u"a", u"", u"", u"b"}));
  EXPECT_EQ(SplitLines(u"\r\n"), Lines{u""});
  EXPECT_EQ(JoinLines({u"a", u"", u"b"}, u"\r\n"), u"a\r\n\r\nb");
  EXPECT_EQ(Trim(u" \t a b\r\n"), u"a b");
  EXPECT_EQ(Trim(u"  "), u"");
}

TEST(Base64Test, EncodesWithPadding) {
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("f"), "Zg==");
  EXPECT_EQ(Base64("fo"), "Zm8=");
  EXPECT_EQ(Base64("foo"), "Zm9v");
  EXPECT_EQ(Base64("user:secret"), "dXNlcjpzZWNyZXQ=");
  EXPECT_EQ(Base64(std::string("\xFF\0", 2)), "/wA=");
}

TEST(ComponentTest, OwnerFreesWhatItOwns) {
  int freed = 0;
  auto* owner = new Probe(nullptr, &freed);
  new Probe(owner, &freed);
  auto* early = new Probe(owner, &freed);
  delete early;  // leaves the owner's list
  EXPECT_EQ(freed, 1);
  delete owner;
  EXPECT_EQ(freed, 3);
}

TEST(ExecutableFolderTest, IsTheTestBinarysFolder) {
  const std::string folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "tarvo_platform_tests"));
}

}  // namespace
