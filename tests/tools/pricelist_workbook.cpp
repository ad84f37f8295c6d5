#include "tests/tools/pricelist_workbook.h"

#include <cmath>
#include <cstdio>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/utf.h"
#include "tests/xls/biff_builder.h"

namespace {

// Bytes from hexadecimal digits: records whose data xlwt always writes the same.
std::string Hex(std::string_view digits) {
  std::string out;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    out += static_cast<char>(std::stoi(std::string(digits.substr(i, 2)), nullptr, 16));
  return out;
}

constexpr std::size_t kMaxData = 8224;  // the most data one record holds

// The shared string table: each text once, in the order of first use, split over CONTINUE
// records as xlwt splits it (a text's characters may go on in the next record, which then
// starts with the text's option byte again).
class TSharedStrings {
 public:
  unsigned Index(const std::u16string& text) {
    ++uses_;
    const auto [at, added] = index_.try_emplace(text, static_cast<unsigned>(texts_.size()));
    if (added) texts_.push_back(text);
    return at->second;
  }
  std::string Records() const {
    std::vector<std::string> parts(1, Data().L(uses_).L(static_cast<std::uint32_t>(texts_.size())));
    auto room = [&parts] { return kMaxData - parts.back().size(); };
    for (const std::u16string& text : texts_) {
      bool wide = false;
      for (char16_t c : text) wide = wide || c > 0xFF;
      const std::size_t unit = wide ? 2 : 1;
      if (room() < 3 + unit) parts.emplace_back();
      parts.back() += Data().W(static_cast<unsigned>(text.size())).B(wide ? 1 : 0).str();
      for (std::size_t i = 0; i < text.size(); ++i) {
        if (room() < unit) parts.emplace_back(1, static_cast<char>(wide ? 1 : 0));
        parts.back() += wide ? Data().W(text[i]).str() : std::string(1, static_cast<char>(text[i]));
      }
    }
    std::string out = Rec(0x00FC, parts[0]);
    for (std::size_t i = 1; i < parts.size(); ++i) out += Rec(0x003C, parts[i]);
    return out;
  }

 private:
  std::vector<std::u16string> texts_;
  std::unordered_map<std::u16string, unsigned> index_;
  std::uint32_t uses_ = 0;  // every LABELSST counts
};

std::string LabelSst(unsigned row, unsigned col, unsigned xf, unsigned sst) {
  return Rec(0x00FD, Data().W(row).W(col).W(xf).L(sst));
}

// The RK form of a value that has one (an integer, or one hundredth of one, of 30 bits).
bool RkOf(double value, std::uint32_t& rk) {
  for (const int scale : {1, 100}) {
    const double scaled = std::round(value * scale);
    if (scaled < -0x20000000 || scaled >= 0x20000000 || scaled / scale != value) continue;
    rk = (static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled)) << 2) | 2u | (scale == 100 ? 1u : 0u);
    return true;
  }
  return false;
}

// Cells from `first_col` on, one row: runs of RK values as MULRK, the others as NUMBER.
std::string NumberCells(unsigned row, unsigned first_col, const std::vector<std::pair<unsigned, double>>& cells) {
  std::string out;
  std::size_t i = 0;
  while (i < cells.size()) {
    std::uint32_t rk;
    std::size_t end = i;
    Data run;
    while (end < cells.size() && RkOf(cells[end].second, rk)) run.W(cells[end++].first).L(rk);
    if (end - i >= 2) {
      out += Rec(0x00BD, Data().W(row).W(first_col + static_cast<unsigned>(i)).Raw(run.str()).W(first_col + static_cast<unsigned>(end) - 1));
      i = end;
    } else if (end - i == 1) {
      out += Rec(0x027E, Data().W(row).W(first_col + static_cast<unsigned>(i)).Raw(run.str()));
      ++i;
    } else {
      out += NumberRec(row, first_col + static_cast<unsigned>(i), cells[i].first, cells[i].second);
      ++i;
    }
  }
  return out;
}

std::u16string Text(const char* format, int a = 0, int b = 0, int c = 0) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, format, a, b, c);
  return Utf8ToUtf16(buffer);
}

}  // namespace

std::string PricelistWorkbook(int goods) {
  TSharedStrings sst;
  const unsigned rows = static_cast<unsigned>(goods) + 2;
  // The sheet: row 0 the merged title, row 1 the header, then the goods.
  std::string cells = Rec(0x0208, Data().W(0).W(0).W(6).W(0xFF).L(0).W(0x100).W(0x0F));
  cells += LabelSst(0, 0, 0x11, sst.Index(Text("Прайс-лист ООО «Тарво» на 10.12.2026")));
  cells += Rec(0x00BE, Data().W(0).W(1).W(0x11).W(0x11).W(0x11).W(0x11).W(0x11).W(5));
  cells += Rec(0x0208, Data().W(1).W(0).W(6).W(0xFF).L(0).W(0x100).W(0x0F));
  const char* const captions[] = {"Код", "Наименование", "Ед.", "Цена, руб.", "Остаток", "Поступление"};
  for (unsigned col = 0; col < 6; ++col) cells += LabelSst(1, col, 0x12, sst.Index(Text(captions[col])));
  const char* const units[] = {"шт", "уп", "кг", "м"};
  const double first_day = 46023;  // 1 January 2026
  for (int i = 0; i < goods; ++i) {
    const unsigned r = static_cast<unsigned>(i) + 2;
    cells += Rec(0x0208, Data().W(r).W(0).W(6).W(0xFF).L(0).W(0x100).W(0x0F));
    cells += LabelSst(r, 0, 0x13, sst.Index(Text("A%06d", i + 1)));
    cells += LabelSst(r, 1, 0x13, sst.Index(Text("Товар №%d, арт. %d & <серия %d>", i + 1, 1000 + i * 7 % 9000, i % 50)));
    cells += LabelSst(r, 2, 0x13, sst.Index(Text(units[i % 4])));
    cells += NumberCells(r, 3, {{0x14, 10 + (i * 37 % 100000) / 100.0},
                                {0x15, static_cast<double>(i * 13 % 500)},
                                {0x16, first_day + i % 340}});
  }

  const std::string font = Hex("c8000000ff7f90010000000001000500417269616c");
  std::string globals = Rec(0x0042, Hex("b004")) + Rec(0x003D, Hex("e0015a00cf3f4e2a38000000000001005802")) +
                        Rec(0x0022, Hex("0000"));
  for (int i = 0; i < 6; ++i) globals += Rec(0x0031, font);
  globals += Rec(0x0031, Hex("18010100ff7fbc020000000001000500417269616c")) +  // bold 14 points
             Rec(0x0031, Hex("c8000100ff7fbc020000000001000500417269616c"));   // bold
  for (int i = 0; i < 4; ++i) globals += Rec(0x0031, font);
  globals += Rec(0x041E, Hex("a40007000047656e6572616c")) + Rec(0x041E, Hex("a5000a000064642e6d6d2e79797979"));
  for (int i = 0; i < 16; ++i) globals += Rec(0x00E0, Hex("0600a400f5ff200000f40000000000000000c020"));
  globals += Rec(0x00E0, Hex("0600a4000100200000f80000000000000000c020")) +  // plain
             Rec(0x00E0, Hex("0700a4000100220000f80000000000000000c020")) +  // title: centred
             Rec(0x00E0, Hex("0800a4000100280000f811114020402000048d20")) +  // header: wrap, borders, yellow
             Rec(0x00E0, Hex("0900a4000100200000f80000000000000000c020")) +  // text
             Rec(0x00E0, Hex("0a0004000100200000f80000000000000000c020")) +  // "#,##0.00"
             Rec(0x00E0, Hex("0b0001000100200000f80000000000000000c020")) +  // "0"
             Rec(0x00E0, Hex("0c00a5000100200000f80000000000000000c020")) +  // "dd.mm.yyyy"
             Rec(0x0293, Hex("008000ff"));
  const std::string sst_records = sst.Records();

  std::string sheet = Rec(0x0225, Hex("0000ff00")) + Rec(0x0081, Hex("010c"));
  const unsigned widths[] = {10, 48, 6, 12, 10, 12};
  for (unsigned col = 0; col < 6; ++col)
    sheet += Rec(0x007D, Data().W(col).W(col).W(widths[col] * 256).W(0x0F).W(0).W(0));
  sheet += Rec(0x0200, Data().L(0).L(rows).W(0).W(6).W(0));
  sheet += cells + Rec(0x00E5, Data().W(1).W(0).W(0).W(0).W(5)) +
           Rec(0x023E, Hex("b60200000000400000000000000000000000"));

  // The sheet's substream starts after the globals; BOUNDSHEET gives its offset.
  const std::u16string name = Text("Прайс");
  auto bound_sheet = [&name](std::uint32_t at) {
    return Rec(0x0085, Data().L(at).B(0).B(0).B(static_cast<unsigned>(name.size())).B(1).Wide(name));
  };
  const std::string head = Rec(0x0809, Hex("00060500bb0dcc070000000006000000")) + globals;
  const std::size_t sheet_at = head.size() + bound_sheet(0).size() + sst_records.size() + Eof().size();
  const std::string stream = head + bound_sheet(static_cast<std::uint32_t>(sheet_at)) + sst_records + Eof() +
                             Rec(0x0809, Hex("00061000bb0dcc070000000006000000")) + sheet + Eof();
  return BuildCompoundFile(9, {{u"Workbook", stream}});
}
