#pragma once
// Where the agent keeps its files. A copy that runs from a folder it may write (a build folder,
// an unpacked copy) keeps the settings file and the HTML files beside its executable; an
// installed one, whose folder belongs to the system, keeps them where Linux keeps a user's
// settings and caches.

#include <string>

struct TAgentFolders {
  std::string Settings;  // the settings file's folder, ending in '/'
  std::string Html;      // the HTML files' folder, ending in '/'
};

// The folders for an executable in `executable_folder` (ending in '/'): that folder for both
// when `writable`; otherwise "tarvo-agent/" in `xdg_config_home` (settings) and in
// `xdg_cache_home` (HTML), each falling back to "~/.config" and "~/.cache" under `home` when
// empty or not absolute (a relative base folder is ignored).
TAgentFolders ChooseAgentFolders(const std::string& executable_folder, bool writable,
                                 const std::string& xdg_config_home,
                                 const std::string& xdg_cache_home, const std::string& home);

// The folders of an agent whose executable lies in `executable_folder`, by whether this process
// may write that folder and by its environment.
TAgentFolders AgentFolders(const std::string& executable_folder);

// Creates `folder` (ending in '/') and its missing parents, new ones with permissions for the
// user alone. Raises Exception naming the folder when it cannot be created.
void CreateUserFolder(const std::string& folder);
