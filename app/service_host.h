#pragma once
// The trading service the agent talks to, from the environment variable TARVO_SERVICE_HOST when
// it is set and not empty, else the build's default: `host`, `host:port`, or either with the
// scheme "http://" or "https://" in front. Without a scheme the service is reached over HTTP.

#include <string>

// The service's address as the start of a URL: "http://host[:port]" or "https://host[:port]",
// without a trailing slash.
std::u16string ServiceAddress();
