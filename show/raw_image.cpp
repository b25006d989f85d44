#include <sys/stat.h>

#include <cstdio>

#include "show/show.h"

void LoadRawImage(const char* fileName, FrameBuffer image) {
  // Only plain files: opening a named pipe with no writer, or a device, would wait forever.
  struct stat status;
  if (stat(fileName, &status) != 0 || !S_ISREG(status.st_mode)) return;
  std::FILE* file = std::fopen(fileName, "rb");
  if (!file) return;

  // One holder per byte position. A read past the end leaves its holder as it was, so a short
  // file repeats what it last gave at each position; a position that never got a byte stays 0.
  unsigned char blue = 0, green = 0, red = 0, extra = 0;
  for (int pixel = 0; pixel < kFramePixels; pixel++) {
    int byte = std::fgetc(file);
    if (byte != EOF) blue = static_cast<unsigned char>(byte);
    byte = std::fgetc(file);
    if (byte != EOF) green = static_cast<unsigned char>(byte);
    byte = std::fgetc(file);
    if (byte != EOF) red = static_cast<unsigned char>(byte);
    byte = std::fgetc(file);
    if (byte != EOF) extra = static_cast<unsigned char>(byte);
    image[pixel] = static_cast<FramePixel>(blue) | static_cast<FramePixel>(green) << 8 |
                   static_cast<FramePixel>(red) << 16 | static_cast<FramePixel>(extra) << 24;
  }
  std::fclose(file);
}
