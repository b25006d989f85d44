#include "tests/support/scratch_folder.h"

#include <chrono>
#include <cstdio>
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

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  std::fclose(file);
  return bytes;
}

bool WriteWholeFile(const std::string& path, const void* bytes, std::size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const std::size_t written = size ? std::fwrite(bytes, 1, size, file) : 0;
  return std::fclose(file) == 0 && written == size;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}
