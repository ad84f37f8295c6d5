#pragma once
// TKRS_File: one operating-system file handle for reading and writing fixed records. Every
// file operation holds the component's re-entrant lock for its whole run, so one instance may
// be shared by threads. Failures of the operations that must succeed raise KRS_Exception;
// reads, writes, seeks, locks and flushes report failure through their results.
//
// On POSIX the read-only attribute is the owner's missing write permission; the share modes,
// the hidden and temporary attributes and the sequential-scan hint have no equivalent here.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/component.h"
#include "platform/critical_section.h"
#include "platform/exception.h"
#include "platform/format.h"

// A record-file failure: the message ends in " - Native error: " and the code.
class KRS_Exception : public Exception {
 public:
  // The record file's own failure `native_error_code` (10001 to 10007) with its standard text.
  explicit KRS_Exception(int native_error_code);
  // Message: `message` + " - Native error: " + the code as "%.5d".
  KRS_Exception(int native_error_code, const std::u16string& message);
  // Message: `format` filled with `args` (or, when they do not fit, `format` followed by
  // " Arguments are invalid!"), then " - Native error: " and the code as "%5d".
  KRS_Exception(int native_error_code, const std::u16string& format,
                std::initializer_list<FormatArg> args);

  std::int32_t NativeError;  // the error code
};

enum TFileSystemType { fstFAT, fstNTFS, fstInvalid };

// Volume information as plain properties; nothing in the library computes them.
class TKRS_Disk : public TComponent {
 public:
  explicit TKRS_Disk(TComponent* owner) : TComponent(owner) {}
  // Does nothing.
  void InitDiskInfo(const std::u16string& /*file_name*/) {}

  std::u16string VolumeName;
  std::u16string VolumeSerial;
  TFileSystemType VolumeFS = fstInvalid;
  std::int64_t VolumeFileSize = 0;
  std::int64_t VolumeTotalSize = 0;
  std::int64_t VolumeFreeSize = 0;
  std::function<void(TKRS_Disk* sender)> OnDiskFull;  // never raised
};

// One saved file position on the cursor stack.
struct TKRS_FileCursor {
  std::int64_t FileCursor;
};

class TKRS_File : public TKRS_Disk {
 public:
  explicit TKRS_File(TComponent* owner);
  // Closes a handle the owner left open, so that no descriptor leaks.
  ~TKRS_File() override;

  // Creates the file anew (truncating an existing one; deleting it first when Overwrite is
  // set) for reading and writing. Raises 10003 when it cannot be created.
  int File_CreateNew();
  // Opens the existing file: read-only when ReadOnly is set or the file is marked read-only,
  // else for reading and writing, falling back to read-only (and setting ReadOnly) when writing
  // is refused. Raises 10001 when the file cannot be found, 10002 when it cannot be opened.
  int File_Open();
  // Closes the handle when one is open; FileHandle is 0 afterwards.
  int File_Close();
  // Reads up to `num_bytes` at the current position: the count read, -1 on failure.
  // Raises 10006 without an open handle.
  int File_Read(void* buffer, int num_bytes);
  // Writes `num_bytes` at the current position (the count, or -1 on failure); 0 bytes cuts
  // the file at the current position. Flushes afterwards when AutoFlush is set.
  // Raises 10007 without an open handle.
  int File_Write(const void* buffer, int num_bytes);
  // Flushes the file to disk; counts in FlushCount whether or not it succeeded.
  bool File_Flush();
  // Moves the position (`from`: 0 start, 1 current, 2 end); the new position, -1 on failure.
  std::int64_t File_Seek(std::int64_t position, std::uint16_t from);
  std::int64_t File_GetCurrentPos();
  // Saves the current position on the cursor stack and returns it.
  std::int64_t File_KeepGo();
  // Returns to the last saved position and returns it; with nothing saved, stays and returns
  // the current position.
  std::int64_t File_GoBack();
  // The file's size; the current position is kept.
  std::int64_t File_GetSize();
  // Locks or unlocks the byte range [offset, offset + length) against other processes.
  bool File_Lock(std::int64_t offset, std::int64_t lock_length);
  bool File_Unlock(std::int64_t offset, std::int64_t lock_length);
  // Renames the file (never replacing an existing one); FileName follows. Raises 10004.
  int File_Rename(const std::u16string& new_name);
  // Deletes the file. Raises 10005.
  int File_Delete();

  void LockFileSection() { FFileSection->Enter(); }
  void UnlockFileSection() { FFileSection->Leave(); }

  bool Temporary = false;       // temporary-file attribute (no effect here)
  bool ReadOnly = false;        // open for reading only; File_Open may set it, and it stays set
  bool Exclusive = false;       // open without sharing (no effect here)
  bool Hidden = false;          // hidden attribute (no effect here)
  std::u16string FileName;      // the file's path
  std::int32_t FileHandle = 0;  // the open descriptor; 0 when closed
  bool Overwrite = false;       // File_CreateNew deletes an existing file first
  bool AutoFlush = true;        // flush after every write
  std::int64_t FlushCount = 0;  // flushes done

 private:
  std::unique_ptr<TCriticalSection> FFileSection;  // serialises every file operation
  bool FMarkedReadOnly = false;                    // the last File_Open found the file marked
  std::vector<TKRS_FileCursor> FCursorList;        // the saved positions, last on top
};
