#pragma once
// The pictures of a sheet: their bytes and where they are anchored. The export does not write
// them; the drawing reader adds them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xls/Streams.h"

enum TXLSImageType : std::uint8_t { xlimgNone, xlimgEMF, xlimgWMF, xlimgJPG, xlimgPNG, xlimgBMP };

class TXLSImage {
 public:
  // The picture kind, found once from its first 10 bytes (from its data, or from its file).
  TXLSImageType ImageType();
  TEasyStream* ImageData() const { return FImageData.get(); }

  std::u16string FFileName;           // file the picture comes from, empty for data
  std::int32_t FLeftColumn = 0;       // anchor: top-left cell
  std::int32_t FTopRow = 0;
  std::int32_t FRightColumn = -1;     // anchor: bottom-right cell, -1 when stretched
  std::int32_t FBottomRow = -1;
  std::int32_t FStretchToWidthPx = 0;
  std::int32_t FStretchToHeightPx = 0;
  std::int32_t FLeftColumnOffsetPx = 0;
  std::int32_t FTopRowOffsetPx = 0;
  std::unique_ptr<TEasyStream> FImageData;  // the picture bytes, owned
  bool FImageTypeKnown = false;             // FImageType has been found
  TXLSImageType FImageType = xlimgNone;
  std::uint8_t FBLIPType = 0;               // the drawing layer's picture kind (0, 2, 3, 5, 6, 7)
};

class TXLSImages {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TXLSImage* Item(int AIndex) const { return FItems.at(AIndex).get(); }
  // Adds a picture made of `AStreamBytesToRead` bytes of `AStream` from `AStreamPositionFrom`
  // (fewer when the stream ends first), anchored at a cell and stretched to a size in pixels.
  TXLSImage* AddStretchFromStreamPx(TEasyStream& AStream, std::int64_t AStreamPositionFrom,
                                    std::int64_t AStreamBytesToRead, int ALeftColumn, int ATopRow,
                                    int ALeftColumnOffsetPx, int ATopRowOffsetPx,
                                    int AStretchToWidthPx, int AStretchToHeightPx);

 private:
  std::vector<std::unique_ptr<TXLSImage>> FItems;  // owned pictures
};
