#include <cstdio>

#include "platform/files_api.h"
#include "show/show.h"

void LoadRawImage(const char* fileName, FrameBuffer image) {
  // Only plain files: a named pipe or a device may never end. Asked of the file that was opened,
  // so that nothing put at the name afterwards is read.
  const int descriptor = OpenFileToRead(fileName);
  if (descriptor < 0) return;
  struct stat status;
  std::FILE* file = nullptr;
  if (fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) file = fdopen(descriptor, "rb");
  if (!file) {
    close(descriptor);
    return;
  }

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
