#pragma once
// The drawing layer of a workbook while it is read: the pictures of the drawing group, the
// shapes of every sheet, and the object, text and note records that confirm them. After the
// last record ApplyTo turns the confirmed shapes into the sheets' pictures and cell comments.
// Every inconsistency raises EXLSError EXLS_INVALIDDRAWING; any bytes are read safely (reads
// past the data give zeros, lengths never reach past what is there).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "xls/Streams.h"

class TWorkbook;

// The 8-byte header of an OfficeArt record.
struct TMSORecordHeader {
  std::uint8_t Version = 0;    // 4 bits
  std::uint16_t Instance = 0;  // 12 bits
  std::uint16_t FBT = 0;       // record type
  std::uint32_t Length = 0;    // bytes of data after the header

  // Reads a header at the stream's position (missing bytes read as 0).
  void Read(TEasyStream& AStream);
};

// One picture of the drawing group.
class TMSOBLIP {
 public:
  std::unique_ptr<TEasyStream> FImageData;  // marker and picture bytes, owned; none when empty
  std::u16string FileName;
  std::int32_t RefCount = 0;
  std::int32_t OriginalWidthPx = 0;
  std::int32_t OriginalHeightPx = 0;
  std::uint8_t BLIPType = 0;                // low 4 bits of the BSE instance
  std::int32_t BLIPID = 0;                  // 1-based number in the drawing group
  bool IsEmpty = true;                      // no picture bytes
};

// Where a shape lies: cells and offsets inside them, in 1/1024 of the column width and 1/256 of
// the row height.
struct TMSOClientAnchor {
  std::int32_t ColumnFrom = 0;
  std::int32_t ColumnFromAddition = 0;
  std::int32_t RowFrom = 0;
  std::int32_t RowFromAddition = 0;
  std::int32_t ColumnTo = 0;
  std::int32_t ColumnToAddition = 0;
  std::int32_t RowTo = 0;
  std::int32_t RowToAddition = 0;
};

// A shape of a sheet's drawing; kept only when an OBJ record confirms it as a picture or note.
class TMSOShape {
 public:
  virtual ~TMSOShape() = default;

  std::int32_t SheetIndex = 0;
  TMSOClientAnchor Anchor;
  std::int32_t ObjectID = -1;  // -1 until an OBJ record confirms the shape
  std::uint32_t SPID = 0;      // shape id of the drawing
};

// A picture frame.
class TMSOShapeImage : public TMSOShape {
 public:
  std::uint32_t BLIPID = 0;  // 1-based number of the picture in the drawing group, 0 unknown
};

// A text box: the shape of a cell comment.
class TMSOShapeComment : public TMSOShape {
 public:
  std::int32_t LinkedToRow = -1;     // the commented cell, -1 until its NOTE record is read
  std::int32_t LinkedToColumn = -1;
  std::u16string Text;
  std::u16string Author;
  std::string RichFormat;            // formatting runs of the text as stored
};

class TMSOData {
 public:
  // MSODRAWINGGROUP data (with every directly following continuation, concatenated): adds its
  // pictures, numbered from 1 in order.
  void ReadDrawingGroup(std::string_view data);
  // MSODRAWING data of sheet `sheet_index`: adds its shapes.
  void ReadDrawing(std::string_view data, int sheet_index);
  // OBJ data: a note or picture object confirms the last shape.
  void ReadObj(std::string_view data);
  // Object type of the last OBJ record, -1 before the first.
  int LastObjType() const { return FLastMSOOBJ; }
  // The text of a note: the first CONTINUE after its TXO. The last shape must be a text box.
  void ReadTxoText(std::string_view continue_data);
  // The formatting runs of that text, kept as they are: the second CONTINUE after the TXO. The
  // last shape must be a text box.
  void ReadTxoRuns(std::string_view continue_data);
  // NOTE data of sheet `sheet_index`: links the text box with that object id to its cell.
  void ReadNote(std::string_view data, int sheet_index);
  // After every record: removes the unconfirmed shapes, then places the pictures and comments
  // on their sheets with their geometry in pixels.
  void ApplyTo(TWorkbook& workbook);

  int BLIPCount() const { return static_cast<int>(FBLIPs.size()); }
  // The picture numbered `number` (1-based).
  const TMSOBLIP& BLIP(int number) const { return *FBLIPs.at(number - 1); }
  int ShapeCount() const { return static_cast<int>(FShapes.size()); }
  const TMSOShape& Shape(int index) const { return *FShapes.at(index); }

 private:
  // The BSE record at the position, ending at `end`.
  void AddBLIP(TEasyStream& s, std::int64_t end);
  void ReadShapeRecord(TEasyStream& s);
  void ReadPropertyTable(TEasyStream& s);
  void ReadClientAnchor(TEasyStream& s);
  // The last shape as a text box; raises EXLS_INVALIDDRAWING when it is not one.
  TMSOShapeComment& LastComment();
  bool IsValidBLIPID(std::uint32_t number) const;
  void RemoveUnconfirmedShapes();

  std::vector<std::unique_ptr<TMSOBLIP>> FBLIPs;    // pictures of the drawing group, in order
  std::vector<std::unique_ptr<TMSOShape>> FShapes;  // shapes of all sheets, in order
  TMSORecordHeader FRecord;                         // the header last read
  int FCurrentSheetIndex = -1;                      // sheet of the drawing being read
  int FLastMSOOBJ = -1;                             // object type of the last OBJ
  bool FCurrentSpIsParsed = false;                  // a shape record was read on this sheet
};
