#include "tests/support/scratch_folder.h"

#include <chrono>
#include <filesystem>
#include <system_error>

ScratchFolder::ScratchFolder(const std::string& name) {
  std::error_code error;
  const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
  if (error) return;
  // A new name each time: the clock's count, then an attempt number if that name is taken.
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; attempt++) {
    const std::filesystem::path folder =
        temporary / ("quenthor-" + name + "-" + std::to_string(stamp) + "-" + std::to_string(attempt));
    if (std::filesystem::create_directory(folder, error)) {
      path_ = folder.string();
      return;
    }
  }
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}
