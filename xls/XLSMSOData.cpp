#include "xls/XLSMSOData.h"

void TMSOData::ReadDrawingGroup(std::string_view) {}
void TMSOData::ReadDrawing(std::string_view, int) {}
void TMSOData::ReadObj(std::string_view) {}
int TMSOData::LastObjType() const { return -1; }
void TMSOData::ReadTxoText(std::string_view) {}
void TMSOData::ReadTxoRuns(std::string_view) {}
void TMSOData::ReadNote(std::string_view, int) {}
void TMSOData::ApplyTo(TWorkbook&) {}
