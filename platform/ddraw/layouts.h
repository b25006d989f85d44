// The pixel layouts of the emulated screen: what a surface reports for each, how many bytes a
// pixel takes, which of the host screen's layouts is the same, and how pixels read as plain RGB.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/ddraw/ddraw_declarations.h"
#include "platform/ddraw/display_profile.h"
#include "platform/host/screen.h"

namespace platform {
namespace ddraw {

struct LayoutInfo {
  const char* name;
  int bytesPerPixel;
  DWORD formatFlags;  // DDPF_RGB, or DDPF_PALETTEINDEXED8
  DWORD bitCount;
  DWORD redMask;
  DWORD greenMask;
  DWORD blueMask;
  // The host screen's name for the same bytes, so they go to the window unchanged; where it has
  // none (palette indices), the picture is first read as RGB.
  bool shownAsIs;
  host::PixelLayout hostLayout;
};
const LayoutInfo& Describe(ScreenLayout layout);
bool LayoutFromName(const char* name, ScreenLayout* layout);

// One pixel as 0x00RRGGBB; 5- and 6-bit channels are widened so full intensity reads 0xFF.
std::uint32_t ReadRGB(ScreenLayout layout, const std::uint8_t* pixel);
// A whole picture read that way, rows top first, without the padding at the end of its rows.
std::vector<std::uint32_t> ReadPicture(ScreenLayout layout, const std::uint8_t* bytes, int pitch,
                                       int width, int height);

// The pixel format record a surface of the layout reports.
void FillPixelFormat(ScreenLayout layout, DDPIXELFORMAT* format);

}  // namespace ddraw
}  // namespace platform
