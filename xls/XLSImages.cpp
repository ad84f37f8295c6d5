#include "xls/XLSImages.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "platform/utf.h"

TXLSImageType TXLSImage::ImageType() {
  if (FImageTypeKnown) return FImageType;
  std::uint8_t head[10] = {};
  if (FImageData) {
    const std::int64_t kept = FImageData->Position();
    FImageData->SetPosition(0);
    FImageData->ReadBytes(head, sizeof head);
    FImageData->SetPosition(kept);
  } else if (!FFileName.empty()) {
    std::ifstream file(Utf16ToUtf8(FFileName), std::ios::binary);
    file.read(reinterpret_cast<char*>(head), sizeof head);
  }
  static const std::uint8_t kEmf[10] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0xFF};
  static const std::uint8_t kWmf[10] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 0xFF};
  if (std::memcmp(head, kEmf, 10) == 0) FBLIPType = 2;
  else if (std::memcmp(head, kWmf, 10) == 0) FBLIPType = 3;
  else if (std::memcmp(head + 1, "PNG", 3) == 0) FBLIPType = 6;
  else if (std::memcmp(head + 6, "JFIF", 4) == 0) FBLIPType = 5;
  else if (std::memcmp(head, "BM", 2) == 0) FBLIPType = 7;
  else FBLIPType = 0;
  switch (FBLIPType) {
    case 2: FImageType = xlimgEMF; break;
    case 3: FImageType = xlimgWMF; break;
    case 5: FImageType = xlimgJPG; break;
    case 6: FImageType = xlimgPNG; break;
    case 7: FImageType = xlimgBMP; break;
    default: FImageType = xlimgNone; break;
  }
  FImageTypeKnown = true;
  return FImageType;
}

TXLSImage* TXLSImages::AddStretchFromStreamPx(TEasyStream& AStream, std::int64_t AStreamPositionFrom,
                                              std::int64_t AStreamBytesToRead, int ALeftColumn,
                                              int ATopRow, int ALeftColumnOffsetPx,
                                              int ATopRowOffsetPx, int AStretchToWidthPx,
                                              int AStretchToHeightPx) {
  auto image = std::make_unique<TXLSImage>();
  image->FImageData = std::make_unique<TEasyStream>();
  const std::int64_t from = std::clamp<std::int64_t>(AStreamPositionFrom, 0, AStream.Size());
  const std::int64_t count = std::clamp<std::int64_t>(AStreamBytesToRead, 0, AStream.Size() - from);
  image->FImageData->WriteBytes(AStream.Data() + from, count);
  image->FImageData->SetPosition(0);
  image->FLeftColumn = ALeftColumn;
  image->FTopRow = ATopRow;
  image->FLeftColumnOffsetPx = ALeftColumnOffsetPx;
  image->FTopRowOffsetPx = ATopRowOffsetPx;
  image->FStretchToWidthPx = AStretchToWidthPx;
  image->FStretchToHeightPx = AStretchToHeightPx;
  FItems.push_back(std::move(image));
  return FItems.back().get();
}
