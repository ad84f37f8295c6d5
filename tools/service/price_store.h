#pragma once
// The shops' price lists in a data folder: a folder per shop, named after its user name, and
// a file per list ("list1.html" to "list3.html") whose last-write time is the upload time. A
// new list replaces the old one whole or not at all: it is written to a temporary file beside
// it, flushed to disk and renamed over it.

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "tools/service/file_handle.h"

// A stored list: when it was uploaded and how large it is.
struct TStoredList {
  std::time_t uploaded = 0;  // the upload time, seconds since the epoch
  std::uint64_t size = 0;    // its length in bytes
};

class PriceStore {
 public:
  // A new list being received. Append adds bytes; Commit makes them the list; destroying an
  // upload that was not committed discards it and leaves the old list as it was. Append and
  // Commit raise Exception when the disk refuses.
  class Upload {
   public:
    Upload(const Upload&) = delete;
    Upload& operator=(const Upload&) = delete;
    ~Upload();
    void Append(const char* data, std::size_t size);
    void Commit();

   private:
    friend class PriceStore;
    Upload(std::filesystem::path temporary, std::filesystem::path target, int fd);
    std::filesystem::path temporary_;  // the file being written
    std::filesystem::path target_;     // the list it replaces on Commit
    int fd_;                           // open on temporary_, -1 once closed
  };

  // Uses `folder`, creating it when missing, and removes temporary files an interrupted run
  // left in the folders of the shops. Raises Exception when the folder cannot be created.
  explicit PriceStore(std::filesystem::path folder);

  // The folder of a shop (user name in UTF-8): ASCII letters, digits, "-" and "_" stay, every
  // other byte is written as "%XX". Raises Exception when the name is too long for a folder.
  std::filesystem::path ShopFolder(std::string_view user) const;

  // List `price` (1 to 3) of a shop, when it was uploaded.
  std::optional<TStoredList> Find(std::string_view user, int price) const;
  // A stored list opened for reading; none when there is none. A list replaced meanwhile
  // stays readable as it was. Raises Exception when it cannot be opened or is no file.
  std::optional<FileHandle> Open(std::string_view user, int price) const;
  // The bytes of a stored list; none when there is none. Raises Exception on a read failure.
  std::optional<std::string> Read(std::string_view user, int price) const;
  // Starts receiving list `price` of a shop. Raises Exception when the file cannot be created.
  std::unique_ptr<Upload> BeginUpload(std::string_view user, int price) const;

 private:
  std::filesystem::path ListPath(std::string_view user, int price) const;

  std::filesystem::path folder_;  // the data folder
};
