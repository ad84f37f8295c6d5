#pragma once
// The trading service the agent talks to: `host` or `host:port`, from the environment variable
// TARVO_SERVICE_HOST when it is set and not empty, else the build's default.

#include <string>

std::u16string ServiceHost();
