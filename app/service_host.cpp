#include "app/service_host.h"

#include <cstdlib>

#include "platform/utf.h"

std::u16string ServiceHost() {
  const char* configured = std::getenv("TARVO_SERVICE_HOST");
  if (configured != nullptr && *configured != '\0') return Utf8ToUtf16(configured);
  return Utf8ToUtf16(TARVO_SERVICE_HOST_DEFAULT);
}
