#include "platform/executable_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/exception.h"

std::string ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) throw Exception("Cannot find the folder of the running program: " + error.message());
  std::string folder = exe.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}
