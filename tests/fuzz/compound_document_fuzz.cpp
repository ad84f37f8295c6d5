// Any bytes as a compound document: the tree is opened and every stream read to its end.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <sstream>
#include <string>

#include "xls/CFile.h"

namespace {

void ReadAll(TCFileStorage& storage) {
  char buffer[4096];
  for (int i = 0; i < storage.Count(); ++i) {
    TCFileItem* item = storage.Item(i);
    if (auto* stream = dynamic_cast<TCFileStream*>(item)) {
      while (stream->Read(buffer, sizeof buffer) > 0) {
      }
    } else if (auto* child = dynamic_cast<TCFileStorage*>(item)) {
      ReadAll(*child);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
  try {
    std::unique_ptr<TCFile> file = TCFile::CreateFromStream(input);
    ReadAll(file->Root());
    file->Root().FindItem("Workbook");
  } catch (const std::exception&) {
    // A refused document is a correct outcome.
  }
  return 0;
}
