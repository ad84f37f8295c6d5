#pragma once
// The folder of the running executable, where the settings file and the HTML files live.

#include <string>

// The executable's folder as a UTF-8 path ending in '/'.
std::string ExecutableFolder();
