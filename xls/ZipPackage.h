#pragma once
// TZipPackage: the parts of a zip package held in memory, read by name through libzip. Every
// part is inflated in chunks under fixed bounds (size and inflation ratio) and checked against
// its checksum, so a damaged or hostile package fails with a clear Exception in bounded memory.

#include <cstdint>
#include <functional>
#include <string>
#include <set>
#include <string_view>

struct zip;

class TZipPackage {
 public:
  // Inflated bytes one part may hold.
  static constexpr std::uint64_t kMaxPartSize = std::uint64_t{256} << 20;
  // Inflated bytes per compressed byte a part may reach once past kRatioFreeSize.
  static constexpr std::uint64_t kMaxRatio = 200;
  static constexpr std::uint64_t kRatioFreeSize = std::uint64_t{1} << 20;

  // Opens the package in `ABytes` (kept by the package). Raises Exception for bytes that are no
  // zip archive, a broken central directory or two entries of the same name.
  explicit TZipPackage(std::string ABytes);
  ~TZipPackage();
  TZipPackage(const TZipPackage&) = delete;
  TZipPackage& operator=(const TZipPackage&) = delete;

  bool HasPart(std::string_view AName) const;
  // Inflates every entry not read yet, so that a damaged part anywhere in the package fails the
  // read (the bounds and the checksum as ReadPart).
  void VerifyUnreadParts() const;
  // Hands the inflated bytes of part `AName` to `ASink` in chunks. Raises Exception when the
  // part is missing, exceeds the bounds, fails to inflate or fails its checksum.
  void ReadPart(std::string_view AName,
                const std::function<void(const char* AData, std::size_t ASize)>& ASink) const;

 private:
  std::int64_t IndexOf(std::string_view AName) const;

  std::string FBytes;             // the package's bytes, read by libzip in place
  struct zip* FZip = nullptr;     // the open archive
  mutable std::set<std::int64_t> FRead;  // entries read in full
};

// Raises Exception "Error: the .xlsx package is damaged: <AWhat>."
[[noreturn]] void RaiseDamagedPackage(std::string_view AWhat);
