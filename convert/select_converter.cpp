// The choice of converter from a display surface's pixel format.
#include "convert/kernels.h"

RowConverter SelectRowConverter(std::uint32_t bitCount, std::uint32_t redMask,
                                std::uint32_t greenMask, std::uint32_t blueMask) {
  // The kernel family is settled here, once, before the display starts presenting frames.
  if (ActiveConverterKernels() == kKernelsNone) UseConverterKernels(kKernelsFastest);

  // Exact matches only. The red mask tells the two layouts of one depth apart.
  if (bitCount == 32) {
    if (redMask == 0x00FF0000) {
      if (greenMask == 0x0000FF00 && blueMask == 0x000000FF) return ConvertRowXRGB32;
    } else if (redMask == 0x000000FF) {
      if (greenMask == 0x0000FF00 && blueMask == 0x00FF0000) return ConvertRowXBGR32;
    }
  } else if (bitCount == 24) {
    if (redMask == 0xFF0000) {
      if (greenMask == 0x00FF00 && blueMask == 0x0000FF) return ConvertRowRGB24;
    } else if (redMask == 0x0000FF) {
      if (greenMask == 0x00FF00 && blueMask == 0xFF0000) return ConvertRowBGR24;
    }
  } else if (bitCount == 16) {
    if (redMask == 0xF800) {
      if (greenMask == 0x07E0 && blueMask == 0x001F) return ConvertRowRGB565;
    } else if (redMask == 0x001F) {
      if (greenMask == 0x07E0 && blueMask == 0xF800) return ConvertRowBGR565;
    }
  }
  return nullptr;
}
