// The per-pixel definition of every display layout. The packed kernels are the fast way to the
// same bytes; these rows are what they are tested against, and the family on other processors.
#include <cstring>

#include "convert/kernels.h"

// Pixels are read through memcpy: a source row may start at any address.
static inline std::uint32_t ReadPixel(const std::uint8_t* bytes) {
  std::uint32_t pixel;
  std::memcpy(&pixel, bytes, 4);
  return pixel;
}

static inline void WriteLowByteFirst(std::uint8_t* destination, std::uint32_t value) {
  destination[0] = static_cast<std::uint8_t>(value);
  destination[1] = static_cast<std::uint8_t>(value >> 8);
}

void ReferenceRowXRGB32(const std::uint32_t* source, std::uint8_t* destination,
                        std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; ++i, from += 4, destination += 4) {
    std::uint32_t pixel = ReadPixel(from);
    std::memcpy(destination, &pixel, 4);
  }
}

void ReferenceRowXBGR32(const std::uint32_t* source, std::uint8_t* destination,
                        std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; ++i, from += 4, destination += 4) {
    std::uint32_t pixel = ReadPixel(from);
    destination[0] = static_cast<std::uint8_t>(pixel >> 16);  // red
    destination[1] = static_cast<std::uint8_t>(pixel >> 8);   // green
    destination[2] = static_cast<std::uint8_t>(pixel);        // blue
    destination[3] = 0;
  }
}

void ReferenceRowRGB24(const std::uint32_t* source, std::uint8_t* destination,
                       std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; ++i, from += 4, destination += 3) {
    std::uint32_t pixel = ReadPixel(from);
    destination[0] = static_cast<std::uint8_t>(pixel);        // blue
    destination[1] = static_cast<std::uint8_t>(pixel >> 8);   // green
    destination[2] = static_cast<std::uint8_t>(pixel >> 16);  // red
  }
}

void ReferenceRowBGR24(const std::uint32_t* source, std::uint8_t* destination,
                       std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; ++i, from += 4, destination += 3) {
    std::uint32_t pixel = ReadPixel(from);
    destination[0] = static_cast<std::uint8_t>(pixel >> 16);  // red
    destination[1] = static_cast<std::uint8_t>(pixel >> 8);   // green
    destination[2] = static_cast<std::uint8_t>(pixel);        // blue
  }
}

void ReferenceRowRGB565(const std::uint32_t* source, std::uint8_t* destination,
                        std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; ++i, from += 4, destination += 2) {
    std::uint32_t pixel = ReadPixel(from);
    std::uint32_t blue = pixel & 0xFF, green = (pixel >> 8) & 0xFF, red = (pixel >> 16) & 0xFF;
    WriteLowByteFirst(destination, (red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
  }
}

void ReferenceRowBGR565(const std::uint32_t* source, std::uint8_t* destination,
                        std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; ++i, from += 4, destination += 2) {
    std::uint32_t pixel = ReadPixel(from);
    std::uint32_t blue = pixel & 0xFF, green = (pixel >> 8) & 0xFF, red = (pixel >> 16) & 0xFF;
    WriteLowByteFirst(destination, (blue >> 3) << 11 | (green >> 2) << 5 | (red >> 3));
  }
}

const ConverterRows kReferenceRows = {ReferenceRowXRGB32, ReferenceRowXBGR32, ReferenceRowRGB24,
                                      ReferenceRowBGR24,  ReferenceRowRGB565, ReferenceRowBGR565};
