#include "xls/ZipPackage.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "platform/exception.h"

namespace {

constexpr std::size_t kChunkSize = 1 << 16;

std::string PartName(std::string_view AName) { return std::string(AName); }

}  // namespace

void RaiseDamagedPackage(std::string_view AWhat) {
  throw Exception("Error: the .xlsx package is damaged: " + std::string(AWhat) + ".");
}

TZipPackage::TZipPackage(std::string ABytes) : FBytes(std::move(ABytes)) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(FBytes.data(), FBytes.size(), 0, &error);
  if (source) {
    FZip = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!FZip) zip_source_free(source);
  }
  if (!FZip) {
    const std::string reason = zip_error_strerror(&error);
    zip_error_fini(&error);
    RaiseDamagedPackage("its zip directory cannot be read (" + reason + ")");
  }
  zip_error_fini(&error);
  // Two entries of one name make the part ambiguous: each reader would see another content.
  std::set<std::string> names;
  const zip_int64_t count = zip_get_num_entries(FZip, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    const char* name = zip_get_name(FZip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (name && !names.insert(name).second) {
      const std::string what = "two entries are named " + std::string(name);
      zip_discard(FZip);
      FZip = nullptr;
      RaiseDamagedPackage(what);
    }
  }
}

TZipPackage::~TZipPackage() {
  if (FZip) zip_discard(FZip);
}

std::int64_t TZipPackage::IndexOf(std::string_view AName) const {
  return zip_name_locate(FZip, PartName(AName).c_str(), ZIP_FL_ENC_RAW);
}

bool TZipPackage::HasPart(std::string_view AName) const { return IndexOf(AName) >= 0; }

void TZipPackage::ReadPart(std::string_view AName,
                           const std::function<void(const char*, std::size_t)>& ASink) const {
  const std::int64_t index = IndexOf(AName);
  if (index < 0) RaiseDamagedPackage("the part " + PartName(AName) + " is missing");
  zip_stat_t stat;
  if (zip_stat_index(FZip, static_cast<zip_uint64_t>(index), 0, &stat) != 0)
    RaiseDamagedPackage("the entry of " + PartName(AName) + " cannot be read");
  const std::string too_large = "the part " + PartName(AName) + " inflates beyond the " +
                                std::to_string(kMaxPartSize >> 20) + " MiB or " +
                                std::to_string(kMaxRatio) + " times its size a part may reach";
  // The sizes the directory declares are checked first; the bytes inflated are counted too, as
  // a directory may lie.
  const std::uint64_t compressed = (stat.valid & ZIP_STAT_COMP_SIZE) ? stat.comp_size : 0;
  const std::uint64_t bound = std::min(kMaxPartSize, std::max(kRatioFreeSize, compressed * kMaxRatio));
  if ((stat.valid & ZIP_STAT_SIZE) && stat.size > bound) RaiseDamagedPackage(too_large);
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(
      zip_fopen_index(FZip, static_cast<zip_uint64_t>(index), 0), &zip_fclose);
  if (!file) {
    RaiseDamagedPackage("the part " + PartName(AName) + " cannot be opened (" +
                        zip_error_strerror(zip_get_error(FZip)) + ")");
  }
  std::vector<char> chunk(kChunkSize);
  std::uint64_t total = 0;
  for (;;) {
    const zip_int64_t got = zip_fread(file.get(), chunk.data(), chunk.size());
    if (got < 0) {
      RaiseDamagedPackage("the part " + PartName(AName) + " cannot be inflated (" +
                          zip_error_strerror(zip_file_get_error(file.get())) + ")");
    }
    if (got == 0) break;
    total += static_cast<std::uint64_t>(got);
    if (total > bound) RaiseDamagedPackage(too_large);
    ASink(chunk.data(), static_cast<std::size_t>(got));
  }
  FRead.insert(index);
}

void TZipPackage::VerifyUnreadParts() const {
  const zip_int64_t count = zip_get_num_entries(FZip, 0);
  for (zip_int64_t i = 0; i < count; ++i) {
    if (FRead.count(i)) continue;
    const char* name = zip_get_name(FZip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
    if (name && *name && name[std::strlen(name) - 1] != '/') ReadPart(name, [](const char*, std::size_t) {});
  }
}
