// Creating folders: start-up makes sure the data folders it walks between
// exist, so a missing one never sends the relative folder changes astray.
#include <filesystem>
#include <system_error>

#include "platform/internal.h"
#include "platform/platform.h"

int CreateDir(const std::string& name) {
  const std::string path = plat::MapPath(name, plat::FileAccess::Write);
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error) ? 1 : 0;
}
