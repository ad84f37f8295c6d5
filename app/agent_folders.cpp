#include "app/agent_folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/exception.h"

namespace {

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// The base folder named by an XDG variable, or `fallback` under the home folder.
std::string BaseFolder(const std::string& variable, const std::string& home, const char* fallback) {
  if (!variable.empty() && variable.front() == '/') return WithSlash(variable);
  return WithSlash(home) + fallback;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string HomeFolder() {
  std::string home = Environment("HOME");
  if (home.empty())
    if (const passwd* user = getpwuid(getuid())) home = user->pw_dir;
  return home;
}

}  // namespace

TAgentFolders ChooseAgentFolders(const std::string& executable_folder, bool writable,
                                 const std::string& xdg_config_home,
                                 const std::string& xdg_cache_home, const std::string& home) {
  if (writable) return {executable_folder, executable_folder};
  return {BaseFolder(xdg_config_home, home, ".config/") + "tarvo-agent/",
          BaseFolder(xdg_cache_home, home, ".cache/") + "tarvo-agent/"};
}

TAgentFolders AgentFolders(const std::string& executable_folder) {
  // The effective identity decides, as for the files written there later.
  const bool writable = faccessat(AT_FDCWD, executable_folder.c_str(), W_OK, AT_EACCESS) == 0;
  return ChooseAgentFolders(executable_folder, writable, Environment("XDG_CONFIG_HOME"),
                            Environment("XDG_CACHE_HOME"), HomeFolder());
}

void CreateUserFolder(const std::string& folder) {
  for (std::size_t end = folder.find('/', 1); end != std::string::npos; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    if (mkdir(part.c_str(), S_IRWXU) != 0 && errno != EEXIST)
      throw Exception("Не удалось создать папку «" + part + "»: " + std::strerror(errno));
  }
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    throw Exception("Не удалось создать папку «" + folder + "»");
}
