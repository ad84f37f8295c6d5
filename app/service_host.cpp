#include "app/service_host.h"

#include <cstdlib>

#include "platform/utf.h"

namespace {

bool StartsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::u16string ServiceAddress() {
  const char* configured = std::getenv("TARVO_SERVICE_HOST");
  std::u16string address = Utf8ToUtf16(configured != nullptr && *configured != '\0'
                                           ? configured
                                           : TARVO_SERVICE_HOST_DEFAULT);
  while (!address.empty() && address.back() == u'/') address.pop_back();
  for (std::u16string_view scheme : {u"http://", u"https://"})
    if (StartsWithIgnoringCase(address, scheme))
      return std::u16string(scheme) + address.substr(scheme.size());
  return u"http://" + address;
}
