// quenthor-assets DIR: writes the show's pictures and song into DIR.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/assets.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\nWrites the show's demo pictures and song into DIR.\n",
                 argv[0]);
    return 2;
  }
  std::error_code error;
  std::filesystem::create_directories(argv[1], error);
  if (error) {
    std::fprintf(stderr, "quenthor-assets: can't create %s: %s\n", argv[1],
                 error.message().c_str());
    return 1;
  }
  if (!WritePictures(argv[1])) return 1;
  if (!WriteSong(argv[1])) return 1;
  return 0;
}
