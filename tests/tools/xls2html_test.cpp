// The converter program tarvo-xls2html, run as its own process: its exit codes, its messages and
// the HTML it writes for the fixture and for every workbook of the corpus.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/codepage.h"
#include "platform/utf.h"
#include "support/md5.h"
#include "tests/common/html_example.h"
#include "tests/tools/pricelist_workbook.h"
#include "tests/xls/json_lite.h"
#include "tests/xls/xls_test_files.h"
#include "xls/XLSWriterHTML.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

std::string ReadFile(const fs::path& path) { return ReadWholeFile(path.string()); }

// A BIFF8 record: id, length, data.
std::string Record(std::uint16_t id, const std::string& data) {
  std::string record(4, '\0');
  PutU16(record, 0, id);
  PutU16(record, 2, static_cast<std::uint32_t>(data.size()));
  return record + data;
}

std::string Bof(std::uint16_t kind) {
  std::string data(16, '\0');
  PutU16(data, 0, 0x0600);
  PutU16(data, 2, kind);
  return Record(0x0809, data);
}

// A workbook whose sheets "Sheet1" and "Sheet2" hold nothing but, in the second, one number.
std::string WorkbookWithEmptyFirstSheet() {
  auto bound_sheet = [](std::uint32_t at, const std::string& name) {
    std::string data(6, '\0');
    PutU32(data, 0, at);
    data += static_cast<char>(name.size());
    data += '\0';
    return Record(0x0085, data + name);
  };
  const std::string eof = Record(0x000A, "");
  const std::size_t globals = Bof(0x0005).size() + 2 * bound_sheet(0, "Sheet1").size() + eof.size();
  const std::string first = Bof(0x0010) + eof;
  std::string number(14, '\0');
  PutU16(number, 0, 0);  // row
  PutU16(number, 2, 0);  // column
  number[13] = '\x3F';   // 1.0 as a little-endian double: 00 .. 00 F0 3F
  number[12] = '\xF0';
  const std::string second = Bof(0x0010) + Record(0x0203, number) + eof;
  const std::string stream = Bof(0x0005) + bound_sheet(static_cast<std::uint32_t>(globals), "Sheet1") +
                             bound_sheet(static_cast<std::uint32_t>(globals + first.size()), "Sheet2") +
                             eof + first + second;
  return BuildCompoundFile(9, {{u"Workbook", stream}});
}

struct TRun {
  int status = 0;        // the exit code; for a program killed by a signal, minus the signal
  bool timed_out = false;
  std::string out, err;  // standard output and error
};

// Runs the converter with `args`, its output and error going to files in `dir`; a run longer
// than `timeout` is killed and marked.
TRun RunConverter(const std::vector<std::string>& args, const fs::path& dir,
                  std::chrono::seconds timeout = std::chrono::seconds(120)) {
  std::vector<std::string> all = {TARVO_XLS2HTML_BINARY};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string out_path = (dir / "stdout.txt").string(), err_path = (dir / "stderr.txt").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  TRun run;
  if (spawned != 0) {
    run.status = -1000;
    return run;
  }
  int wstatus = 0;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (::waitpid(pid, &wstatus, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &wstatus, 0);
      run.timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -WTERMSIG(wstatus);
  run.out = ReadFile(out_path);
  run.err = ReadFile(err_path);
  return run;
}

class Xls2Html : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tarvo_xls2html_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  TRun Convert(const std::string& in, const fs::path& out) {
    return RunConverter({in, out.string()}, dir_);
  }
  fs::path dir_;
};

TEST_F(Xls2Html, HelpAndWrongArguments) {
  const TRun help = RunConverter({"--help"}, dir_);
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, HasSubstr("usage: tarvo-xls2html IN.xls OUT.html"));
  for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"a.xls"},
                           std::vector<std::string>{"a", "b", "c"}}) {
    const TRun wrong = RunConverter(args, dir_);
    EXPECT_EQ(wrong.status, 1);
    EXPECT_THAT(wrong.err, HasSubstr("usage: tarvo-xls2html"));
  }
}

TEST_F(Xls2Html, ExampleWorkbookGivesTheExampleBytes) {
  const fs::path out = dir_ / "пример.html";
  const TRun run = Convert("../shared/fixtures/html/example.xls", out);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(ReadFile(out), kExampleHtml);
}

TEST_F(Xls2Html, EmptyFirstSheetGivesStatusThreeAndWritesNothing) {
  const fs::path in = dir_ / "empty_first.xls";
  std::ofstream(in, std::ios::binary) << WorkbookWithEmptyFirstSheet();
  const fs::path out = dir_ / "out.html";
  std::ofstream(out, std::ios::binary) << "earlier";
  const TRun run = Convert(in.string(), out);
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_THAT(run.err, HasSubstr("no stored cell"));
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1);
  EXPECT_EQ(ReadFile(out), "earlier");
}

TEST_F(Xls2Html, ErrorsGiveStatusOneWithTheMessageAndLeaveTheOutputAlone) {
  const fs::path out = dir_ / "out.html";
  std::ofstream(out, std::ios::binary) << "earlier";
  const TRun missing = Convert((dir_ / "missing.xls").string(), out);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "Can not open a file (probably it is already opened or does not exist)\n");
  const TRun refused = Convert(kCorpus + "pricelist_lo_password.xls", out);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "Error: file is protected, and password is invalid!\n");
  EXPECT_EQ(ReadFile(out), "earlier");

  const TRun uncreatable = Convert("../shared/fixtures/html/example.xls", dir_ / "no" / "out.html");
  EXPECT_EQ(uncreatable.status, 1);
  EXPECT_THAT(uncreatable.err, HasSubstr("Cannot create file"));

  // A write that fails: the message, and the device named as the output is not removed.
  const TRun full = Convert("../shared/fixtures/html/example.xls", "/dev/full");
  EXPECT_EQ(full.status, 1);
  EXPECT_THAT(full.err, HasSubstr("Stream write error"));
  EXPECT_TRUE(fs::exists("/dev/full"));
}

TEST_F(Xls2Html, FailedWriteLeavesNoHalfFile) {
  // A file size limit of 4000 bytes, inherited by the converter, makes its writes fail midway.
  const fs::path out = dir_ / "out.html";
  rlimit old_limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit limit = old_limit;
  limit.rlim_cur = 4000;
  const auto old_handler = ::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of the process
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  const TRun run = Convert(kCorpus + "pricelist_xlwt.xls", out);
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  ::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("Stream write error"));
  EXPECT_FALSE(fs::exists(out));
}

// What the corpus README asks of a file that xlrd could not open or that we refuse.
const std::map<std::string, std::set<int>> kRefusedOrDamaged = {
    {"biff5_text_and_numbers.xls", {1}},
    {"password_2002_40_972000.xls", {1}},
    {"password_2002_40_basecrypto.xls", {1}},
    {"password_2002_40_xor.xls", {1}},
    {"pricelist_lo_password.xls", {1}},
    {"corrupted_error.xls", {0, 1, 3}},
    {"xls2csv_ole_ole2_fread_327.xls", {0, 1, 3}},
    {"xls2csv_ole_read_MSAT_772.xls", {0, 1, 3}},
    {"xls2csv_ole_read_MSAT_body_637.xls", {0, 1, 3}},
    {"xls2csv_ole_read_MSAT_body_687.xls", {0, 1, 3}},
};

// The contents of the td elements, anchors taken off, and the number of spanning cells.
struct TTable {
  std::multiset<std::string> texts;
  int spans = 0;
};

TTable ReadTable(const std::string& html) {
  TTable table;
  for (std::size_t at = 0; (at = html.find("<td class=", at)) != std::string::npos;) {
    const std::size_t tag_end = html.find('>', at);
    const std::size_t end = html.find("</td>\r\n", tag_end);
    if (tag_end == std::string::npos || end == std::string::npos) break;
    if (html.substr(at, tag_end - at).find(" colspan=") != std::string::npos) ++table.spans;
    std::string text = html.substr(tag_end + 1, end - tag_end - 1);
    if (text.rfind("<a href=", 0) == 0 && text.size() >= 4 && text.compare(text.size() - 4, 4, "</a>") == 0) {
      const std::size_t open_end = text.find("\">");
      text = text.substr(open_end + 2, text.size() - open_end - 2 - 4);
    }
    table.texts.insert(text);
    at = end;
  }
  return table;
}

// A text as the table shows it: every character, in UTF-8.
std::string AsTableText(const std::string& utf8) { return CellTextToHtml(Utf8ToUtf16(utf8)); }

TEST_F(Xls2Html, EveryCorpusWorkbookConvertsOrFailsCleanlyAndShowsWhatXlrdSaw) {
  const JsonValue facts = JsonReader(ReadWholeFile(kCorpus + "xlrd-facts.json")).Read();
  int converted = 0;
  for (const auto& entry : fs::directory_iterator(kCorpus)) {
    if (entry.path().extension() != ".xls") continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const fs::path out = dir_ / (name + ".html");
    const TRun run = Convert(entry.path().string(), out);
    ASSERT_FALSE(run.timed_out);
    ASSERT_GE(run.status, 0) << "killed by signal " << -run.status << "\n" << run.err;

    std::set<int> allowed = {0};
    if (const auto refused = kRefusedOrDamaged.find(name); refused != kRefusedOrDamaged.end())
      allowed = refused->second;
    else if (facts[name].Has("first_sheet") && facts[name]["first_sheet"]["cells_total"].number == 0)
      allowed = {0, 3};  // what xlrd saw holds no value; formatted blanks may still be stored
    EXPECT_TRUE(allowed.count(run.status)) << "status " << run.status << ": " << run.err;
    if (run.status == 1 || run.status == 3) {
      EXPECT_NE(run.err, "");
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
      EXPECT_FALSE(fs::exists(out));
    }
    if (run.status != 0) continue;
    ++converted;
    const std::string html = ReadFile(out);
    EXPECT_EQ(html.rfind("<html>\r\n", 0), 0u);
    EXPECT_EQ(html.substr(html.size() - 7), "</html>");
    if (!facts.Has(name) || !facts[name].Has("first_sheet")) continue;

    const JsonValue& sheet = facts[name]["first_sheet"];
    const TTable table = ReadTable(html);
    EXPECT_EQ(table.spans, static_cast<int>(sheet["merged"].items.size()));
    // Cells that a merged area covers, other than its top-left one, are not written.
    auto covered = [&sheet](int row, int column) {
      for (const JsonValue& m : sheet["merged"].items) {
        const double r0 = m.items[0].number, r1 = m.items[1].number;
        const double c0 = m.items[2].number, c1 = m.items[3].number;
        if (r0 <= row && row < r1 && c0 <= column && column < c1) return row != r0 || column != c0;
      }
      return false;
    };
    for (const JsonValue& cell : sheet["cells"].items) {
      const int row = static_cast<int>(cell.items[0].number);
      const int column = static_cast<int>(cell.items[1].number);
      if (cell.items[2].text != "text" || covered(row, column)) continue;
      const std::string text = AsTableText(cell.items[3].text);
      EXPECT_TRUE(table.texts.count(text))
          << "missing td text «" << text << "» of cell (" << row << ", " << column << ")";
    }
  }
  EXPECT_GE(converted, 25);
}

TEST_F(Xls2Html, XlsxPriceListConvertsLikeTheXlsItWasSavedFrom) {
  const TRun help = RunConverter({"--help"}, dir_);
  EXPECT_THAT(help.out, HasSubstr(".xlsx"));
  const fs::path from_xlsx = dir_ / "xlsx.html", from_xls = dir_ / "xls.html";
  const TRun xlsx = Convert("../shared/corpus-xlsx/lo_pricelist_lo.xlsx", from_xlsx);
  ASSERT_EQ(xlsx.status, 0) << xlsx.err;
  ASSERT_EQ(Convert(kCorpus + "pricelist_lo.xls", from_xls).status, 0);
  EXPECT_EQ(ReadFile(from_xlsx), ReadFile(from_xls));
}

TEST_F(Xls2Html, HostileXlsxFailsWithItsReasonAndLeavesTheOutputAlone) {
  const struct {
    const char* file;
    const char* reason;
  } kCases[] = {
      {"zip_bomb_sheet.xlsx", "inflates beyond"},
      {"poc-xmlbomb.xlsx", "document type declaration"},
      {"protected_passtika.xlsx", "encrypted .xlsx"},
      {"crash-274d6342e4842d61be0fb48eaadad6208ae767ae.xlsx", "zip directory"},
  };
  const fs::path out = dir_ / "out.html";
  std::ofstream(out, std::ios::binary) << "earlier";
  for (const auto& c : kCases) {
    const TRun run = Convert(std::string("../shared/corpus-xlsx/") + c.file, out);
    EXPECT_EQ(run.status, 1) << c.file;
    EXPECT_THAT(run.err, HasSubstr(c.reason)) << c.file;
  }
  EXPECT_EQ(ReadFile(out), "earlier");
}

TEST_F(Xls2Html, ProtectedWorkbookConvertsLikeItsPlainCopy) {
  const TRun plain = Convert(kCorpus + "pricelist_lo.xls", dir_ / "plain.html");
  const TRun protect = Convert(kCorpus + "pricelist_lo_protected.xls", dir_ / "protected.html");
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(protect.status, 0) << protect.err;
  const std::string html = ReadFile(dir_ / "plain.html");
  EXPECT_THAT(html, HasSubstr("colspan="));
  EXPECT_EQ(ReadFile(dir_ / "protected.html"), html);
}

// The MD5 of bytes as 32 lower-case hexadecimal digits.
std::string Md5Hex(const std::string& bytes) {
  const TMD5Digest digest = Md5OfText(bytes);
  const auto* b = reinterpret_cast<const unsigned char*>(&digest);
  std::string hex;
  for (int i = 0; i < 16; ++i) {
    hex += "0123456789abcdef"[b[i] >> 4];
    hex += "0123456789abcdef"[b[i] & 15];
  }
  return hex;
}

// The digests of the HTML written before the conversion was made faster, by workbook name.
std::map<std::string, std::string> OldHtmlDigests() {
  std::map<std::string, std::string> digests;
  std::istringstream in(ReadWholeFile("tests/data/html_digests.txt"));
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') digests[line.substr(34)] = line.substr(0, 32);
  return digests;
}

TEST_F(Xls2Html, OutputIsByteForByteWhatItWasBeforeTheSpeedWork) {
  const std::map<std::string, std::string> old = OldHtmlDigests();
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(kCorpus)) {
    if (entry.path().extension() != ".xls") continue;
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const fs::path out = dir_ / "out.html";
    fs::remove(out);
    const TRun run = Convert(entry.path().string(), out);
    const auto digest = old.find(name);
    if (run.status != 0) {
      EXPECT_EQ(digest, old.end()) << "converted before: " << run.err;
      continue;
    }
    ASSERT_NE(digest, old.end()) << "not converted before";
    EXPECT_EQ(Md5Hex(ReadFile(out)), digest->second);
    ++compared;
  }
  EXPECT_EQ(compared + 1, static_cast<int>(old.size()));

  // The 60,000 goods of the benchmark's price list.
  const fs::path in = dir_ / "pricelist.xls", out = dir_ / "pricelist.html";
  std::ofstream(in, std::ios::binary) << PricelistWorkbook(60000);
  const TRun run = Convert(in.string(), out);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Md5Hex(ReadFile(out)), old.at("make_pricelist.py 60000"));
}

}  // namespace
