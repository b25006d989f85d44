// The pixel layouts of the emulated screen: what a surface reports for each, how many bytes a
// pixel takes, and which of the host screen's layouts is the same.
#pragma once
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
  // The host screen's name for the same bytes, so they go to the window unchanged (RGB layouts
  // only: a chain of palette indices is never flipped).
  host::PixelLayout hostLayout;
};
const LayoutInfo& Describe(ScreenLayout layout);
bool LayoutFromName(const char* name, ScreenLayout* layout);

// The pixel format record a surface of the layout reports, as the driver reports it.
void ReportPixelFormat(ScreenLayout layout, DDPIXELFORMAT* format);

}  // namespace ddraw
}  // namespace platform
