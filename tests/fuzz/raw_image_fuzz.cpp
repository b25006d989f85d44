// Fuzzes the raw image loader with arbitrary file contents.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "show/show.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const std::string path = "/tmp/quenthor-fuzz-raw-" + std::to_string(getpid());
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  if (size) std::fwrite(data, 1, size, file);
  std::fclose(file);

  static std::vector<FramePixel> image(kFramePixels);
  LoadRawImage(path.c_str(), image.data());
  // The first pixel is the first four bytes, or what the holders kept of them.
  if (size >= 4) {
    FramePixel expected = data[0] | data[1] << 8 | data[2] << 16 |
                          static_cast<FramePixel>(data[3]) << 24;
    if (image[0] != expected) std::abort();
  }
  return 0;
}
