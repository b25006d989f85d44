// quenthor-assets DIR: writes the show's pictures and song into DIR.
// quenthor-assets --icons DIR: writes the project's icon files into DIR.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "tools/assets.h"
#include "tools/icon.h"

namespace {

const char kUsage[] =
    "usage: %s DIR\n"
    "       %s --icons DIR\n"
    "The first form writes the show's demo pictures (min.raw, min2.raw, min3.raw) and song\n"
    "(Terminal.s3m) into DIR. The second writes the project's icon, drawn from the first\n"
    "picture, into DIR: quenthor.ico (16, 32 and 48 px, 32-bit BMP entries for Windows XP and\n"
    "later), quenthor-48.png and quenthor-256.png.\n";

bool MakeFolder(const char* folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error)
    std::fprintf(stderr, "quenthor-assets: can't create %s: %s\n", folder, error.message().c_str());
  return !error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf(kUsage, argv[0], argv[0]);
    return 0;
  }
  bool icons = argc == 3 && std::strcmp(argv[1], "--icons") == 0;
  if (!(argc == 2 && argv[1][0] != '-') && !icons) {
    std::fprintf(stderr, kUsage, argv[0], argv[0]);
    return 2;
  }
  const char* folder = argv[argc - 1];
  if (!MakeFolder(folder)) return 1;
  if (icons) return WriteIcons(folder) ? 0 : 1;
  if (!WritePictures(folder)) return 1;
  if (!WriteSong(folder)) return 1;
  return 0;
}
