#pragma once
// Placeholder of the drawing-layer collector until the drawing reader is merged.

#include <string_view>

class TWorkbook;

class TMSOData {
 public:
  void ReadDrawingGroup(std::string_view data);
  void ReadDrawing(std::string_view data, int sheet_index);
  void ReadObj(std::string_view data);
  int LastObjType() const;
  void ReadTxoText(std::string_view continue_data);
  void ReadTxoRuns(std::string_view continue_data);
  void ReadNote(std::string_view data, int sheet_index);
  void ApplyTo(TWorkbook& workbook);
};
