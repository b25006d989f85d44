#include "platform/ddraw/layouts.h"

#include <cstring>

namespace platform {
namespace ddraw {
namespace {

// In the order of ScreenLayout.
const LayoutInfo kLayouts[] = {
    {"xrgb32", 4, DDPF_RGB, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, true, host::PixelLayout::kXRGB32},
    {"xbgr32", 4, DDPF_RGB, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, true, host::PixelLayout::kXBGR32},
    {"rgb24", 3, DDPF_RGB, 24, 0xFF0000, 0x00FF00, 0x0000FF, true, host::PixelLayout::kRGB24},
    {"bgr24", 3, DDPF_RGB, 24, 0x0000FF, 0x00FF00, 0xFF0000, true, host::PixelLayout::kBGR24},
    {"rgb565", 2, DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, true, host::PixelLayout::kRGB565},
    {"bgr565", 2, DDPF_RGB, 16, 0x001F, 0x07E0, 0xF800, true, host::PixelLayout::kBGR565},
    {"rgb555", 2, DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F, true, host::PixelLayout::kRGB555},
    {"pal8", 1, DDPF_PALETTEINDEXED8, 8, 0, 0, 0, false, host::PixelLayout::kXRGB32},
};
const int kLayoutCount = sizeof kLayouts / sizeof kLayouts[0];

std::uint32_t Widen5(std::uint32_t value) { return (value << 3) | (value >> 2); }
std::uint32_t Widen6(std::uint32_t value) { return (value << 2) | (value >> 4); }
std::uint32_t Pack(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red << 16 | green << 8 | blue;
}

}  // namespace

const LayoutInfo& Describe(ScreenLayout layout) {
  int index = static_cast<int>(layout);
  if (index < 0 || index >= kLayoutCount) index = 0;
  return kLayouts[index];
}

bool LayoutFromName(const char* name, ScreenLayout* layout) {
  if (!name) return false;
  for (int index = 0; index < kLayoutCount; index++) {
    if (std::strcmp(kLayouts[index].name, name) == 0) {
      *layout = static_cast<ScreenLayout>(index);
      return true;
    }
  }
  return false;
}

std::uint32_t ReadRGB(ScreenLayout layout, const std::uint8_t* pixel) {
  const std::uint32_t word = pixel[0] | pixel[1] << 8;
  switch (layout) {
    case ScreenLayout::kXRGB32:
    case ScreenLayout::kRGB24:
      return Pack(pixel[2], pixel[1], pixel[0]);
    case ScreenLayout::kXBGR32:
    case ScreenLayout::kBGR24:
      return Pack(pixel[0], pixel[1], pixel[2]);
    case ScreenLayout::kRGB565:
      return Pack(Widen5(word >> 11), Widen6((word >> 5) & 0x3F), Widen5(word & 0x1F));
    case ScreenLayout::kBGR565:
      return Pack(Widen5(word & 0x1F), Widen6((word >> 5) & 0x3F), Widen5(word >> 11));
    case ScreenLayout::kRGB555:
      return Pack(Widen5((word >> 10) & 0x1F), Widen5((word >> 5) & 0x1F), Widen5(word & 0x1F));
    case ScreenLayout::kPalette8:
      return Pack(pixel[0], pixel[0], pixel[0]);
  }
  return 0;
}

std::vector<std::uint32_t> ReadPicture(ScreenLayout layout, const std::uint8_t* bytes, int pitch,
                                       int width, int height) {
  const int bytesPerPixel = Describe(layout).bytesPerPixel;
  std::vector<std::uint32_t> pixels;
  pixels.reserve(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; y++) {
    const std::uint8_t* row = bytes + static_cast<size_t>(y) * pitch;
    for (int x = 0; x < width; x++) pixels.push_back(ReadRGB(layout, row + x * bytesPerPixel));
  }
  return pixels;
}

void FillPixelFormat(ScreenLayout layout, DDPIXELFORMAT* format) {
  const LayoutInfo& info = Describe(layout);
  std::memset(format, 0, sizeof *format);
  format->dwSize = sizeof(DDPIXELFORMAT);
  format->dwFlags = info.formatFlags;
  format->dwRGBBitCount = info.bitCount;
  format->dwRBitMask = info.redMask;
  format->dwGBitMask = info.greenMask;
  format->dwBBitMask = info.blueMask;
}

}  // namespace ddraw
}  // namespace platform
