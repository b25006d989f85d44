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

// What one pixel becomes in each layout, byte by byte.

static inline void PixelXRGB32(std::uint32_t pixel, std::uint8_t* destination) {
  std::memcpy(destination, &pixel, 4);
}

static inline void PixelXBGR32(std::uint32_t pixel, std::uint8_t* destination) {
  destination[0] = static_cast<std::uint8_t>(pixel >> 16);  // red
  destination[1] = static_cast<std::uint8_t>(pixel >> 8);   // green
  destination[2] = static_cast<std::uint8_t>(pixel);        // blue
  destination[3] = 0;
}

static inline void PixelRGB24(std::uint32_t pixel, std::uint8_t* destination) {
  destination[0] = static_cast<std::uint8_t>(pixel);        // blue
  destination[1] = static_cast<std::uint8_t>(pixel >> 8);   // green
  destination[2] = static_cast<std::uint8_t>(pixel >> 16);  // red
}

static inline void PixelBGR24(std::uint32_t pixel, std::uint8_t* destination) {
  destination[0] = static_cast<std::uint8_t>(pixel >> 16);  // red
  destination[1] = static_cast<std::uint8_t>(pixel >> 8);   // green
  destination[2] = static_cast<std::uint8_t>(pixel);        // blue
}

static inline void PixelRGB565(std::uint32_t pixel, std::uint8_t* destination) {
  std::uint32_t blue = pixel & 0xFF, green = (pixel >> 8) & 0xFF, red = (pixel >> 16) & 0xFF;
  WriteLowByteFirst(destination, (red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}

static inline void PixelBGR565(std::uint32_t pixel, std::uint8_t* destination) {
  std::uint32_t blue = pixel & 0xFF, green = (pixel >> 8) & 0xFF, red = (pixel >> 16) & 0xFF;
  WriteLowByteFirst(destination, (blue >> 3) << 11 | (green >> 2) << 5 | (red >> 3));
}

// A row: each source pixel in turn, written by the layout's rule, kBytesPerPixel bytes apart.
template <void (*kPixel)(std::uint32_t, std::uint8_t*), std::uint32_t kBytesPerPixel>
static inline void EachPixel(const std::uint32_t* source, std::uint8_t* destination,
                             std::uint32_t count) {
  const std::uint8_t* from = reinterpret_cast<const std::uint8_t*>(source);
  for (std::uint32_t i = 0; i < count; ++i, from += 4, destination += kBytesPerPixel) {
    kPixel(ReadPixel(from), destination);
  }
}

// The six rows keep their own names: the tests, the benchmarks and the 64-bit kernels' table
// name them.
#define REFERENCE_ROW(name, pixel, bytesPerPixel)                                              \
  void name(const std::uint32_t* source, std::uint8_t* destination, std::uint32_t count) {    \
    EachPixel<pixel, bytesPerPixel>(source, destination, count);                              \
  }
REFERENCE_ROW(ReferenceRowXRGB32, PixelXRGB32, 4)
REFERENCE_ROW(ReferenceRowXBGR32, PixelXBGR32, 4)
REFERENCE_ROW(ReferenceRowRGB24, PixelRGB24, 3)
REFERENCE_ROW(ReferenceRowBGR24, PixelBGR24, 3)
REFERENCE_ROW(ReferenceRowRGB565, PixelRGB565, 2)
REFERENCE_ROW(ReferenceRowBGR565, PixelBGR565, 2)
#undef REFERENCE_ROW

const ConverterRows kReferenceRows = {ReferenceRowXRGB32, ReferenceRowXBGR32, ReferenceRowRGB24,
                                      ReferenceRowBGR24,  ReferenceRowRGB565, ReferenceRowBGR565};
