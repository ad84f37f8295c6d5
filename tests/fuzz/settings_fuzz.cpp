// Any 0 to 2000 bytes as the settings file: deciphered into the record as the agent reads it,
// and every text field converted as the window shows it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "app/agent_config.h"
#include "support/blowfish.h"
#include "support/md5.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2000) return -1;
  static std::unique_ptr<TBfState> key = [] {
    const TMD5Digest digest = Md5OfText(std::u16string_view(u"Harbor Lamps Access Phrase"));
    std::unique_ptr<TBfState> state;
    int state_size = 0;
    BfCreateState(&digest, sizeof digest, state, state_size);
    return state;
  }();
  const TAgentConfig config =
      DecipherAgentConfig(*key, std::string_view(reinterpret_cast<const char*>(data), size));
  for (const TShortString* slot : {&config.UserName, &config.Password, &config.Price1Path,
                                   &config.Price2Path, &config.Price3Path}) {
    if (ShortStringText(*slot).size() > 255) std::abort();
  }
  return 0;
}
