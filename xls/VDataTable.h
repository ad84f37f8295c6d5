#pragma once
// TVirtualDataTable: a list of byte records that can also find a record by its exact bytes
// through a hash index. Positions are stable: records are appended and only ever removed all at
// once, and a search by bytes yields the lowest position holding them.
//
// TVirtualRecordTable: the same for fixed-size packed records, with one work buffer through
// which callers load a record, change it and save it back; saving reuses an identical record.

#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>

#include "xls/ListErrors.h"

class TVirtualDataTable {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // The bytes at `AIndex`; raises EListError outside 0 to Count-1.
  const std::string& Item(int AIndex) const;
  // The first position holding `AItem`, appending it when there is none.
  int AddItem(std::string_view AItem);
  // Appends `AItem` even when equal bytes exist; returns the new position.
  int AddItemWithDuplicates(std::string_view AItem);
  // The first position holding `AItem`, or -1.
  int FindItem(std::string_view AItem) const;
  // Equal strings: FindItem(AOldItem); otherwise AddItem(AItem).
  int ChangeItem(std::string_view AOldItem, std::string_view AItem);
  void Clear();

 private:
  std::deque<std::string> FItems;                     // the records; their bytes never move
  std::unordered_map<std::string_view, int> FIndex;  // bytes -> first position holding them
};

template <typename TRecord>
class TVirtualRecordTable {
  static_assert(std::is_trivially_copyable_v<TRecord>);

 public:
  int Count() const { return FDataTable.Count(); }
  // Empties the remembered bytes and sets the work buffer to the default record.
  TRecord& ClearBuffer() {
    FBuffer.clear();
    FWork = FDefaultRecord();
    return FWork;
  }
  // A copy of record `AIndex`; the work buffer is left alone.
  TRecord Record(int AIndex) const {
    TRecord record;
    std::memcpy(static_cast<void*>(&record), FDataTable.Item(AIndex).data(), sizeof(TRecord));
    return record;
  }
  // Copies record `AIndex` into the work buffer and remembers its bytes.
  TRecord& LoadToBuffer(int AIndex) {
    FBuffer = FDataTable.Item(AIndex);
    std::memcpy(static_cast<void*>(&FWork), FBuffer.data(), sizeof(TRecord));
    return FWork;
  }
  // The position that now holds the work buffer's contents: the loaded record's position when
  // nothing changed, else the first identical record or a newly appended one.
  int SaveChangedBuffer() { return FDataTable.ChangeItem(FBuffer, WorkBytes()); }
  // Appends the work buffer's bytes (records stay numbered as in the file).
  int SaveChangedBufferWithDuplicates() { return FDataTable.AddItemWithDuplicates(WorkBytes()); }
  // Empties the table and clears the buffer.
  void Clear() {
    FDataTable.Clear();
    ClearBuffer();
  }
  TRecord& Buffer() { return FWork; }
  const TVirtualDataTable& DataTable() const { return FDataTable; }
  // The bytes of a record, its identity in the table.
  static std::string_view BytesOf(const TRecord& record) {
    return std::string_view(reinterpret_cast<const char*>(&record), sizeof(TRecord));
  }

 protected:
  // Starts with the default record at position 0.
  explicit TVirtualRecordTable(TRecord (*default_record)()) : FDefaultRecord(default_record) {
    ClearBuffer();
    SaveChangedBuffer();
  }
  std::string_view WorkBytes() const { return BytesOf(FWork); }

  TVirtualDataTable FDataTable;     // the records
  TRecord FWork;                    // the work buffer
  std::string FBuffer;              // bytes of the record last loaded; empty after ClearBuffer
  TRecord (*FDefaultRecord)();      // makes the default record
};
