#include "app/price_html.h"

#include <cstdio>
#include <memory>

#include "platform/stream.h"
#include "platform/utf.h"
#include "xls/XLSFile.h"
#include "xls/XLSReader.h"
#include "xls/XLSWorkbook.h"

namespace {

// Every position of the rectangle outside a merged area becomes a table cell of at least this
// many bytes ("<td class="xl0"></td>" and a line break); merged areas cover few positions.
constexpr std::int64_t kMinCellBytes = 23;

// A file that refuses to grow beyond a limit: the write that would pass it raises.
class TLimitedFileStream : public TFileStream {
 public:
  TLimitedFileStream(const std::string& path, std::int64_t limit, std::u16string message)
      : TFileStream(path, fmCreate), limit_(limit), message_(std::move(message)) {}

  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (Position() + count > limit_) throw EPriceListTooLarge(message_);
    return TFileStream::Write(buffer, count);
  }

 private:
  std::int64_t limit_;      // the largest size allowed
  std::u16string message_;  // of the error raised beyond it
};

}  // namespace

void WritePriceHtml(const std::u16string& workbook, const std::u16string& html,
                    std::int64_t limit) {
  const auto file = std::make_unique<TXLSFile>();
  file->OpenFile(workbook);
  TSheet* sheet = file->Workbook().Sheets().Item(0);
  TRangeRect rect;
  if (!sheet->GetUsedRect(rect))
    throw EEmptyPriceList(u"В первом листе файла «" + workbook + u"» нет данных.");

  const std::u16string too_large =
      u"Прайс из файла «" + workbook + u"» слишком велик: его таблица больше " +
      Utf8ToUtf16(std::to_string(limit >> 20)) + u" МБ. Удалите из первого листа лишние ячейки.";
  const std::int64_t positions =
      std::int64_t{rect.RowTo - rect.RowFrom + 1} * (rect.ColumnTo - rect.ColumnFrom + 1);
  if ((positions - TXLSReader::kMaxAreaCells) * kMinCellBytes > limit)
    throw EPriceListTooLarge(too_large);  // known without writing a byte

  const std::string path = Utf16ToUtf8(html);
  std::remove(path.c_str());  // a file that cannot be deleted is written over
  try {
    TLimitedFileStream stream(path, limit, too_large);
    sheet->SaveRectToStreamAsHTML(stream, rect);
  } catch (const EPriceListTooLarge&) {
    std::remove(path.c_str());
    throw;
  }
}
