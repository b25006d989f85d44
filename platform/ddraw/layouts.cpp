#include "platform/ddraw/layouts.h"

#include <cstring>

#include "platform/ddraw/hooks.h"

namespace platform {
namespace ddraw {
namespace {

using host::PixelLayout;

// In the order of ScreenLayout.
const LayoutInfo kLayouts[] = {
    {"xrgb32", 4, DDPF_RGB, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, PixelLayout::kXRGB32},
    {"xbgr32", 4, DDPF_RGB, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, PixelLayout::kXBGR32},
    {"rgb24", 3, DDPF_RGB, 24, 0xFF0000, 0x00FF00, 0x0000FF, PixelLayout::kRGB24},
    {"bgr24", 3, DDPF_RGB, 24, 0x0000FF, 0x00FF00, 0xFF0000, PixelLayout::kBGR24},
    {"rgb565", 2, DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, PixelLayout::kRGB565},
    {"bgr565", 2, DDPF_RGB, 16, 0x001F, 0x07E0, 0xF800, PixelLayout::kBGR565},
    {"rgb555", 2, DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F, PixelLayout::kRGB555},
    {"pal8", 1, DDPF_PALETTEINDEXED8, 8, 0, 0, 0, PixelLayout::kXRGB32},
};
const int kLayoutCount = sizeof kLayouts / sizeof kLayouts[0];

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

void ReportPixelFormat(ScreenLayout layout, DDPIXELFORMAT* format) {
  const LayoutInfo& info = Describe(layout);
  std::memset(format, 0, sizeof *format);
  format->dwSize = sizeof(DDPIXELFORMAT);
  format->dwFlags = info.formatFlags;
  format->dwRGBBitCount = info.bitCount;
  format->dwRBitMask = info.redMask;
  format->dwGBitMask = info.greenMask;
  format->dwBBitMask = info.blueMask;
  if (hooks.rgbFlagMissing) format->dwFlags &= ~static_cast<DWORD>(DDPF_RGB);
}

}  // namespace ddraw
}  // namespace platform
